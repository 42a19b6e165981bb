// The host file selector record: built from a request, read back defensively.
#include "formats/vst2/HostFileSelection.hpp"

#include <algorithm>
#include <cstring>

namespace quovent {

namespace {

// Copies text into a fixed field, cut so that the terminating zero always fits.
template <std::size_t N> void copyText(char (&field)[N], const std::string& text) {
    const std::size_t n = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

std::int32_t commandOf(FileSelectCommand command) {
    switch (command) {
    case FileSelectCommand::Save:
        return vst::kVstFileSave;
    case FileSelectCommand::MultipleLoad:
        return vst::kVstMultipleFilesLoad;
    case FileSelectCommand::Directory:
        return vst::kVstDirectorySelect;
    case FileSelectCommand::Load:
        break;
    }
    return vst::kVstFileLoad;
}

// A text the host allocated: we cannot know its size, so at most one path's worth is read.
std::string hostText(const char* text) {
    if (text == nullptr) {
        return {};
    }
    const std::size_t n = strnlen(text, capacity::kFileSelectorPath - 1);
    return {text, n};
}

} // namespace

HostFileSelection::HostFileSelection(const FileSelectRequest& request) {
    record_.command = commandOf(request.command);
    record_.type = vst::kVstFileType;
    record_.macCreator = 0;
    types_.resize(request.types.size());
    for (std::size_t i = 0; i < request.types.size(); ++i) {
        vst::VstFileType& t = types_[i];
        copyText(t.name, request.types[i].name);
        copyText(t.macType, request.types[i].extension);
        copyText(t.dosType, request.types[i].extension);
        copyText(t.unixType, request.types[i].extension);
    }
    record_.nbFileTypes = static_cast<std::int32_t>(types_.size());
    record_.fileTypes = types_.empty() ? nullptr : types_.data();
    copyText(record_.title, request.title);
    if (!request.initialPath.empty()) {
        const std::size_t n = std::min(request.initialPath.size(), initialPath_.size() - 1);
        std::memcpy(initialPath_.data(), request.initialPath.data(), n);
        record_.initialPath = initialPath_.data();
    }
    // A multiple load comes back in returnMultiplePaths, which the host allocates; every
    // other command writes one path into our buffer.
    if (record_.command != vst::kVstMultipleFilesLoad) {
        record_.returnPath = returnPath_.data();
        record_.sizeReturnPath = static_cast<std::intptr_t>(returnPath_.size());
    }
}

std::vector<std::string> HostFileSelection::results(bool answered) const {
    std::vector<std::string> paths;
    if (!answered) {
        return paths;
    }
    if (record_.command == vst::kVstMultipleFilesLoad) {
        const std::int32_t count = std::min(record_.nbReturnPath, kMaxPaths);
        if (record_.returnMultiplePaths == nullptr) {
            return paths;
        }
        for (std::int32_t i = 0; i < count; ++i) {
            std::string path = hostText(record_.returnMultiplePaths[i]);
            if (!path.empty()) {
                paths.push_back(std::move(path));
            }
        }
        return paths;
    }
    std::string path;
    if (record_.returnPath == returnPath_.data()) {
        // Our buffer: the host may have filled it to the last byte without a zero.
        path.assign(returnPath_.data(), strnlen(returnPath_.data(), returnPath_.size() - 1));
    } else {
        path = hostText(record_.returnPath); // the host replaced the pointer
    }
    if (!path.empty()) {
        paths.push_back(std::move(path));
    }
    return paths;
}

} // namespace quovent
