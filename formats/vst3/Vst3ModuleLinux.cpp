// The Linux module's only exports (formats/vst3/exports.map): the factory, and the entry and
// exit a Linux host calls right after loading and before unloading the library.
#include "formats/vst3/Vst3Module.hpp"

#define QUOVENT_VST3_EXPORT extern "C" __attribute__((visibility("default")))

QUOVENT_VST3_EXPORT quovent::vst3::IPluginFactory* GetPluginFactory() {
    return quovent::Vst3Module::factory();
}

QUOVENT_VST3_EXPORT bool ModuleEntry(void* /*sharedLibraryHandle*/) {
    return quovent::Vst3Module::enter();
}

QUOVENT_VST3_EXPORT bool ModuleExit() {
    return quovent::Vst3Module::exit();
}
