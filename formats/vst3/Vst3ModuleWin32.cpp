// The Windows module's only exports (formats/vst3/quovent-vst3.def, undecorated names): the
// factory, and the optional entry and exit a Windows host may call right after loading and
// before unloading the DLL.
#include "formats/vst3/Vst3Module.hpp"

extern "C" quovent::vst3::IPluginFactory* QUOVENT_VST3_CALL GetPluginFactory() {
    return quovent::Vst3Module::factory();
}

extern "C" bool QUOVENT_VST3_CALL InitDll() {
    return quovent::Vst3Module::enter();
}

extern "C" bool QUOVENT_VST3_CALL ExitDll() {
    return quovent::Vst3Module::exit();
}
