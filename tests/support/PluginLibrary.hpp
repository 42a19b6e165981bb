// The plug-in library loaded the way a host of this platform loads it: dlopen and dlsym on
// Linux, LoadLibraryW and GetProcAddress on Windows. Unloaded when destroyed.
#pragma once

#include <string>

namespace quovent::test {

class PluginLibrary {
public:
    // Throws std::runtime_error, with the system's reason, when the library cannot be loaded.
    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // The exported function of that name, or null.
    void* symbol(const char* name) const;
    // The system's handle of the loaded library (what dlopen or LoadLibraryW answered).
    void* handle() const noexcept { return handle_; }

private:
    void* handle_ = nullptr;
};

} // namespace quovent::test
