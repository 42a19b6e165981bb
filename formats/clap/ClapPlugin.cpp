#include "formats/clap/ClapPlugin.hpp"

#include "formats/clap/ClapCapacities.hpp"
#include "formats/clap/ClapGui.hpp"
#include "formats/clap/ClapInputEvents.hpp"
#include "formats/clap/ClapRecords.hpp"
#include "formats/clap/ClapStateStream.hpp"

#include <algorithm>
#include <cassert>
#include <climits>
#include <exception>
#include <string>

namespace quovent {

namespace {

// The host's tempo as it gives it (the instrument judges it); 0 when it gives none.
double tempoOf(const clap::EventTransport* transport) noexcept {
    if (transport == nullptr || (transport->flags & clap::kTransportHasTempo) == 0) {
        return 0.0;
    }
    return transport->tempo;
}

} // namespace

ClapPlugin::ClapPlugin(const clap::Host* host, const clap::PluginDescriptor* descriptor)
    : record_(ClapRecords::plugin(descriptor, this)), host_(host) {
    instrument_.setListener(this);
}

ClapPlugin::~ClapPlugin() {
    gui_.reset();
    retired_.reset();
    instrument_.setListener(nullptr);
}

ClapPlugin* ClapPlugin::of(const clap::Plugin* plugin) noexcept {
    return plugin != nullptr ? static_cast<ClapPlugin*>(plugin->plugin_data) : nullptr;
}

bool ClapPlugin::init() noexcept {
    host_.find();
    return true;
}

// Hosts deactivate and activate again when they stop their audio: nothing sounds on.
bool ClapPlugin::activate(double sampleRate) noexcept {
    assert(host_.onMainThread());
    if (!instrument_.setSampleRate(sampleRate)) {
        return false;
    }
    instrument_.reset();
    active_ = true;
    return true;
}

void ClapPlugin::deactivate() noexcept {
    active_ = false;
    processing_.store(false, std::memory_order_relaxed);
}

clap::ProcessStatus ClapPlugin::process(const clap::Process* process) noexcept {
    assert(host_.onAudioThread());
    if (process == nullptr || !active_) {
        return clap::kProcessError;
    }
    const std::size_t count = ClapInputEvents::read(process->in_events, events_, 0);
    findOutputs(*process);
    ProcessBlock block;
    block.outputs = channels_.data();
    block.outputCount = Instrument::kOutputs;
    block.frames = static_cast<int>(std::min<std::uint32_t>(process->frames_count, INT_MAX));
    block.events = {events_.data(), count};
    block.tempo = tempoOf(process->transport);
    instrument_.process(block);
    edits_.drain(process->out_events);
    return clap::kProcessContinue;
}

void ClapPlugin::findOutputs(const clap::Process& process) noexcept {
    channels_.fill(nullptr);
    if (process.audio_outputs == nullptr) {
        return;
    }
    const auto ports =
        std::min<std::uint32_t>(process.audio_outputs_count, capacity::kClapOutputPorts);
    for (std::uint32_t p = 0; p < ports; ++p) {
        clap::AudioBuffer& port = process.audio_outputs[p];
        port.constant_mask = 0;
        const auto channels =
            std::min<std::uint32_t>(port.channel_count, capacity::kClapPortChannels);
        for (std::uint32_t c = 0; c < channels && port.data32 != nullptr; ++c) {
            channels_[p * capacity::kClapPortChannels + c] = port.data32[c];
        }
    }
}

// The host's parameter values take effect now; notes have no block to play in.
void ClapPlugin::flush(const clap::InputEvents* in, const clap::OutputEvents* out) noexcept {
    const std::size_t count = ClapInputEvents::read(in, events_, 0);
    for (std::size_t i = 0; i < count; ++i) {
        if (events_[i].kind == InstrumentEvent::Kind::Parameter) {
            instrument_.setParameter(events_[i].parameter, events_[i].value);
        }
    }
    edits_.drain(out);
}

bool ClapPlugin::saveState(const clap::OStream* stream) const noexcept {
    assert(host_.onMainThread());
    try {
        return ClapStateStream::writeAll(stream, instrument_.saveState());
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool ClapPlugin::loadState(const clap::IStream* stream) noexcept {
    assert(host_.onMainThread());
    try {
        std::string text;
        if (!ClapStateStream::readAll(stream, Instrument::kMaxStateBytes, text) ||
            !instrument_.restoreState(text).ok) {
            return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    host_.rescanValues();
    return true;
}

bool ClapPlugin::createGui(const char* api, bool floating) noexcept {
    assert(host_.onMainThread());
    if (gui_ != nullptr || !ClapGui::supports(api, floating) || !ClapGui::servable(host_)) {
        return false;
    }
    if (retired_ != nullptr && !retired_->ticking()) {
        retired_.reset();
    }
    try {
        gui_ = std::make_unique<ClapGui>(*this);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void ClapPlugin::destroyGui() noexcept {
    if (gui_ != nullptr && gui_->ticking()) {
        gui_->close();
        retired_ = std::move(gui_);
        return;
    }
    gui_.reset();
}

// ---- InstrumentListener: the editor's edits, in whole gestures ------------------------------

void ClapPlugin::parameterEditBegan(ParameterId id) {
    edits_.began(id);
    askForFlush();
}

void ClapPlugin::parameterEdited(ParameterId id, float value) {
    edits_.edited(id, value);
    askForFlush();
}

void ClapPlugin::parameterEditEnded(ParameterId id) {
    edits_.ended(id, instrument_.parameter(id));
    askForFlush();
}

// While the host processes, the next block takes the edits anyway.
void ClapPlugin::askForFlush() const noexcept {
    if (!processing_.load(std::memory_order_relaxed)) {
        host_.requestFlush();
    }
}

} // namespace quovent
