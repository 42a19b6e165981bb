// The library's two entry points: lv2_descriptor (the plug-in) and lv2ui_descriptor (its
// editor). They and the functions they hand out are the only way in; every call is passed to
// the instance and nothing thrown leaves the library.
#include "formats/lv2/Plugin.hpp"
#include "formats/lv2/PluginUris.hpp"
#include "formats/lv2/Ui.hpp"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/ui/ui.h>
#include <lv2/worker/worker.h>

#include <cstring>

namespace quovent::lv2 {
namespace {

Plugin* self(LV2_Handle handle) noexcept {
    return static_cast<Plugin*>(handle);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*,
                       const LV2_Feature* const* features) {
    try {
        return Plugin::create(rate, features).release();
    } catch (...) {
        return nullptr;
    }
}

void connectPort(LV2_Handle handle, std::uint32_t port, void* data) {
    self(handle)->connectPort(port, data);
}

void activate(LV2_Handle handle) {
    self(handle)->activate();
}

void run(LV2_Handle handle, std::uint32_t frames) {
    self(handle)->run(frames);
}

void deactivate(LV2_Handle) {}

void cleanup(LV2_Handle handle) {
    delete self(handle);
}

LV2_Worker_Status work(LV2_Handle handle, LV2_Worker_Respond_Function respond,
                       LV2_Worker_Respond_Handle respondHandle, std::uint32_t size,
                       const void* data) {
    try {
        return self(handle)->work(respond, respondHandle, size, data);
    } catch (...) {
        return LV2_WORKER_ERR_UNKNOWN;
    }
}

LV2_Worker_Status workResponse(LV2_Handle handle, std::uint32_t size, const void* data) {
    return self(handle)->workResponse(size, data);
}

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store,
                      LV2_State_Handle stateHandle, std::uint32_t,
                      const LV2_Feature* const* features) {
    try {
        return self(handle)->save(store, stateHandle, features);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve,
                         LV2_State_Handle stateHandle, std::uint32_t,
                         const LV2_Feature* const* features) {
    try {
        return self(handle)->restore(retrieve, stateHandle, features);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

const LV2_Worker_Interface kWorker = {work, workResponse, nullptr};
const LV2_State_Interface kState = {save, restore};

const void* extensionData(const char* uri) {
    if (uri == nullptr) {
        return nullptr;
    }
    if (std::strcmp(uri, LV2_WORKER__interface) == 0) {
        return &kWorker;
    }
    if (std::strcmp(uri, LV2_STATE__interface) == 0) {
        return &kState;
    }
    return nullptr;
}

const LV2_Descriptor kDescriptor = {PluginUris::kPlugin.data(),
                                    instantiate,
                                    connectPort,
                                    activate,
                                    run,
                                    deactivate,
                                    cleanup,
                                    extensionData};

LV2UI_Handle instantiateUi(const LV2UI_Descriptor*, const char*, const char*,
                           LV2UI_Write_Function write, LV2UI_Controller controller,
                           LV2UI_Widget* widget, const LV2_Feature* const* features) {
    try {
        return Ui::create(write, controller, widget, features).release();
    } catch (...) {
        return nullptr;
    }
}

void cleanupUi(LV2UI_Handle handle) {
    delete static_cast<Ui*>(handle);
}

int idleUi(LV2UI_Handle handle) {
    try {
        return static_cast<Ui*>(handle)->idle();
    } catch (...) {
        return 1;
    }
}

const LV2UI_Idle_Interface kIdle = {idleUi};

const void* uiExtensionData(const char* uri) {
    if (uri != nullptr && std::strcmp(uri, LV2_UI__idleInterface) == 0) {
        return &kIdle;
    }
    return nullptr;
}

// No port_event: control port changes reach the editor through the instrument, which run()
// hands them to; the editor's next idle shows them.
const LV2UI_Descriptor kUiDescriptor = {PluginUris::kUi.data(), instantiateUi, cleanupUi, nullptr,
                                        uiExtensionData};

} // namespace
} // namespace quovent::lv2

extern "C" {

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index) {
    return index == 0 ? &quovent::lv2::kDescriptor : nullptr;
}

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(std::uint32_t index) {
    return index == 0 ? &quovent::lv2::kUiDescriptor : nullptr;
}

} // extern "C"
