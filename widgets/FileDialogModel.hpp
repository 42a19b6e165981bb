// What the built-in file dialog shows and does, without any drawing: the current directory,
// its listing (directories first, then the files passing the chosen filter, by name without
// regard to case, hidden entries left out), the filters, the selection, the name typed for a
// save, and the paths chosen in the end.
#pragma once

#include "widgets/FileSelectRequest.hpp"

#include <set>
#include <string>
#include <vector>

namespace quovent {

class FileDialogModel {
public:
    struct Entry {
        std::string name;
        bool directory = false;
    };
    struct Filter {
        std::string label;                   // "Wave file (*.wav)"
        std::vector<std::string> extensions; // empty: any file
    };

    explicit FileDialogModel(const FileSelectRequest& request);

    FileSelectCommand command() const noexcept { return command_; }
    const std::string& directory() const noexcept { return directory_; }
    const std::vector<Entry>& entries() const noexcept { return entries_; }
    const std::vector<Filter>& filters() const noexcept { return filters_; }
    int filter() const noexcept { return filter_; }
    void setFilter(int index);

    // Lists a directory; false (and nothing changes) when it cannot be read or lies
    // outside the root.
    bool enter(const std::string& path);
    // The parent directory; false at the top (or at the root of the request).
    bool up();
    bool canGoUp() const;
    // Lists the current directory again.
    void refresh();

    // -1 when nothing is selected. toggle adds or removes the entry (multiple load).
    int selected() const noexcept { return selected_; }
    void select(int index, bool toggle = false);
    bool isSelected(int index) const { return marked_.count(index) != 0; }

    // The name typed for a save (or of the file clicked last).
    const std::string& name() const noexcept { return name_; }
    void setName(std::string name);

    // Enter or a double click on the selected entry: a directory is opened (false), a
    // file is chosen (true, results() holds it).
    bool activate();
    // The OK button: true when something could be chosen (results() holds it).
    bool accept();
    const std::vector<std::string>& results() const noexcept { return results_; }

    // "dir" + "/" + "name", without doubling the separator after the root.
    static std::string join(const std::string& dir, const std::string& name);
    // True when the path is the root or lies below it (always true without a root).
    static bool isInside(const std::string& path, const std::string& root);
    // True when the name's extension matches one of the list, in any letter case.
    static bool matches(const std::string& name, const std::vector<std::string>& extensions);

private:
    bool insideRoot(const std::string& path) const;
    bool list(const std::string& path, std::vector<Entry>& out) const;
    bool choose(std::vector<std::string> paths);

    FileSelectCommand command_;
    std::string root_;
    std::string directory_;
    std::vector<Entry> entries_;
    std::vector<Filter> filters_;
    int filter_ = 0;
    int selected_ = -1;
    std::set<int> marked_;
    std::string name_;
    std::vector<std::string> results_;
};

} // namespace quovent
