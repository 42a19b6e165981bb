// A slot's sample directory and the list of its WAV files, which the slot steps through.
// Editor thread only.
#pragma once

#include "platform/Capacities.hpp"

#include <string>
#include <vector>

namespace quovent {

class SampleDirectory {
public:
    static constexpr std::size_t kMaxDirectoryLength = capacity::kPathText - 1;
    static constexpr std::size_t kMaxEntryLength = capacity::kListEntryText - 1;
    static constexpr int kMaxEntries = capacity::kDirectoryEntries;

    bool hasDirectory() const { return hasDirectory_; }
    const std::string& directory() const { return directory_; }
    // False, and nothing changed, when the path is longer than a directory text may be.
    bool setDirectory(const std::string& dir);

    // Lists the directory's WAV files (at most kMaxEntries, sorted, full paths). Entries
    // whose full path would not fit an entry text are left out rather than cut, since a cut
    // path names another file. hasFileList is set when at least one file was listed.
    int scan();

    bool hasFileList() const { return hasFileList_; }
    int fileCount() const { return static_cast<int>(files_.size()); }
    const std::string& file(int i) const { return files_[static_cast<std::size_t>(i)]; }
    // Index of the entry equal to path (byte-wise), or -1.
    int indexOf(const std::string& path) const;

    // Takes over another slot's directory and list.
    void copyFrom(const SampleDirectory& other);
    // No directory, no list.
    void forget();

    // The directory of a file path: everything before its last separator; a file directly
    // in the root gives the root.
    static std::string parentOf(const std::string& path);
    static std::string join(const std::string& dir, const std::string& name);

private:
    std::string directory_;
    bool hasDirectory_ = false;
    std::vector<std::string> files_;
    bool hasFileList_ = false;
};

} // namespace quovent
