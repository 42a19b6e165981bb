// One instance of the instrument as a VST 3 host sees it: component, audio processor and edit
// controller in one object (hosts query the controller from the component), plus the process
// context requirements. It owns the instrument: the host's note events, automation, tempo
// and sample rate go to it, and each block renders its twelve outputs into the six stereo
// buses. The parameters are the instrument's; the state stream carries its groove document.
// The instrument's listener: the editor's edits go to the host's component handler.
//
// Threads: process runs on the host's audio thread and neither allocates, locks nor throws.
// setState/getState, setupProcessing, setActive, bus activation and the controller's calls
// come from the host's control threads. Parameter values are single relaxed values in the
// instrument, so automation in process and the controller's reads may meet on any thread.
#pragma once

#include "formats/vst3/Vst3Buses.hpp"
#include "formats/vst3/Vst3Capacities.hpp"
#include "formats/vst3/Vst3ComponentBases.hpp"
#include "formats/vst3/Vst3NoteEvents.hpp"
#include "instrument/Instrument.hpp"
#include "instrument/InstrumentEvent.hpp"
#include "instrument/InstrumentListener.hpp"
#include "instrument/ParameterTable.hpp"

#include <array>
#include <atomic>
#include <cstdint>

namespace quovent {

class Vst3PlugView;

class Vst3Component final : public Vst3ComponentPart,
                            public vst3::IAudioProcessor,
                            public Vst3ControllerPart,
                            public vst3::IProcessContextRequirements,
                            private InstrumentListener {
public:
    static constexpr int kMaxBlockPoints = capacity::kVst3BlockPoints;
    static constexpr int kMaxBlockEvents = capacity::kVst3BlockEvents;

    // Starts with one reference, the creator's.
    Vst3Component();
    Vst3Component(const Vst3Component&) = delete;
    Vst3Component& operator=(const Vst3Component&) = delete;

    // ---- FUnknown --------------------------------------------------------------------------
    vst3::tresult QUOVENT_VST3_CALL queryInterface(const vst3::TUID id, void** obj) override;
    vst3::uint32 QUOVENT_VST3_CALL addRef() override;
    vst3::uint32 QUOVENT_VST3_CALL release() override;

    // ---- IPluginBase (component and controller alike) -----------------------------------
    vst3::tresult QUOVENT_VST3_CALL initialize(vst3::FUnknown* context) override;
    vst3::tresult QUOVENT_VST3_CALL terminate() override;

    // ---- IComponent ------------------------------------------------------------------------
    vst3::tresult QUOVENT_VST3_CALL getControllerClassId(vst3::TUID classId) override;
    vst3::tresult QUOVENT_VST3_CALL setIoMode(vst3::IoMode mode) override;
    vst3::int32 QUOVENT_VST3_CALL getBusCount(vst3::MediaType type,
                                              vst3::BusDirection dir) override;
    vst3::tresult QUOVENT_VST3_CALL getBusInfo(vst3::MediaType type, vst3::BusDirection dir,
                                               vst3::int32 index, vst3::BusInfo* bus) override;
    vst3::tresult QUOVENT_VST3_CALL getRoutingInfo(vst3::RoutingInfo* inInfo,
                                                   vst3::RoutingInfo* outInfo) override;
    vst3::tresult QUOVENT_VST3_CALL activateBus(vst3::MediaType type, vst3::BusDirection dir,
                                                vst3::int32 index, vst3::TBool state) override;
    vst3::tresult QUOVENT_VST3_CALL setActive(vst3::TBool state) override;

    // ---- IAudioProcessor -------------------------------------------------------------------
    vst3::tresult QUOVENT_VST3_CALL setBusArrangements(vst3::SpeakerArrangement* inputs,
                                                       vst3::int32 numIns,
                                                       vst3::SpeakerArrangement* outputs,
                                                       vst3::int32 numOuts) override;
    vst3::tresult QUOVENT_VST3_CALL getBusArrangement(vst3::BusDirection dir, vst3::int32 index,
                                                      vst3::SpeakerArrangement* arr) override;
    vst3::tresult QUOVENT_VST3_CALL canProcessSampleSize(vst3::int32 symbolicSampleSize) override;
    vst3::uint32 QUOVENT_VST3_CALL getLatencySamples() override { return 0; }
    vst3::tresult QUOVENT_VST3_CALL setupProcessing(vst3::ProcessSetup* setup) override;
    vst3::tresult QUOVENT_VST3_CALL setProcessing(vst3::TBool state) override;
    vst3::tresult QUOVENT_VST3_CALL process(vst3::ProcessData* data) noexcept override;
    vst3::uint32 QUOVENT_VST3_CALL getTailSamples() override { return vst3::kNoTail; }

    // ---- IEditController -------------------------------------------------------------------
    vst3::tresult QUOVENT_VST3_CALL setComponentState(vst3::IBStream* state) override;
    vst3::int32 QUOVENT_VST3_CALL getParameterCount() override;
    vst3::tresult QUOVENT_VST3_CALL getParameterInfo(vst3::int32 paramIndex,
                                                     vst3::ParameterInfo* info) override;
    vst3::tresult QUOVENT_VST3_CALL getParamStringByValue(vst3::ParamID id,
                                                          vst3::ParamValue valueNormalized,
                                                          vst3::String128 string) override;
    vst3::tresult QUOVENT_VST3_CALL getParamValueByString(
        vst3::ParamID id, vst3::TChar* string, vst3::ParamValue* valueNormalized) override;
    vst3::ParamValue QUOVENT_VST3_CALL
    normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue valueNormalized) override;
    vst3::ParamValue QUOVENT_VST3_CALL plainParamToNormalized(vst3::ParamID id,
                                                              vst3::ParamValue plainValue) override;
    vst3::ParamValue QUOVENT_VST3_CALL getParamNormalized(vst3::ParamID id) override;
    vst3::tresult QUOVENT_VST3_CALL setParamNormalized(vst3::ParamID id,
                                                       vst3::ParamValue value) override;
    vst3::tresult QUOVENT_VST3_CALL setComponentHandler(vst3::IComponentHandler* handler) override;
    vst3::IPlugView* QUOVENT_VST3_CALL createView(vst3::FIDString name) override;

