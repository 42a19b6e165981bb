// Directory listing, filtering and choosing for the built-in file dialog.
#include "widgets/FileDialogModel.hpp"

#include "platform/Capacities.hpp"

#include <algorithm>
#include <cstdlib>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

namespace quovent {
namespace {

bool isDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string parentOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) {
        return "/";
    }
    return path.substr(0, slash);
}

std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

std::string homeDirectory() {
    const char* home = std::getenv("HOME"); // NOLINT: read once on the editor thread
    if (home != nullptr && home[0] == '/' && isDirectory(home)) {
        return withoutTrailingSlash(home);
    }
    return "/";
}

} // namespace

FileDialogModel::FileDialogModel(const FileSelectRequest& request)
    : command_(request.command), root_(withoutTrailingSlash(request.rootPath)) {
    // Filters: one per type, all of them together when there are several, then any file.
    std::vector<std::string> all;
    std::string allPatterns;
    for (const FileType& type : request.types) {
        if (type.extension.empty()) {
            continue;
        }
        filters_.push_back({type.name + " (*." + type.extension + ")", {type.extension}});
        all.push_back(type.extension);
        allPatterns += (allPatterns.empty() ? "*." : ";*.") + type.extension;
    }
    if (all.size() > 1) {
        filters_.push_back({"All Types: (" + allPatterns + ")", all});
    }
    filters_.push_back({"Any Type (*.*)", {}});

    std::string start = withoutTrailingSlash(request.initialPath);
    if (!start.empty() && start.front() == '/' && !isDirectory(start)) {
        // A file named in the request: start in its directory with its name typed in.
        if (command_ == FileSelectCommand::Save) {
            name_ = start.substr(start.find_last_of('/') + 1);
        }
        start = parentOf(start);
    }
    if (start.empty() || start.front() != '/' || !isDirectory(start) || !insideRoot(start)) {
        start = !root_.empty() && isDirectory(root_) ? root_ : homeDirectory();
    }
    if (!enter(start)) {
        directory_ = start;
    }
}

bool FileDialogModel::insideRoot(const std::string& path) const {
    return isInside(path, root_);
}

bool FileDialogModel::isInside(const std::string& path, const std::string& rootPath) {
    const std::string root = withoutTrailingSlash(rootPath);
    if (root.empty() || root == "/") {
        return true;
    }
    return path == root ||
           (path.size() > root.size() && path.starts_with(root) && path[root.size()] == '/');
}

bool FileDialogModel::matches(const std::string& name, const std::vector<std::string>& exts) {
    if (exts.empty()) {
        return true;
    }
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) {
        return false;
    }
    const char* ext = name.c_str() + dot + 1;
    return std::any_of(exts.begin(), exts.end(),
                       [ext](const std::string& e) { return ::strcasecmp(ext, e.c_str()) == 0; });
}

std::string FileDialogModel::join(const std::string& dir, const std::string& name) {
    if (dir.empty() || dir.back() == '/') {
        return dir + name;
    }
    return dir + "/" + name;
}

bool FileDialogModel::list(const std::string& path, std::vector<Entry>& out) const {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) {
        return false;
    }
    const std::vector<std::string>& exts =
        filters_.at(static_cast<std::size_t>(filter_)).extensions;
    while (const dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name.empty() || name.front() == '.') {
            continue; // ".", ".." and hidden entries
        }
        if (static_cast<int>(out.size()) >= capacity::kDialogEntries) {
            break;
        }
        const bool directory = isDirectory(join(path, name));
        if (directory || (command_ != FileSelectCommand::Directory && matches(name, exts))) {
            out.push_back({name, directory});
        }
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) {
        if (a.directory != b.directory) {
            return a.directory;
        }
        const int c = ::strcasecmp(a.name.c_str(), b.name.c_str());
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return true;
}

