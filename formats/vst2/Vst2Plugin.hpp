// The VST 2 binding of the instrument: what the host sees is no inputs, twelve outputs (six
// stereo pairs), one program, no declared parameters, a synthesizer that receives MIDI. It
// owns the instrument and its editor and turns the host's opcodes and records into
// instrument calls: sample rate, resume, parameters (indexes 141..157: settings of the
// current slot), MIDI, audio, chunks. It is also the editor's way to the host
// (HostServices) and hears the editor's parameter edits (InstrumentListener), which it
// sends as audioMasterAutomate with the parameter's index.
//
// Threads: text queries, sample rate, block size, resume and suspend come from the host's
// control thread; processEvents, process and processReplacing from its audio thread, where
// nothing allocates, locks or throws. setParameter and getParameter may come from either;
// each slot setting is a single relaxed 32-bit value. getChunk and setChunk may come from
// any thread but the audio thread; the instrument's model lock keeps them apart from the
// editor thread and from each other.
#pragma once

#include "editor/HostServices.hpp"
#include "formats/vst2/ExtendedEffectBase.hpp"
#include "instrument/Instrument.hpp"
#include "instrument/InstrumentEvent.hpp"
#include "instrument/PluginInfo.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace quovent {

class Editor;
class HostFileSelection;

class Vst2Plugin final : public ExtendedEffectBase,
                         public HostServices,
                         private InstrumentListener {
public:
    static constexpr std::int32_t kPrograms = 1;
    static constexpr std::int32_t kParams = 0;

    // Parameter indexes: the tags of the current slot's controls the editor automates.
    static constexpr std::int32_t kParamVolume = 141;
    static constexpr std::int32_t kParamLength = 142;
    static constexpr std::int32_t kParamTune = 145;
    static constexpr std::int32_t kParamFreq = 153;
    static constexpr std::int32_t kParamRes = 154;
    static constexpr std::int32_t kParamPan = 157;

    static_assert(PluginInfo::kDescription.size() < vst::kVstMaxProductStrLen);
    static_assert(PluginInfo::kDescription.substr(0, 8) == "quovent ");
    static_assert(PluginInfo::kWebAddress.size() < vst::kVstMaxProgNameLen);
    static_assert(PluginInfo::kVendor.size() < vst::kVstMaxVendorStrLen);
    static_assert(PluginInfo::kName.size() < vst::kVstMaxEffectNameLen);

    // A null host callback leaves the record with the EffectBase defaults (the host-facing
    // setup needs a host); the instrument and the editor are created either way. When the
    // editor cannot be allocated the instance plays without one.
    explicit Vst2Plugin(vst::HostCallback hostCallback);
    ~Vst2Plugin() override;

    Instrument& instrument() noexcept { return instrument_; }
    // The editor object; null when it could not be allocated.
    Editor* sequencerEditor() const noexcept { return sequencerEditor_; }

    // ---- Host requests ----------------------------------------------------------------------
    void setParameter(std::int32_t index, float value) noexcept override;
    float getParameter(std::int32_t index) noexcept override;
    void process(float** inputs, float** outputs, std::int32_t sampleFrames) noexcept override;
    void processReplacing(float** inputs, float** outputs,
                          std::int32_t sampleFrames) noexcept override;
    std::int32_t processEvents(vst::VstEvents* events) noexcept override;

    void setProgram(std::int32_t /*program*/) override {}
    void setProgramName(char* /*name*/) override {}
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(std::int32_t category, std::int32_t index, char* text) override;
    bool copyProgram(std::int32_t /*destination*/) override { return false; }
    void getParameterLabel(std::int32_t /*index*/, char* /*label*/) override {}
    void getParameterDisplay(std::int32_t index, char* text) override;
    void getParameterName(std::int32_t index, char* text) override;
    // The whole state as the groove bank text (program and bank chunks are the same: there
    // is one program). The text stays in the instance until the next getChunk or effClose.
    std::int32_t getChunk(void** data, bool isPreset) override;
    // 1 when the state was replaced, 0 (nothing changed) when the data is refused. Read by
    // size; never opens a dialog, whatever thread the host calls from.
    std::int32_t setChunk(void* data, std::intptr_t byteSize, bool isPreset) override;

    void setSampleRate(float rate) override;
    // Both values are stored as they come; none of the sample-rate work runs.
    void setBlockSizeAndSampleRate(std::int32_t blockSize, float sampleRate) override;
    void resume() override;
    void suspend() override {}

    bool getOutputProperties(std::int32_t index, vst::VstPinProperties* props) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    std::int32_t getVendorVersion() override { return PluginInfo::kVst2Version; }
    std::int32_t canDo(const char* text) override;

    // ---- HostServices: the editor's calls to the host ---------------------------------------
    void beginEdit(std::int32_t index) override { ExtendedEffectBase::beginEdit(index); }
    void endEdit(std::int32_t index) override { ExtendedEffectBase::endEdit(index); }
    void masterIdle() override { ExtendedEffectBase::masterIdle(); }
    float hostTempo() override;
    bool canHostDo(const char* text) override { return ExtendedEffectBase::canHostDo(text); }
    bool resizeWindow(int width, int height) override { return sizeWindow(width, height); }
    // Both "openFileSelector" and "closeFileSelector" answered positively.
    bool hasHostFileSelector() override;
    // Sends the request as the interface's record, which stays alive (one selection at a
    // time) until closeHostFileSelector sends the close call with the same record.
    int openHostFileSelector(FileSelectRequest& request) override;
    void closeHostFileSelector(FileSelectRequest& request) override;

private:
    // The stable parameter behind a parameter index: that setting of the editor's current
    // slot; kNone for other indexes and while there is no current slot.
    ParameterId parameterAt(std::int32_t index) const noexcept;
    // The parameter index of a stable parameter; -1 for those VST 2 hosts never see.
    static std::int32_t indexOf(ParameterId id) noexcept;
    void render(float** outputs, std::int32_t sampleFrames, ProcessBlock::Mix mix) noexcept;

    // InstrumentListener: the editor's edits of the six automated settings.
    void parameterEdited(ParameterId id, float value) override;

    Instrument instrument_;
    Editor* sequencerEditor_ = nullptr; // owned through EffectBase's editor
    // Audio thread: the events of the coming block, as processEvents delivered them.
    std::array<InstrumentEvent, capacity::kBlockEvents> events_{};
    std::size_t eventCount_ = 0;
    // The text handed out by the last getChunk, and the one before it: a host thread may
    // still be copying that one while another thread saves a changed state.
    std::string chunk_;
    std::string previousChunk_;
    // The host's file selection not yet closed, and the request it was made for.
    std::unique_ptr<HostFileSelection> fileSelection_;
    const FileSelectRequest* fileSelectionRequest_ = nullptr;
};

} // namespace quovent
