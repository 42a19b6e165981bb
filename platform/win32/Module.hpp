// The DLL's module handle, kept from the load notification (DllMain). Whatever the DLL
// loads from its own image (bitmap resources, the window class of the editor) goes through
// it. Written once while the library loads; read from any thread afterwards.
#pragma once

#include <windows.h>

namespace quovent::platform::win32 {

class Module {
public:
    static void setHandle(HMODULE module) noexcept;
    // Null before the library's load notification (in programs that link the code directly).
    static HMODULE handle() noexcept;
};

} // namespace quovent::platform::win32
