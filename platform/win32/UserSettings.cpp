// The per-user settings as default values of keys under HKEY_CURRENT_USER\Software\HalvdenLabs:
// the sample base (REG_SZ) under SampleBase, the zoom (REG_DWORD) under Zoom. Read and written
// with the wide registry calls: the ANSI ones would turn every character outside the
// system's code page into '?', and the path would name another directory.
#include "platform/UserSettings.hpp"

#include "platform/win32/WideText.hpp"

#include <windows.h>

#include <vector>

namespace quovent {

namespace {

using platform::win32::WideText;

constexpr const wchar_t* kSampleBaseKey = L"Software\\HalvdenLabs\\SampleBase";
constexpr const wchar_t* kZoomKey = L"Software\\HalvdenLabs\\Zoom";
constexpr const char* kKeyPrefix = "HKEY_CURRENT_USER\\Software\\HalvdenLabs\\";
constexpr DWORD kMaxValueBytes = 64 * 1024; // a path, never a large value
// Zooms a stored value may name, in percent; the editor picks among its own offers.
constexpr DWORD kLowestZoom = 25;
constexpr DWORD kHighestZoom = 800;
constexpr int kReadAttempts = 4; // the value may grow between size query and read

class Key {
public:
    explicit Key(HKEY key) : key_(key) {}
    ~Key() { RegCloseKey(key_); }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_;
};

// A REG_EXPAND_SZ value written by hand ("%USERPROFILE%\Samples") names the expanded path.
std::optional<std::wstring> expand(const std::wstring& text) {
    const DWORD units = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (units == 0) {
        return std::nullopt;
    }
    std::wstring expanded(units, L'\0');
    if (ExpandEnvironmentStringsW(text.c_str(), expanded.data(), units) != units) {
        return std::nullopt;
    }
    expanded.resize(units - 1);
    return expanded;
}

UserSettings::ReadResult readDefaultValue(HKEY key, std::wstring& text) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        DWORD type = 0;
        DWORD bytes = 0;
        LSTATUS status = RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &bytes);
        if (status == ERROR_FILE_NOT_FOUND) {
            return UserSettings::ReadResult::Missing; // the key has no default value
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) ||
            bytes > kMaxValueBytes) {
            return UserSettings::ReadResult::Unreadable;
        }
        // Room for a terminating zero the value may lack.
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD read = bytes;
        status = RegQueryValueExW(key, nullptr, nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &read);
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
            return UserSettings::ReadResult::Unreadable;
        }
        // The text ends at its first zero; a value stored without one ends with its bytes.
        std::wstring value(buffer.data(), read / sizeof(wchar_t));
        value.resize(value.find(L'\0') == std::wstring::npos ? value.size() : value.find(L'\0'));
        if (type == REG_EXPAND_SZ) {
            std::optional<std::wstring> expanded = expand(value);
            if (!expanded) {
                return UserSettings::ReadResult::Unreadable;
            }
            value = std::move(*expanded);
        }
        text = std::move(value);
        return UserSettings::ReadResult::Found;
    }
    return UserSettings::ReadResult::Unreadable;
}

// Opens a key for reading only: a key the user may read but not change still gives its value.
HKEY openForReading(const wchar_t* path) {
    HKEY opened = nullptr;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &opened) == ERROR_SUCCESS
               ? opened
               : nullptr;
}

// Stores the default value of a key, creating the key (and those above it) when missing.
bool writeDefaultValue(const wchar_t* path, DWORD type, const void* data, DWORD bytes) {
    HKEY created = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, &created, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const Key key(created);
    return RegSetValueExW(key.get(), nullptr, 0, type, static_cast<const BYTE*>(data), bytes) ==
           ERROR_SUCCESS;
}

} // namespace

std::string UserSettings::sampleBaseFile() {
    return std::string(kKeyPrefix) + "SampleBase";
}

UserSettings::ReadResult UserSettings::readSampleBase(std::string& value) {
    HKEY opened = openForReading(kSampleBaseKey);
    if (opened == nullptr) {
        return ReadResult::Missing;
    }
    const Key key(opened);
    std::wstring text;
    const ReadResult result = readDefaultValue(key.get(), text);
    if (result != ReadResult::Found) {
        return result;
    }
    const std::optional<std::string> utf8 = WideText::toUtf8(text);
    if (!utf8) {
        return ReadResult::Unreadable;
    }
    const auto end = utf8->find_first_of("\r\n");
    std::string line = utf8->substr(0, end);
    if (line.empty()) {
        return ReadResult::Missing;
    }
    value = std::move(line);
    return ReadResult::Found;
}

bool UserSettings::writeSampleBase(const std::string& value) {
    const std::optional<std::wstring> wide = WideText::fromUtf8(value);
    if (!wide || wide->find(L'\0') != std::wstring::npos) {
        return false;
    }
    const DWORD bytes = static_cast<DWORD>((wide->size() + 1) * sizeof(wchar_t));
    return writeDefaultValue(kSampleBaseKey, REG_SZ, wide->c_str(), bytes);
}

std::string UserSettings::zoomFile() {
    return std::string(kKeyPrefix) + "Zoom";
}

UserSettings::ReadResult UserSettings::readZoom(int& percent) {
    HKEY opened = openForReading(kZoomKey);
    if (opened == nullptr) {
        return ReadResult::Missing;
    }
    const Key key(opened);
    DWORD type = 0;
    DWORD zoom = 0;
    DWORD bytes = sizeof zoom;
    const LSTATUS status = RegQueryValueExW(key.get(), nullptr, nullptr, &type,
                                            reinterpret_cast<BYTE*>(&zoom), &bytes);
    if (status == ERROR_FILE_NOT_FOUND) {
        return ReadResult::Missing;
    }
    if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
        return ReadResult::Unreadable;
    }
    // Anything but a number in range (another type, a hand-made value) means no choice.
    if (status != ERROR_SUCCESS || type != REG_DWORD || bytes != sizeof zoom ||
        zoom < kLowestZoom || zoom > kHighestZoom) {
        return ReadResult::Missing;
    }
    percent = static_cast<int>(zoom);
    return ReadResult::Found;
}

bool UserSettings::writeZoom(int percent) {
    if (percent < static_cast<int>(kLowestZoom) || percent > static_cast<int>(kHighestZoom)) {
        return false;
    }
    const DWORD zoom = static_cast<DWORD>(percent);
    return writeDefaultValue(kZoomKey, REG_DWORD, &zoom, sizeof zoom);
}

} // namespace quovent
