// Lists the WAV files of a directory the way the user's file manager would: regular files
// (or links to them) whose names end in ".wav" in any letter case, sorted by name without
// regard to case, at most a given number. Editor thread; performs file-system I/O.
//
// Names are UTF-8. The listing itself is the backend's (platform/linux, platform/win32);
// filtering by name, sorting and the cap are shared.
#pragma once

#include <string>
#include <vector>

namespace quovent {

class DirectoryScanner {
public:
    // Names (not paths) of the WAV files in dir; empty when dir cannot be read.
    static std::vector<std::string> listWavFiles(const std::string& dir, int maxEntries);
    static bool hasWavExtension(const std::string& name);

private:
    // The backend's part: the names in dir that pass hasWavExtension and are regular files
    // or links to them, in the file system's order. Nothing when dir cannot be read.
    static std::vector<std::string> listCandidates(const std::string& dir);
};

} // namespace quovent
