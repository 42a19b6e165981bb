// Points the per-user sample base at a private place for a test's lifetime, so that tests
// never read or change the user's own value and each test starts with none stored. Linux:
// XDG_CONFIG_HOME names a folder in the test's scratch directory. Windows:
// HKEY_CURRENT_USER is redirected (RegOverridePredefKey) to a private key, deleted afterwards.
// One at a time, on the test's thread.
#pragma once

#include <cstddef>
#include <filesystem>

namespace quovent::test {

class IsolatedUserSettings {
public:
    explicit IsolatedUserSettings(const std::filesystem::path& scratch);
    ~IsolatedUserSettings();
    IsolatedUserSettings(const IsolatedUserSettings&) = delete;
    IsolatedUserSettings& operator=(const IsolatedUserSettings&) = delete;

    // A stored value that exists but cannot be read as text (Linux: a folder where the
    // file goes; Windows: a binary default value).
    void makeUnreadable();
    // Storing fails from now on (Linux: the configuration folder is a file; Windows: the
    // key above the stored value is volatile, so no lasting key can be made below it).
    void blockWrites();
    // What lies beside the stored value: files in its folder, or values and subkeys of its
    // key. 1 after a clean store.
    std::size_t storedEntries() const;

private:
    std::filesystem::path scratch_;
    void* state_ = nullptr; // the backend's
};

} // namespace quovent::test
