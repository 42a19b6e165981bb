// One instance of the instrument as a CLAP host sees it: its plug-in record, the instrument
// it owns, the host's events and buffers turned into the instrument's process calls, the
// parameters and the state, and the editor (ClapGui) while the host shows one. The
// instrument's listener: the editor's edits reach the host as gesture and value events
// through the edit queue, at the next process or flush (asked for when the host does not
// process).
//
// Threads, as the interface assigns them: init, activate, deactivate, the state, the GUI and
// the parameters' questions on the host's main thread; start_processing, stop_processing,
// reset and process on its audio thread while active, never allocating, locking or throwing;
// flush on the audio thread while active, else on the main thread, never beside process.
#pragma once

#include "formats/clap/ClapAbiExtensions.hpp"
#include "formats/clap/ClapEditQueue.hpp"
#include "formats/clap/ClapHost.hpp"
#include "instrument/Instrument.hpp"
#include "instrument/InstrumentEvent.hpp"
#include "instrument/InstrumentListener.hpp"
#include "platform/Capacities.hpp"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace quovent {

class ClapGui;

class ClapPlugin final : private InstrumentListener {
public:
    ClapPlugin(const clap::Host* host, const clap::PluginDescriptor* descriptor);
    ~ClapPlugin() override;
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    // The record the host calls; its plugin_data is this object.
    const clap::Plugin* record() const noexcept { return &record_; }
    // The instance behind a host's record; null for a null record.
    static ClapPlugin* of(const clap::Plugin* plugin) noexcept;

    bool init() noexcept;
    // False for a sample rate the instrument cannot render at.
    bool activate(double sampleRate) noexcept;
    void deactivate() noexcept;
    void setProcessing(bool on) noexcept { processing_.store(on, std::memory_order_relaxed); }
    void reset() noexcept { instrument_.reset(); }
    clap::ProcessStatus process(const clap::Process* process) noexcept;
    void flush(const clap::InputEvents* in, const clap::OutputEvents* out) noexcept;

    bool saveState(const clap::OStream* stream) const noexcept;
    // All-or-nothing; afterwards the host reads every parameter's value again.
    bool loadState(const clap::IStream* stream) noexcept;

    // The GUI: one at a time; null while the host shows none.
    bool createGui(const char* api, bool floating) noexcept;
    void destroyGui() noexcept;
    ClapGui* gui() const noexcept { return gui_.get(); }

    Instrument& instrument() noexcept { return instrument_; }
    const ClapHost& host() const noexcept { return host_; }

private:
    // The twelve channels: the host's buffers where it gave them, null elsewhere.
    void findOutputs(const clap::Process& process) noexcept;

    // InstrumentListener: the editor's edits, queued for the host.
    void parameterEditBegan(ParameterId id) override;
    void parameterEdited(ParameterId id, float value) override;
    void parameterEditEnded(ParameterId id) override;
    void askForFlush() const noexcept;

    clap::Plugin record_;
    ClapHost host_;
    Instrument instrument_;
    ClapEditQueue edits_;
    std::unique_ptr<ClapGui> gui_;
    // A GUI the host destroyed from inside one of its own dialogs: closed, and deleted once
    // that dialog's call has returned (at the next create, or with the instance).
    std::unique_ptr<ClapGui> retired_;
    bool active_ = false;
    std::atomic<bool> processing_{false};
    // Audio thread (or a flush while inactive): the block's events and channels.
    std::array<InstrumentEvent, capacity::kBlockEvents> events_{};
    std::array<float*, Instrument::kOutputs> channels_{};
};

} // namespace quovent
