// One instance of the LV2 plug-in, owning its instrument: its ports, run(), the worker's two
// halves and the state. The host's messages come through AtomInput: MIDI and tempo go to the
// instrument within run(); file properties are set in the worker, never in run(), and
// answered with patch:Set replies on the notify port. A control port reaches the instrument
// only when its value changed since the block before (on the first block: when it differs
// from the instrument's value), so that unchanged ports never undo a restored state or an
// edit made in the editor. A block renders whatever ports are connected: an output the host
// left unconnected is rendered into scratch memory.
//
// Threads, as the host calls them: create, connectPort (also between blocks on the audio
// thread), activate, deactivate and restore never beside run(); run and workResponse on the
// audio thread, never allocating, locking or throwing; work on the host's worker thread (or
// inside run() when the host renders offline); save on any thread but the audio thread.
#pragma once

#include "formats/lv2/AtomInputHandler.hpp"
#include "formats/lv2/AtomOutput.hpp"
#include "formats/lv2/FileProperties.hpp"
#include "formats/lv2/HostFeatures.hpp"
#include "formats/lv2/HostLog.hpp"
#include "formats/lv2/PortLayout.hpp"
#include "formats/lv2/PropertyValues.hpp"
#include "formats/lv2/StateIo.hpp"
#include "formats/lv2/Urids.hpp"
#include "formats/lv2/WorkMessage.hpp"
#include "instrument/Instrument.hpp"
#include "instrument/InstrumentEvent.hpp"

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <array>
#include <cstdint>
#include <memory>

namespace quovent::lv2 {

class Plugin final : private AtomInputHandler {
public:
    // Null when the host lacks a required feature or gives no usable sample rate (said in the
    // host's log when it has one).
    static std::unique_ptr<Plugin> create(double sampleRate, const LV2_Feature* const* features);

    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    ~Plugin() = default;

    void connectPort(std::uint32_t port, void* data) noexcept;
    void activate() noexcept;
    void run(std::uint32_t frames) noexcept;

    LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle,
                           std::uint32_t size, const void* data);
    LV2_Worker_Status workResponse(std::uint32_t size, const void* data) noexcept;

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle,
                          const LV2_Feature* const* features) const;
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                             const LV2_Feature* const* features);

    double sampleRate() const noexcept { return sampleRate_; }
    Instrument& instrument() noexcept { return instrument_; }
    float tempo() const noexcept { return instrument_.tempo(); }

private:
    Plugin(double sampleRate, const HostFeatures& features, const Urids& urids);

    void midiEvent(int frame, std::uint8_t status, std::uint8_t data1,
                   std::uint8_t data2) noexcept override;
    void tempo(double beatsPerMinute) noexcept override;
    void setProperty(int property, std::string_view path) noexcept override;
    void getProperty(int property) noexcept override;

    void applyParameters() noexcept;
    void payReplies() noexcept;
    void answer(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, int property,
                bool accepted, const std::string& path) const;
    std::size_t inputBytes() const noexcept;

    const double sampleRate_;
    Instrument instrument_;
    HostFeatures features_;
    Urids urids_;
    HostLog log_;
    AtomOutput output_;
    StateIo state_;
    FileProperties files_;
    PropertyValues values_;
    WorkMessage::Buffer request_{};

    const void* controlIn_ = nullptr;
    void* notifyOut_ = nullptr;
    std::array<float*, PortLayout::kAudioOuts> audioOuts_{};
    std::array<const float*, PortLayout::kParameters> parameterPorts_{};
    // The last value read from each control port, as bits (so that NaN compares equal to
    // itself), and whether any block was run yet.
    std::array<std::uint32_t, PortLayout::kParameters> parameterBits_{};
    bool parametersRead_ = false;
    // Set by restore: the next block takes the ports' values as they are, unapplied, since
    // the host's ports hold what it saved beside the state, which the groove holds already
    // (or did not follow the groove at all: a bank set through patch:Set moves no port).
    bool adoptPorts_ = false;
    // Audio thread: the block's events (changed control ports at frame 0, then the MIDI of
    // the input sequence), and the host's tempo, which it sends only when it changes.
    std::array<InstrumentEvent, quovent::capacity::kBlockEvents> events_{};
    std::size_t eventCount_ = 0;
    double hostTempo_ = 0.0;
};

} // namespace quovent::lv2
