// zenity / kdialog file dialogs.
#include "widgets/DesktopFileDialog.hpp"

#include "platform/Capacities.hpp"
#include "platform/ChildProcess.hpp"
#include "widgets/FrameWindow.hpp"

#include <sys/stat.h>

namespace quovent {
namespace {

constexpr int kPollMs = 10;

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Patterns for one extension in both letter cases, since file names on Linux are case
// sensitive and the instrument's own listing is not.
std::string patterns(const std::string& ext) {
    std::string lower;
    std::string upper;
    for (const char c : ext) {
        lower.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
        upper.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
    }
    return lower == upper ? "*." + lower : "*." + lower + " *." + upper;
}

struct Filter {
    std::string label;
    std::string patterns;
};

// One filter per type, all of them together when there are several, then any file.
std::vector<Filter> filters(const FileSelectRequest& request) {
    std::vector<Filter> out;
    std::string allLabel;
    std::string allPatterns;
    int typed = 0;
    for (const FileType& t : request.types) {
        if (t.extension.empty()) {
            continue;
        }
        out.push_back({t.name + " (*." + t.extension + ")", patterns(t.extension)});
        // Appended piece by piece: GCC 12 at -O3 takes "text" + std::string&& for an
        // overlapping copy (a false -Wrestrict alarm).
        allLabel += allLabel.empty() ? "*." : ";*.";
        allLabel += t.extension;
        if (!allPatterns.empty()) {
            allPatterns += ' ';
        }
        allPatterns += patterns(t.extension);
        ++typed;
    }
    if (typed > 1) {
        out.push_back({"All Types: (" + allLabel + ")", allPatterns});
    }
    out.push_back({"Any Type (*.*)", "*"});
    return out;
}

} // namespace

DesktopFileDialog::DesktopFileDialog(std::string program)
    : program_(std::move(program)),
      flavour_(program_.find("kdialog") != std::string::npos ? Flavour::Kdialog : Flavour::Zenity) {
}

std::vector<std::string> DesktopFileDialog::arguments(const FileSelectRequest& request) const {
    std::vector<std::string> args{program_};
    std::string start = request.initialPath;
    if (start.empty() && !request.rootPath.empty()) {
        start = request.rootPath;
    }
    const bool startIsDir = !start.empty() && isDirectory(start);
    const auto& command = request.command;
    if (flavour_ == Flavour::Zenity) {
        args.emplace_back("--file-selection");
        if (!request.title.empty()) {
            args.push_back("--title=" + request.title);
        }
        if (!start.empty()) {
            // A trailing slash makes zenity open the directory rather than preselect it.
            args.push_back("--filename=" + start + (startIsDir && start.back() != '/' ? "/" : ""));
        }
        if (command == FileSelectCommand::Directory) {
            args.emplace_back("--directory");
        } else {
            if (command == FileSelectCommand::Save) {
                args.emplace_back("--save");
            }
            if (command == FileSelectCommand::MultipleLoad) {
                args.emplace_back("--multiple");
                args.emplace_back("--separator=\n");
            }
            for (const Filter& f : filters(request)) {
                args.push_back("--file-filter=" + f.label + " | " + f.patterns);
            }
        }
        return args;
    }
    // kdialog
    if (!request.title.empty()) {
        args.emplace_back("--title");
        args.push_back(request.title);
    }
    switch (command) {
    case FileSelectCommand::Directory:
        args.emplace_back("--getexistingdirectory");
        break;
    case FileSelectCommand::Save:
        args.emplace_back("--getsavefilename");
        break;
    case FileSelectCommand::MultipleLoad:
        args.emplace_back("--multiple");
        args.emplace_back("--separate-output");
        args.emplace_back("--getopenfilename");
        break;
    case FileSelectCommand::Load:
    default:
        args.emplace_back("--getopenfilename");
        break;
    }
    args.push_back(start.empty() ? "." : start);
    if (command != FileSelectCommand::Directory) {
        std::string filter;
        for (const Filter& f : filters(request)) {
            filter += (filter.empty() ? "" : "\n") + f.patterns + "|" + f.label;
        }
        args.push_back(filter);
    }
    return args;
}

std::vector<std::string> DesktopFileDialog::parseOutput(const std::string& output, bool multiple) {
    std::vector<std::string> paths;
    std::size_t total = 0;
    std::size_t pos = 0;
    while (pos < output.size()) {
        std::size_t end = output.find('\n', pos);
        if (end == std::string::npos) {
            end = output.size();
        }
        std::string line = output.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line.front() != '/' || line.size() >= capacity::kFileSelectorPath) {
            continue;
        }
        total += line.size() + 1;
        if (total > capacity::kMultipleSelectText) {
            break;
        }
        paths.push_back(std::move(line));
        if (!multiple) {
            break;
        }
    }
    return paths;
}

std::optional<int> DesktopFileDialog::runProgram(FrameWindow& frame,
                                                 const std::vector<std::string>& argv,
                                                 std::string* output) {
    FrameWindow::BusyScope busy(frame);
    FrameWindow::InputBlock block(frame);
    platform::ChildProcess child;
    child.setOutputLimit(capacity::kMultipleSelectText + capacity::kFileSelectorPath);
    if (frame.isClosing() || !child.start(argv)) {
        return std::nullopt;
    }
    while (child.poll()) {
        if (frame.isClosing()) {
            child.kill();
            return -1;
        }
        frame.windowSystem().serveEvents();
        frame.doIdle();
        frame.windowSystem().sleep(kPollMs);
    }
    if (output != nullptr) {
        *output = child.output();
    }
    return child.exitCode();
}

std::optional<std::vector<std::string>> DesktopFileDialog::run(FrameWindow& frame,
                                                               const FileSelectRequest& request) {
    std::string output;
    const std::optional<int> status = runProgram(frame, arguments(request), &output);
    if (!status) {
        return std::nullopt;
    }
    switch (*status) {
    case 0:
        return parseOutput(output, request.command == FileSelectCommand::MultipleLoad);
    case 1:  // cancelled
    case -1: // the editor closed meanwhile
        return std::vector<std::string>{};
    default:
        return std::nullopt; // the program failed (no display, bad arguments...)
    }
}

} // namespace quovent
