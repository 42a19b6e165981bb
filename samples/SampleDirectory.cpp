#include "samples/SampleDirectory.hpp"

#include "platform/DirectoryScanner.hpp"
#include "platform/Paths.hpp"

namespace quovent {

bool SampleDirectory::setDirectory(const std::string& dir) {
    if (dir.empty() || dir.size() > kMaxDirectoryLength) {
        return false;
    }
    directory_ = dir;
    hasDirectory_ = true;
    return true;
}

std::string SampleDirectory::join(const std::string& dir, const std::string& name) {
    return paths::join(dir, name);
}

std::string SampleDirectory::parentOf(const std::string& path) {
    return paths::parentOf(path);
}

int SampleDirectory::scan() {
    files_.clear();
    hasFileList_ = false;
    if (!hasDirectory_) {
        return 0;
    }
    files_.reserve(static_cast<std::size_t>(kMaxEntries));
    for (const auto& name : DirectoryScanner::listWavFiles(directory_, kMaxEntries)) {
        std::string path = join(directory_, name);
        if (path.size() <= kMaxEntryLength) {
            files_.push_back(std::move(path));
        }
    }
    hasFileList_ = !files_.empty();
    return fileCount();
}

int SampleDirectory::indexOf(const std::string& path) const {
    for (int i = 0; i < fileCount(); ++i) {
        if (file(i) == path) {
            return i;
        }
    }
    return -1;
}

void SampleDirectory::copyFrom(const SampleDirectory& other) {
    directory_ = other.directory_;
    hasDirectory_ = other.hasDirectory_;
    files_ = other.files_;
    hasFileList_ = other.hasFileList_;
}

void SampleDirectory::forget() {
    directory_.clear();
    hasDirectory_ = false;
    files_.clear();
    hasFileList_ = false;
}

} // namespace quovent
