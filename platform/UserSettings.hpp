// The one thing the instrument keeps between uses: the user's sample base directory.
// Linux keeps it as UTF-8 text in $XDG_CONFIG_HOME/HalvdenLabs/SampleBase (default
// ~/.config/...); Windows as the default value (REG_SZ) of the registry key
// HKEY_CURRENT_USER\Software\HalvdenLabs\SampleBase. Editor thread; performs I/O.
#pragma once

#include <string>

namespace quovent {

class UserSettings {
public:
    enum class ReadResult { Found, Missing, Unreadable };

    // Where the sample base is stored, for messages and tests: the file's path (empty when
    // no home directory can be found), or the registry key's full name.
    static std::string sampleBaseFile();

    // Missing: no stored value (no file or key, or an empty value). Unreadable: it exists
    // but cannot be read as text. Found: value holds the path (one line, without its line
    // end), UTF-8.
    static ReadResult readSampleBase(std::string& value);

    // Stores the value so that a crash never leaves half a path (Linux: temporary file,
    // then rename; Windows: one registry write), creating what is missing on the way.
    // False on any failure.
    static bool writeSampleBase(const std::string& value);
};

} // namespace quovent
