// HKEY_CURRENT_USER redirected to a private key of the test.
#include "tests/support/IsolatedUserSettings.hpp"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace quovent::test {

namespace {

constexpr const wchar_t* kSampleBase = L"Software\\HalvdenLabs\\SampleBase";

struct Redirect {
    std::wstring name;
    HKEY root = nullptr;
};

Redirect& redirect(void* state) {
    return *static_cast<Redirect*>(state);
}

} // namespace

IsolatedUserSettings::IsolatedUserSettings(const std::filesystem::path& scratch)
    : scratch_(scratch) {
    static unsigned counter = 0;
    auto* r = new Redirect;
    r->name = L"Software\\QuoventTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++counter);
    RegDeleteTreeW(HKEY_CURRENT_USER, r->name.c_str());
    const LONG created = RegCreateKeyExW(HKEY_CURRENT_USER, r->name.c_str(), 0, nullptr, 0,
                                         KEY_ALL_ACCESS, nullptr, &r->root, nullptr);
    const LONG redirected = created == ERROR_SUCCESS
                                ? RegOverridePredefKey(HKEY_CURRENT_USER, r->root)
                                : ERROR_INVALID_HANDLE;
    if (created != ERROR_SUCCESS || redirected != ERROR_SUCCESS) {
        if (r->root != nullptr) {
            RegCloseKey(r->root);
        }
        delete r;
        throw std::runtime_error("cannot redirect HKEY_CURRENT_USER (" + std::to_string(created) +
                                 ", " + std::to_string(redirected) + ")");
    }
    state_ = r;
}

IsolatedUserSettings::~IsolatedUserSettings() {
    Redirect* r = &redirect(state_);
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegCloseKey(r->root);
    RegDeleteTreeW(HKEY_CURRENT_USER, r->name.c_str());
    delete r;
}

void IsolatedUserSettings::makeUnreadable() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(redirect(state_).root, kSampleBase, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create the sample base key");
    }
    const BYTE binary[] = {0x43, 0x00, 0x3a}; // not a text value
    RegSetValueExW(key, nullptr, 0, REG_BINARY, binary, sizeof binary);
    RegCloseKey(key);
}

void IsolatedUserSettings::blockWrites() {
    // A volatile key cannot have lasting subkeys: the stored value's key cannot be made.
    HKEY software = nullptr;
    if (RegCreateKeyExW(redirect(state_).root, L"Software", 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_READ, nullptr, &software, nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot create a volatile key");
    }
    RegCloseKey(software);
}

std::size_t IsolatedUserSettings::storedEntries() const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(redirect(state_).root, kSampleBase, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr,
                     nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return subkeys + values;
}

} // namespace quovent::test