    // ---- IProcessContextRequirements -------------------------------------------------------
    vst3::uint32 QUOVENT_VST3_CALL getProcessContextRequirements() override;

    // The tempo of the last block (the host's, or 120 when it gave none).
    float tempo() const noexcept { return instrument_.tempo(); }
    // The sample rate of the last accepted setupProcessing; 0 before.
    double sampleRate() const noexcept { return sampleRate_; }
    Instrument& instrument() noexcept { return instrument_; }
    // The host's context given to initialize (null before and after).
    vst3::FUnknown* hostContext() const noexcept { return hostContext_; }
    // The view of createView is gone; the next createView may make another.
    void viewGone(const Vst3PlugView* view) noexcept;

private:
    ~Vst3Component();

    vst3::tresult setInstanceState(vst3::IBStream* state) override;
    vst3::tresult getInstanceState(vst3::IBStream* state) override;
    vst3::tresult setControllerState(vst3::IBStream* state) override;
    vst3::tresult getControllerState(vst3::IBStream* state) override;

    // The block's automation points and note events, appended to events_.
    void readParameterChanges(vst3::IParameterChanges* changes) noexcept;
    void readEvents(vst3::IEventList* events, int frames) noexcept;
    // The twelve channels: the host's buffers where it gave them, null elsewhere.
    void findOutputs(const vst3::ProcessData& data) noexcept;
    void writeSilenceFlags(const vst3::ProcessData& data) noexcept;

    // InstrumentListener: the editor's edits as the host's edit gestures.
    void parameterEditBegan(ParameterId id) override;
    void parameterEdited(ParameterId id, float value) override;
    void parameterEditEnded(ParameterId id) override;

    std::atomic<vst3::uint32> references_{1};
    vst3::FUnknown* hostContext_ = nullptr;
    vst3::IComponentHandler* componentHandler_ = nullptr;
    // The one editor view at a time (two editors over one instrument would contend for its
    // current slot and lane); it tells viewGone when it goes.
    const Vst3PlugView* view_ = nullptr;
    bool initialized_ = false;
    bool processing_ = false;
    bool setUp_ = false;
    vst3::int32 maxBlockFrames_ = 0;
    double sampleRate_ = 0.0;
    Vst3Buses buses_;
    Instrument instrument_;
    std::array<float*, Instrument::kOutputs> channels_{};
    // The block's automation points and note events, as the host listed them (the
    // instrument orders them).
    std::array<InstrumentEvent, kMaxBlockPoints + kMaxBlockEvents> events_{};
    std::size_t eventCount_ = 0;
};

} // namespace quovent
