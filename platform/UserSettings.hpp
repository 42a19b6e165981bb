// What the instrument keeps between uses, per user: the sample base directory and the
// editor's zoom. Linux keeps each as UTF-8 text in a file of its own under
// $XDG_CONFIG_HOME/HalvdenLabs/ (default ~/.config/...): SampleBase and Zoom. Windows keeps
// each as the default value of a registry key of its own: the sample base as REG_SZ under
// HKEY_CURRENT_USER\Software\HalvdenLabs\SampleBase, the zoom as REG_DWORD under
// HKEY_CURRENT_USER\Software\HalvdenLabs\Zoom. Editor thread; performs I/O.
#pragma once

#include <string>

namespace quovent {

class UserSettings {
public:
    enum class ReadResult { Found, Missing, Unreadable };

    // Where the sample base is stored, for messages and tests: the file's path (empty when
    // no home directory can be found), or the registry key's full name.
    static std::string sampleBaseFile();

    // Missing: no stored value (no file or key, or an empty value). Unreadable: something
    // is there but cannot be read as text (no permission, not a regular file, over 64 KiB,
    // a folder on the way that cannot be searched; a registry value that is not text).
    // Found: value holds the path (one line, without its line end), UTF-8.
    static ReadResult readSampleBase(std::string& value);

    // Stores the value so that a crash never leaves half a path (Linux: temporary file in
    // the same directory, then rename; Windows: one registry write), creating what is
    // missing on the way. False on any failure.
    static bool writeSampleBase(const std::string& value);

    // Where the zoom is stored, as for the sample base.
    static std::string zoomFile();
    // The editor's zoom in percent as the user chose it. Missing also covers a stored value
    // that is not a whole number from 25 to 800 (a hand-edited file or value): the editor
    // then follows the desktop.
    static ReadResult readZoom(int& percent);
    // Stores the zoom as writeSampleBase stores its value. False on any failure.
    static bool writeZoom(int percent);
};

} // namespace quovent
