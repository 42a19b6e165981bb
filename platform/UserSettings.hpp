// The one thing the instrument keeps between uses: the user's sample base directory, stored
// as UTF-8 text in $XDG_CONFIG_HOME/HalvdenLabs/SampleBase (default ~/.config/...).
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
};

} // namespace quovent
