// The extended effect: the dispatcher opcodes 25..68 (events, names, pins, categories, keys,
// interface version) and the host-callback wrappers up to audioMasterCloseFileSelector.
// Opcodes below 25 go to EffectBase. Same threading as EffectBase.
#pragma once

#include "formats/vst2/EffectBase.hpp"

namespace quovent {

class ExtendedEffectBase : public EffectBase {
public:
    ExtendedEffectBase(vst::HostCallback hostCallback, std::int32_t numPrograms,
                       std::int32_t numParams);

    std::intptr_t dispatcher(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                             void* ptr, float opt) override;

    // ---- Host-callback wrappers -----------------------------------------------------------
    virtual void wantEvents(std::int32_t filter = 1);
    // The host's time record for the fields asked for in filter (kVst... bits), or null.
    // Called on the audio thread at the start of every block.
    virtual vst::VstTimeInfo* getTimeInfo(std::int32_t filter) noexcept;
    virtual std::int32_t tempoAt(std::int32_t pos);
    virtual std::int32_t getNumAutomatableParameters();
    virtual std::int32_t getParameterQuantization();
    virtual bool ioChanged();
    virtual bool needIdle();
    virtual bool sizeWindow(std::int32_t width, std::int32_t height);
    // Ask the host to send its rate or block size; answer the value stored by then.
    virtual float updateSampleRate();
    virtual std::int32_t updateBlockSize();
    virtual std::int32_t getInputLatency();
    virtual std::int32_t getOutputLatency();
    virtual vst::AEffect* getPreviousPlug(std::int32_t input);
    virtual vst::AEffect* getNextPlug(std::int32_t output);
    virtual std::int32_t willProcessReplacing();
    virtual std::int32_t getCurrentProcessLevel();
    virtual std::int32_t getAutomationState();
    // The offline records are opaque to this instrument.
    virtual bool offlineStart(void* audioFiles, std::int32_t numAudioFiles,
                              std::int32_t numNewAudioFiles);
    virtual bool offlineRead(void* offline, std::int32_t option, bool readSource = true);
    virtual bool offlineWrite(void* offline, std::int32_t option);
    virtual std::int32_t offlineGetCurrentPass();
    virtual std::int32_t offlineGetCurrentMetaPass();
    virtual void setOutputSamplerate(float rate);
    virtual void* getSpeakerArrangement();
    virtual bool getHostVendorString(char* text);
    virtual bool getHostProductString(char* text);
    virtual std::int32_t getHostVendorVersion();
    virtual std::intptr_t hostVendorSpecific(std::int32_t index, std::intptr_t value, void* ptr,
                                             float opt);
    // True only for the host's "yes" (a positive answer); -1 ("no") and 0 ("don't know") are
    // false.
    virtual bool canHostDo(const char* text);
    virtual std::int32_t getHostLanguage();
    virtual void* openWindow(void* window);
    virtual bool closeWindow(void* window);
    virtual void* getDirectory();
    virtual bool updateDisplay();
    virtual void beginEdit(std::int32_t index);
    virtual void endEdit(std::int32_t index);
    // False without calling for a null record.
    virtual bool openFileSelector(vst::VstFileSelect* select);
    bool closeFileSelector(vst::VstFileSelect* select);