bool FileDialogModel::enter(const std::string& path) {
    const std::string target = withoutTrailingSlash(path);
    if (!insideRoot(target)) {
        return false;
    }
    std::vector<Entry> listing;
    if (!list(target, listing)) {
        return false;
    }
    directory_ = target;
    entries_ = std::move(listing);
    selected_ = -1;
    marked_.clear();
    return true;
}

bool FileDialogModel::canGoUp() const {
    return directory_ != "/" && !(root_.size() > 1 && directory_ == root_);
}

bool FileDialogModel::up() {
    if (!canGoUp()) {
        return false;
    }
    const std::string from = directory_.substr(directory_.find_last_of('/') + 1);
    if (!enter(parentOf(directory_))) {
        return false;
    }
    // Select the directory we came from, as file managers do.
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].directory && entries_[i].name == from) {
            select(static_cast<int>(i));
            break;
        }
    }
    return true;
}

void FileDialogModel::refresh() {
    const std::string name =
        selected_ >= 0 ? entries_[static_cast<std::size_t>(selected_)].name : std::string();
    if (!enter(directory_)) {
        entries_.clear();
        selected_ = -1;
        marked_.clear();
        return;
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (entries_[i].name == name) {
            select(static_cast<int>(i));
        }
    }
}

void FileDialogModel::setFilter(int index) {
    if (index < 0 || index >= static_cast<int>(filters_.size()) || index == filter_) {
        return;
    }
    filter_ = index;
    refresh();
}

void FileDialogModel::select(int index, bool toggle) {
    if (index < 0 || index >= static_cast<int>(entries_.size())) {
        selected_ = -1;
        marked_.clear();
        return;
    }
    const Entry& e = entries_[static_cast<std::size_t>(index)];
    if (toggle && command_ == FileSelectCommand::MultipleLoad && !e.directory) {
        if (!marked_.erase(index)) {
            marked_.insert(index);
        }
    } else {
        marked_.clear();
        marked_.insert(index);
    }
    selected_ = index;
    if (!e.directory && command_ != FileSelectCommand::Directory) {
        name_ = e.name;
    }
}

void FileDialogModel::setName(std::string name) {
    name_ = std::move(name);
}

bool FileDialogModel::choose(std::vector<std::string> paths) {
    std::size_t total = 0;
    for (const std::string& p : paths) {
        if (p.size() >= capacity::kFileSelectorPath) {
            return false; // would not fit the request's path buffer
        }
        total += p.size() + 1;
    }
    if (paths.empty() || total > capacity::kMultipleSelectText) {
        return false;
    }
    results_ = std::move(paths);
    return true;
}

bool FileDialogModel::activate() {
    if (selected_ < 0) {
        return accept();
    }
    const Entry& e = entries_[static_cast<std::size_t>(selected_)];
    if (e.directory) {
        enter(join(directory_, e.name));
        return false;
    }
    return accept();
}

bool FileDialogModel::accept() {
    switch (command_) {
    case FileSelectCommand::Directory:
        if (selected_ >= 0 && entries_[static_cast<std::size_t>(selected_)].directory) {
            return choose({join(directory_, entries_[static_cast<std::size_t>(selected_)].name)});
        }
        return choose({directory_});
    case FileSelectCommand::Save: {
        if (name_.empty() || name_.find('/') != std::string::npos || name_ == "." ||
            name_ == "..") {
            return false;
        }
        const std::string path = join(directory_, name_);
        if (isDirectory(path)) {
            enter(path); // a directory's name typed in opens it
            return false;
        }
        return choose({path});
    }
    case FileSelectCommand::MultipleLoad: {
        std::vector<std::string> paths;
        for (int i : marked_) {
            const Entry& e = entries_[static_cast<std::size_t>(i)];
            if (!e.directory) {
                paths.push_back(join(directory_, e.name));
            }
        }
        return choose(std::move(paths));
    }
    case FileSelectCommand::Load:
    default:
        if (selected_ >= 0 && !entries_[static_cast<std::size_t>(selected_)].directory) {
            return choose({join(directory_, entries_[static_cast<std::size_t>(selected_)].name)});
        }
        return false;
    }
}

} // namespace quovent
