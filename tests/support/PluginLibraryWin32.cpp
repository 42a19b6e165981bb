// Loading with LoadLibraryW, as Windows hosts do. The path is UTF-8 and goes to the system
// as UTF-16, so a plug-in folder with any name works.
#include "tests/support/PluginLibrary.hpp"

#include <windows.h>

#include <stdexcept>

namespace quovent::test {

namespace {
std::wstring widen(const std::string& text) {
    const int units =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    return wide;
}
} // namespace

PluginLibrary::PluginLibrary(const std::string& path) {
    HMODULE module = LoadLibraryW(widen(path).c_str());
    if (module == nullptr) {
        // 193 (ERROR_BAD_EXE_FORMAT) is a library of the other bitness.
        throw std::runtime_error("cannot load " + path + ": error " +
                                 std::to_string(GetLastError()));
    }
    handle_ = module;
}

PluginLibrary::~PluginLibrary() {
    FreeLibrary(static_cast<HMODULE>(handle_));
}

void* PluginLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

} // namespace quovent::test