    // ---- Operations called by the host ----------------------------------------------------
    // Answer of effProcessEvents. Audio thread.
    virtual std::int32_t processEvents(vst::VstEvents* /*events*/) noexcept { return 0; }
    virtual bool canParameterBeAutomated(std::int32_t /*index*/) { return true; }
    virtual bool string2parameter(std::int32_t /*index*/, char* /*text*/) { return false; }
    virtual float getChannelParameter(std::int32_t /*channel*/, std::int32_t /*index*/) {
        return 0.0f;
    }
    virtual std::int32_t getNumCategories() { return 1; }
    virtual bool getProgramNameIndexed(std::int32_t /*category*/, std::int32_t /*index*/,
                                       char* /*text*/) {
        return false;
    }
    virtual bool copyProgram(std::int32_t /*destination*/) { return false; }
    virtual void inputConnected(std::int32_t /*index*/, bool /*state*/) {}
    virtual void outputConnected(std::int32_t /*index*/, bool /*state*/) {}
    virtual bool getInputProperties(std::int32_t /*index*/, vst::VstPinProperties* /*props*/) {
        return false;
    }
    virtual bool getOutputProperties(std::int32_t /*index*/, vst::VstPinProperties* /*props*/) {
        return false;
    }
    virtual std::int32_t getPlugCategory();
    virtual std::int32_t reportCurrentPosition() { return 0; }
    virtual float* reportDestinationBuffer() { return nullptr; }
    virtual bool offlineNotify(void* /*audioFiles*/, std::int32_t /*numAudioFiles*/,
                               bool /*start*/) {
        return false;
    }
    virtual bool offlinePrepare(void* /*offline*/, std::int32_t /*count*/) { return false; }
    virtual bool offlineRun(void* /*offline*/, std::int32_t /*count*/) { return false; }
    virtual bool processVariableIo(void* /*varIo*/) { return false; }
    virtual bool setSpeakerArrangement(void* /*pluginInput*/, void* /*pluginOutput*/) {
        return false;
    }
    // Stores both values directly: neither setBlockSize nor setSampleRate runs.
    virtual void setBlockSizeAndSampleRate(std::int32_t blockSize, float sampleRate);
    virtual bool setBypass(bool /*onOff*/) { return false; }
    virtual bool getEffectName(char* /*name*/) { return false; }
    virtual bool getErrorText(char* /*text*/) { return false; }
    virtual bool getVendorString(char* /*text*/) { return false; }
    virtual bool getProductString(char* /*text*/) { return false; }
    virtual std::int32_t getVendorVersion() { return 0; }
    virtual std::intptr_t vendorSpecific(std::int32_t /*index*/, std::intptr_t /*value*/,
                                         void* /*ptr*/, float /*opt*/) {
        return 0;
    }
    // 1 yes, -1 no, 0 don't know.
    virtual std::int32_t canDo(const char* /*text*/) { return 0; }
    virtual void* getIcon() { return nullptr; }
    virtual bool setViewPosition(std::int32_t /*x*/, std::int32_t /*y*/) { return false; }
    virtual std::int32_t getGetTailSize() { return 0; }
    virtual std::int32_t fxIdle() { return 0; }
    virtual bool getParameterProperties(std::int32_t /*index*/, void* /*props*/) { return false; }
    virtual bool keysRequired() { return false; }
    virtual std::int32_t getVstVersion() { return vst::kVstVersion; }
    virtual std::int32_t getMidiProgramName(std::int32_t /*channel*/, void* /*name*/) { return 0; }
    virtual std::int32_t getCurrentMidiProgram(std::int32_t /*channel*/, void* /*name*/) {
        return -1;
    }
    virtual std::int32_t getMidiProgramCategory(std::int32_t /*channel*/, void* /*category*/) {
        return 0;
    }
    virtual bool hasMidiProgramsChanged(std::int32_t /*channel*/) { return false; }
    virtual bool getMidiKeyName(std::int32_t /*channel*/, void* /*keyName*/) { return false; }
    virtual bool beginSetProgram() { return false; }
    virtual bool endSetProgram() { return false; }

    // Flag setters; the plug-in category follows the synthesizer flag.
    virtual void isSynth(bool state) { setFlag(vst::effFlagsIsSynth, state); }
    virtual void noTail(bool state) { setFlag(vst::effFlagsNoSoundInStop, state); }
    virtual void wantAsyncOperation(bool state) { setFlag(vst::effFlagsExtIsAsync, state); }
    virtual void hasExternalBuffer(bool state) { setFlag(vst::effFlagsExtHasBuffer, state); }

private:
    std::intptr_t editorKey(std::int32_t opcode, std::int32_t index, std::intptr_t value,
                            float opt);
};

} // namespace quovent
