// What the instrument keeps between uses, per user: the sample base directory and the
// editor's zoom. Each is one value of its own, stored as UTF-8 text in a file under
// $XDG_CONFIG_HOME/HalvdenLabs/ (default ~/.config/...): SampleBase and Zoom. A backend
// with a registry keeps them as values under HKCU\Software\HalvdenLabs instead.
// Editor thread; performs file I/O.
#pragma once

#include <string>

namespace quovent {

class UserSettings {
public:
    enum class ReadResult { Found, Missing, Unreadable };

    // Where the sample base is stored; empty when no home directory can be found.
    static std::string sampleBaseFile();

    // Missing: no stored value (no file, or an empty one). Unreadable: something is there
    // but cannot be read (no permission, not a regular file, over 64 KiB, a folder on the
    // way that cannot be searched). Found: value holds the path (one line, without its
    // line end).
    static ReadResult readSampleBase(std::string& value);

    // Writes atomically (temporary file in the same directory, then rename), creating the
    // directories as needed, so a crash never leaves half a path. False on any failure.
    static bool writeSampleBase(const std::string& value);

    // Where the zoom is stored; empty when no home directory can be found.
    static std::string zoomFile();
    // The editor's zoom in percent as the user chose it. Missing also covers a stored text
    // that is not a whole number from 25 to 800 (a hand-edited file): the editor then
    // follows the desktop.
    static ReadResult readZoom(int& percent);
    // Stores the zoom as writeSampleBase stores its value. False on any failure.
    static bool writeZoom(int percent);
};

} // namespace quovent
