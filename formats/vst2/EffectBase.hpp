// The basic effect: embeds the record the host holds, turns the basic dispatcher opcodes
// (0..24) into virtual operations and wraps the basic host-callback opcodes.
//
// The host finds the object again through the record's `object` field in the static entry
// functions. Every wrapper tolerates a null host callback and then answers its default.
// Threads: the dispatcher and the wrappers run on whatever thread the host calls from (its
// UI thread, except effProcessEvents and the process entries on its audio thread); nothing
// here locks.
#pragma once

#include "formats/vst2/VstAbi.hpp"

#include <cstdint>
#include <memory>

namespace quovent {

class EditorBase;

class EffectBase {
public:
    // The values the record holds until a derived instrument declares its own shape.
    static constexpr std::int32_t kDefaultInputs = 1;
    static constexpr std::int32_t kDefaultOutputs = 2;
    static constexpr std::int32_t kDefaultUniqueId = vst::fourCharCode('N', 'o', 'E', 'f');
    static constexpr std::int32_t kIdentify = vst::fourCharCode('N', 'v', 'E', 'f');
    static constexpr float kDefaultSampleRate = 44100.0f;
    static constexpr std::int32_t kDefaultBlockSize = 1024;

    EffectBase(vst::HostCallback hostCallback, std::int32_t numPrograms, std::int32_t numParams);
    virtual ~EffectBase();
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    // The record handed to the host.
    vst::AEffect* getAeffect() noexcept { return &effect_; }
    // The instance behind a record the host passes back; null for a foreign record.
    static EffectBase* fromEffect(vst::AEffect* effect) noexcept;

    // ---- Operations called by the host ----------------------------------------------------
    virtual void setParameter(std::int32_t index, float value) noexcept;
    virtual float getParameter(std::int32_t index) noexcept;
    // Stores the parameter, then tells the host (audioMasterAutomate).
    virtual void setParameterAutomated(std::int32_t index, float value);
    // Accumulating: adds the block into the outputs.
    virtual void process(float** inputs, float** outputs, std::int32_t sampleFrames) noexcept = 0;
    // Replacing: overwrites the outputs with the block.
    virtual void processReplacing(float** inputs, float** outputs,
                                  std::int32_t sampleFrames) noexcept;
    virtual std::intptr_t dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                                     void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual std::int32_t getProgram() { return curProgram_; }
    virtual void setProgram(std::int32_t program) { curProgram_ = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name);
    virtual void getParameterLabel(std::int32_t /*index*/, char* /*label*/) {}
    virtual void getParameterDisplay(std::int32_t index, char* text);
    virtual void getParameterName(std::int32_t /*index*/, char* /*text*/) {}
    virtual float getVu() { return 0.0f; }
    // Chunks: the answer is the byte size handed over in *data; 0 for none. The byte size
    // of setChunk is the host's value as it came (pointer-sized), so a hostile size is never
    // cut down to a harmless-looking one.
    virtual std::int32_t getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
    virtual std::int32_t setChunk(void* /*data*/, std::intptr_t /*byteSize*/, bool /*isPreset*/) {
        return 0;
    }
    // A rate that is not a positive finite number is ignored.
    virtual void setSampleRate(float rate);
    virtual void setBlockSize(std::int32_t size) { blockSize_ = size; }
    virtual void suspend() {}
    virtual void resume() {}

    // ---- Record setters -------------------------------------------------------------------
    virtual void setUniqueID(std::int32_t id) { effect_.uniqueID = id; }
    virtual void setNumInputs(std::int32_t inputs) { effect_.numInputs = inputs; }
    virtual void setNumOutputs(std::int32_t outputs) { effect_.numOutputs = outputs; }
    virtual void hasVu(bool state) { setFlag(vst::effFlagsHasVu, state); }
    virtual void hasClip(bool state) { setFlag(vst::effFlagsHasClip, state); }
    virtual void canMono(bool state) { setFlag(vst::effFlagsCanMono, state); }
    virtual void canProcessReplacing(bool state) { setFlag(vst::effFlagsCanReplacing, state); }
    virtual void programsAreChunks(bool state) { setFlag(vst::effFlagsProgramChunks, state); }
    virtual void setRealtimeQualities(std::int32_t q) { effect_.realQualities = q; }
    virtual void setOfflineQualities(std::int32_t q) { effect_.offQualities = q; }
    virtual void setInitialDelay(std::int32_t delay) { effect_.initialDelay = delay; }

    virtual float getSampleRate() { return sampleRate_; }
    virtual std::int32_t getBlockSize() { return blockSize_; }

    // ---- Host-callback wrappers -----------------------------------------------------------
    // The host's interface version; 1 when it answers 0 or there is no host.
    virtual std::int32_t getMasterVersion();
    virtual std::int32_t getCurrentUniqueId();
    virtual void masterIdle();
    // True when the host answers 0 (connected) or there is no host.
    virtual bool isInputConnected(std::int32_t input);
    virtual bool isOutputConnected(std::int32_t output);

    EditorBase* editor() const noexcept { return editor_.get(); }
    // The editor as the host sees it: null when there is none or it cannot show a window
    // in this build (the editor opcodes then answer 0).
    EditorBase* hostVisibleEditor() const noexcept;
    vst::HostCallback hostCallback() const noexcept { return hostCallback_; }

protected:
    // Sample rates the sequencer can divide by: positive and finite.
    static bool isUsableSampleRate(float rate) noexcept;
    // Calls the host with this instance's record; 0 without a host callback.
    std::intptr_t callHost(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f) noexcept;
    void setFlag(std::int32_t flag, bool state) noexcept;
    // Takes ownership of the editor and declares it to the host (effFlagsHasEditor).
    void setEditor(std::unique_ptr<EditorBase> editor) noexcept;
    // Destroys the editor now, while the derived object it may call back into still exists.
    void releaseEditor() noexcept;

    float sampleRate_ = kDefaultSampleRate;
    std::int32_t numPrograms_;
    std::int32_t numParams_;
    std::int32_t curProgram_ = 0;
    std::int32_t blockSize_ = kDefaultBlockSize;
    vst::AEffect effect_{};

private:
    std::intptr_t editorOpcode(std::int32_t opcode, void* ptr);

    std::unique_ptr<EditorBase> editor_;
    vst::HostCallback hostCallback_;
    // effEditGetRect hands the host a pointer to this rectangle; it lives as long as the
    // instance because hosts keep the pointer.
    vst::ERect editRect_{};

    static std::intptr_t QUOVENT_VSTCALL dispatchEntry(vst::AEffect* effect, std::int32_t opcode,
                                                       std::int32_t index, std::intptr_t value,
                                                       void* ptr, float opt);
    static void QUOVENT_VSTCALL processEntry(vst::AEffect* effect, float** inputs, float** outputs,
                                             std::int32_t sampleFrames);
    static void QUOVENT_VSTCALL processReplacingEntry(vst::AEffect* effect, float** inputs,
                                                      float** outputs, std::int32_t sampleFrames);
    static void QUOVENT_VSTCALL setParameterEntry(vst::AEffect* effect, std::int32_t index,
                                                  float value);
    static float QUOVENT_VSTCALL getParameterEntry(vst::AEffect* effect, std::int32_t index);
};

} // namespace quovent
