#include "formats/clap/ClapRecords.hpp"

#include "formats/clap/ClapAbiExtensions.hpp"
#include "formats/clap/ClapCapacities.hpp"
#include "formats/clap/ClapGui.hpp"
#include "formats/clap/ClapParameters.hpp"
#include "formats/clap/ClapPlugin.hpp"
#include "instrument/PluginInfo.hpp"

#include <cstring>

namespace quovent {

namespace {

using clap::Plugin;

ClapPlugin* self(const Plugin* plugin) noexcept {
    return ClapPlugin::of(plugin);
}

ClapGui* gui(const Plugin* plugin) noexcept {
    ClapPlugin* p = self(plugin);
    return p != nullptr ? p->gui() : nullptr;
}

void copyName(std::string_view name, char (&out)[clap::kNameSize]) noexcept {
    const std::size_t n = std::min(name.size(), sizeof(out) - 1);
    std::memcpy(out, name.data(), n);
    out[n] = '\0';
}

// ---- The plug-in record ----------------------------------------------------------------------

bool QUOVENT_CLAP_CALL init(const Plugin* plugin) {
    ClapPlugin* p = self(plugin);
    return p != nullptr && p->init();
}

void QUOVENT_CLAP_CALL destroy(const Plugin* plugin) {
    delete self(plugin);
}

bool QUOVENT_CLAP_CALL activate(const Plugin* plugin, double rate, std::uint32_t /*minFrames*/,
                                std::uint32_t /*maxFrames*/) {
    ClapPlugin* p = self(plugin);
    return p != nullptr && p->activate(rate);
}

void QUOVENT_CLAP_CALL deactivate(const Plugin* plugin) {
    if (ClapPlugin* p = self(plugin)) {
        p->deactivate();
    }
}

bool QUOVENT_CLAP_CALL startProcessing(const Plugin* plugin) {
    ClapPlugin* p = self(plugin);
    if (p != nullptr) {
        p->setProcessing(true);
    }
    return p != nullptr;
}

void QUOVENT_CLAP_CALL stopProcessing(const Plugin* plugin) {
    if (ClapPlugin* p = self(plugin)) {
        p->setProcessing(false);
    }
}

void QUOVENT_CLAP_CALL reset(const Plugin* plugin) {
    if (ClapPlugin* p = self(plugin)) {
        p->reset();
    }
}

clap::ProcessStatus QUOVENT_CLAP_CALL process(const Plugin* plugin, const clap::Process* block) {
    ClapPlugin* p = self(plugin);
    return p != nullptr ? p->process(block) : clap::kProcessError;
}

const void* QUOVENT_CLAP_CALL getExtension(const Plugin* /*plugin*/, const char* id) {
    return ClapRecords::extension(id);
}

void QUOVENT_CLAP_CALL onMainThread(const Plugin* /*plugin*/) {}

// ---- Audio and note ports --------------------------------------------------------------------

std::uint32_t QUOVENT_CLAP_CALL audioPortCount(const Plugin* /*plugin*/, bool isInput) {
    return isInput ? 0 : capacity::kClapOutputPorts;
}

bool QUOVENT_CLAP_CALL audioPort(const Plugin* /*plugin*/, std::uint32_t index, bool isInput,
                                 clap::AudioPortInfo* info) {
    if (isInput || info == nullptr || index >= capacity::kClapOutputPorts) {
        return false;
    }
    *info = clap::AudioPortInfo{};
    info->id = index;
    copyName(PluginInfo::kOutputPairNames[index], info->name);
    info->flags = index == 0 ? std::uint32_t{clap::kAudioPortIsMain} : 0u;
    info->channel_count = capacity::kClapPortChannels;
    info->port_type = clap::kPortStereo;
    info->in_place_pair = clap::kInvalidId;
    return true;
}

std::uint32_t QUOVENT_CLAP_CALL notePortCount(const Plugin* /*plugin*/, bool isInput) {
    return isInput ? 1 : 0;
}

bool QUOVENT_CLAP_CALL notePort(const Plugin* /*plugin*/, std::uint32_t index, bool isInput,
                                clap::NotePortInfo* info) {
    if (!isInput || info == nullptr || index != 0) {
        return false;
    }
    *info = clap::NotePortInfo{};
    info->id = 0;
    info->supported_dialects = clap::kNoteDialectClap | clap::kNoteDialectMidi;
    info->preferred_dialect = clap::kNoteDialectClap;
    copyName("Notes", info->name);
    return true;
}

// ---- Parameters ----------------------------------------------------------------------------

std::uint32_t QUOVENT_CLAP_CALL paramCount(const Plugin* /*plugin*/) {
    return ClapParameters::count();
}

bool QUOVENT_CLAP_CALL paramInfo(const Plugin* /*plugin*/, std::uint32_t index,
                                 clap::ParamInfo* info) {
    return ClapParameters::info(index, info);
}

bool QUOVENT_CLAP_CALL paramValue(const Plugin* plugin, clap::Id id, double* value) {
    ClapPlugin* p = self(plugin);
    if (p == nullptr || value == nullptr || ParameterTable::find(id) == nullptr) {
        return false;
    }
    *value = p->instrument().parameter(id);
    return true;
}

bool QUOVENT_CLAP_CALL valueToText(const Plugin* /*plugin*/, clap::Id id, double value, char* out,
                                   std::uint32_t capacity) {
    return ClapParameters::valueToText(id, value, out, capacity);
}

bool QUOVENT_CLAP_CALL textToValue(const Plugin* /*plugin*/, clap::Id id, const char* text,
                                   double* out) {
    return ClapParameters::textToValue(id, text, out);
}

void QUOVENT_CLAP_CALL flush(const Plugin* plugin, const clap::InputEvents* in,
                             const clap::OutputEvents* out) {
    if (ClapPlugin* p = self(plugin)) {
        p->flush(in, out);
    }
}

// ---- State, latency, render ----------------------------------------------------------------

bool QUOVENT_CLAP_CALL saveState(const Plugin* plugin, const clap::OStream* stream) {
    ClapPlugin* p = self(plugin);
    return p != nullptr && p->saveState(stream);
}

bool QUOVENT_CLAP_CALL loadState(const Plugin* plugin, const clap::IStream* stream) {
    ClapPlugin* p = self(plugin);
    return p != nullptr && p->loadState(stream);
}

std::uint32_t QUOVENT_CLAP_CALL latency(const Plugin* /*plugin*/) {
    return 0;
}

// Offline renders take the same path: the audio thread never waits for anything.
bool QUOVENT_CLAP_CALL hardRealtime(const Plugin* /*plugin*/) {
    return false;
}

bool QUOVENT_CLAP_CALL setRenderMode(const Plugin* /*plugin*/, clap::RenderMode mode) {
    return mode == clap::kRenderRealtime || mode == clap::kRenderOffline;
}

// ---- GUI -----------------------------------------------------------------------------------

bool QUOVENT_CLAP_CALL guiSupported(const Plugin* /*plugin*/, const char* api, bool floating) {
    return ClapGui::supports(api, floating);
}

bool QUOVENT_CLAP_CALL guiPreferred(const Plugin* /*plugin*/, const char** api, bool* floating) {
    if (api == nullptr || floating == nullptr) {
        return false;
    }
    *api = ClapGui::api();
    *floating = false;
    return true;
}

bool QUOVENT_CLAP_CALL guiCreate(const Plugin* plugin, const char* api, bool floating) {
    ClapPlugin* p = self(plugin);
    return p != nullptr && p->createGui(api, floating);
}

void QUOVENT_CLAP_CALL guiDestroy(const Plugin* plugin) {
    if (ClapPlugin* p = self(plugin)) {
        p->destroyGui();
    }
}

bool QUOVENT_CLAP_CALL guiSetScale(const Plugin* plugin, double scale) {
    ClapGui* g = gui(plugin);
    return g != nullptr && g->setScale(scale);
}

bool QUOVENT_CLAP_CALL guiSize(const Plugin* plugin, std::uint32_t* width, std::uint32_t* height) {
    ClapGui* g = gui(plugin);
    return g != nullptr && g->size(width, height);
}

bool QUOVENT_CLAP_CALL guiCanResize(const Plugin* /*plugin*/) {
    return false; // the window's size follows the zoom alone
}

bool QUOVENT_CLAP_CALL guiResizeHints(const Plugin* /*plugin*/, clap::GuiResizeHints* /*hints*/) {
    return false;
}

bool QUOVENT_CLAP_CALL guiAdjustSize(const Plugin* plugin, std::uint32_t* width,
                                     std::uint32_t* height) {
    return guiSize(plugin, width, height);
}

bool QUOVENT_CLAP_CALL guiSetSize(const Plugin* plugin, std::uint32_t width, std::uint32_t height) {
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    return guiSize(plugin, &w, &h) && w == width && h == height;
}

bool QUOVENT_CLAP_CALL guiSetParent(const Plugin* plugin, const clap::Window* window) {
    ClapGui* g = gui(plugin);
    return g != nullptr && g->setParent(window);
}

bool QUOVENT_CLAP_CALL guiSetTransient(const Plugin* /*plugin*/, const clap::Window* /*window*/) {
    return false; // embedded only
}

void QUOVENT_CLAP_CALL guiSuggestTitle(const Plugin* /*plugin*/, const char* /*title*/) {}

// The embedded window shows and hides with the host's.
bool QUOVENT_CLAP_CALL guiShowOrHide(const Plugin* plugin) {
    return gui(plugin) != nullptr;
}

void QUOVENT_CLAP_CALL onTimer(const Plugin* plugin, clap::Id id) {
    if (ClapGui* g = gui(plugin)) {
        g->onTimer(id);
    }
}

void QUOVENT_CLAP_CALL onDescriptor(const Plugin* plugin, int /*fd*/, std::uint32_t /*flags*/) {
    if (ClapGui* g = gui(plugin)) {
        g->onDescriptor();
    }
}

constexpr clap::PluginAudioPorts kAudioPorts{audioPortCount, audioPort};
constexpr clap::PluginNotePorts kNotePorts{notePortCount, notePort};
constexpr clap::PluginParams kParams{paramCount,  paramInfo,   paramValue,
                                     valueToText, textToValue, flush};
constexpr clap::PluginState kState{saveState, loadState};
constexpr clap::PluginLatency kLatency{latency};
constexpr clap::PluginRender kRender{hardRealtime, setRenderMode};
constexpr clap::PluginGui kGui{guiSupported,    guiPreferred,  guiCreate,    guiDestroy,
                               guiSetScale,     guiSize,       guiCanResize, guiResizeHints,
                               guiAdjustSize,   guiSetSize,    guiSetParent, guiSetTransient,
                               guiSuggestTitle, guiShowOrHide, guiShowOrHide};
constexpr clap::PluginTimerSupport kTimers{onTimer};
constexpr clap::PluginPosixFdSupport kDescriptors{onDescriptor};

struct Offered {
    const char* id;
    const void* record;
};
constexpr Offered kOffered[] = {
    {clap::kExtAudioPorts, &kAudioPorts},
    {clap::kExtNotePorts, &kNotePorts},
    {clap::kExtParams, &kParams},
    {clap::kExtState, &kState},
    {clap::kExtLatency, &kLatency},
    {clap::kExtRender, &kRender},
    {clap::kExtGui, &kGui},
    {clap::kExtTimerSupport, &kTimers},
    {clap::kExtPosixFdSupport, &kDescriptors},
};

} // namespace

clap::Plugin ClapRecords::plugin(const clap::PluginDescriptor* descriptor,
                                 void* instance) noexcept {
    return {descriptor,      instance,       init,  destroy, activate,     deactivate,
            startProcessing, stopProcessing, reset, process, getExtension, onMainThread};
}

const void* ClapRecords::extension(const char* id) noexcept {
    if (id == nullptr) {
        return nullptr;
    }
    for (const Offered& offered : kOffered) {
        if (std::strcmp(id, offered.id) == 0) {
            return offered.record;
        }
    }
    return nullptr;
}

} // namespace quovent
