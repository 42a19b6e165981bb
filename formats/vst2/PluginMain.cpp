#include "formats/vst2/PluginMain.hpp"

#include "formats/vst2/Vst2Plugin.hpp"

#include <memory>
#include <new>

namespace quovent {

vst::AEffect* pluginMain(vst::HostCallback hostCallback) noexcept {
    if (hostCallback != nullptr &&
        hostCallback(nullptr, vst::audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) {
        return nullptr; // the host refuses: nothing is created
    }
    // Nothing may cross the boundary as an exception; a partly built instance is freed.
    try {
        auto plugin = std::make_unique<Vst2Plugin>(hostCallback);
        return plugin.release()->getAeffect(); // owned by the host until effClose
    } catch (...) {
        return nullptr;
    }
}

} // namespace quovent
