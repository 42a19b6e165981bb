// Linux hosts call ModuleEntry with the library's handle right after loading it, and
// ModuleExit right before unloading it; both are required.
#include "tests/support/Vst3TestHost.hpp"

namespace quovent::test {

bool enterVst3Module(const PluginLibrary& library) {
    auto* entry = reinterpret_cast<vst3::ModuleEntryProc>(library.symbol("ModuleEntry"));
    return entry != nullptr && entry(library.handle());
}

bool exitVst3Module(const PluginLibrary& library) {
    auto* exit = reinterpret_cast<vst3::ModuleExitProc>(library.symbol("ModuleExit"));
    return exit != nullptr && exit();
}

} // namespace quovent::test
