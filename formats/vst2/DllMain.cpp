// The Windows DLL's load notification: keeps the module handle, through which the editor's
// window will find its resources. Compiled into the DLL only.
#include "platform/win32/Module.hpp"

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        quovent::platform::win32::Module::setHandle(instance);
    }
    return TRUE;
}
