// Windows hosts call InitDll right after loading the DLL and ExitDll right before unloading
// it, when the DLL exports them (both are optional there).
#include "tests/support/Vst3TestHost.hpp"

namespace quovent::test {

bool enterVst3Module(const PluginLibrary& library) {
    auto* init = reinterpret_cast<vst3::InitDllProc>(library.symbol("InitDll"));
    return init == nullptr || init();
}

bool exitVst3Module(const PluginLibrary& library) {
    auto* exit = reinterpret_cast<vst3::ExitDllProc>(library.symbol("ExitDll"));
    return exit == nullptr || exit();
}

} // namespace quovent::test
