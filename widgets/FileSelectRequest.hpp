// One file selection: what to choose, where to start, which file types to offer, and the
// chosen paths. Mirrors the meaning of the plug-in interface's file selector record without
// its fixed buffers; the host binding converts between the two.
#pragma once

#include <string>
#include <vector>

namespace quovent {

enum class FileSelectCommand { Load = 0, Save = 1, MultipleLoad = 2, Directory = 3 };

struct FileType {
    std::string name;      // "Wave file"
    std::string extension; // "wav", without the dot
};

struct FileSelectRequest {
    FileSelectCommand command = FileSelectCommand::Load;
    std::string title;
    std::string initialPath; // directory to start in (or a file in it); empty: the home folder
    std::vector<FileType> types;
    // When set, the built-in dialog does not go above this directory.
    std::string rootPath;
    // Filled by the selector: the chosen paths, one for a load, a save or a directory.
    std::vector<std::string> results;
};

} // namespace quovent
