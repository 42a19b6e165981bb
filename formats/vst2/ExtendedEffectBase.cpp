#include "formats/vst2/ExtendedEffectBase.hpp"

#include "editor/EditorBase.hpp"

namespace quovent {

namespace {
// The host passes a key's modifier bits as a float: the low 8 bits of its integer value.
// A value no int can hold (or NaN) carries no modifier rather than an undefined conversion.
std::uint8_t modifierFromOpt(float opt) noexcept {
    if (!(opt > -2147483648.0f && opt < 2147483648.0f)) {
        return 0;
    }
    return static_cast<std::uint8_t>(static_cast<std::int32_t>(opt) & 0xff);
}
// The interface carries pointers in intptr_t (host answers, the value argument).
template <typename T> T* asPointer(std::intptr_t value) noexcept {
    return reinterpret_cast<T*>(value); // NOLINT(performance-no-int-to-ptr)
}
} // namespace

ExtendedEffectBase::ExtendedEffectBase(vst::HostCallback hostCallback, std::int32_t numPrograms,
                                       std::int32_t numParams)
    : EffectBase(hostCallback, numPrograms, numParams) {}

// ---- Dispatcher, extended opcodes 25..68 ----------------------------------------------------

std::intptr_t ExtendedEffectBase::dispatcher(std::int32_t opcode, std::int32_t index,
                                             std::intptr_t value, void* ptr, float opt) {
    char* const text = static_cast<char*>(ptr);
    switch (opcode) {
    case vst::effProcessEvents:
        return processEvents(static_cast<vst::VstEvents*>(ptr));
    case vst::effCanBeAutomated:
        return canParameterBeAutomated(index) ? 1 : 0;
    case vst::effString2Parameter:
        return text != nullptr && string2parameter(index, text) ? 1 : 0;
    case vst::effGetNumProgramCategories:
        return getNumCategories();
    case vst::effGetProgramNameIndexed:
        return text != nullptr &&
                       getProgramNameIndexed(static_cast<std::int32_t>(value), index, text)
                   ? 1
                   : 0;
    case vst::effCopyProgram:
        return copyProgram(index) ? 1 : 0;
    case vst::effConnectInput:
        inputConnected(index, value != 0);
        return 1;
    case vst::effConnectOutput:
        outputConnected(index, value != 0);
        return 1;
    case vst::effGetInputProperties:
        return ptr != nullptr && getInputProperties(index, static_cast<vst::VstPinProperties*>(ptr))
                   ? 1
                   : 0;
    case vst::effGetOutputProperties:
        return ptr != nullptr &&
                       getOutputProperties(index, static_cast<vst::VstPinProperties*>(ptr))
                   ? 1
                   : 0;
    case vst::effGetPlugCategory:
        return getPlugCategory();
    case vst::effGetCurrentPosition:
        return reportCurrentPosition();
    case vst::effGetDestinationBuffer:
        return reinterpret_cast<std::intptr_t>(reportDestinationBuffer());
    case vst::effOfflineNotify:
        return offlineNotify(ptr, static_cast<std::int32_t>(value), index != 0) ? 1 : 0;
    case vst::effOfflinePrepare:
        return offlinePrepare(ptr, static_cast<std::int32_t>(value)) ? 1 : 0;
    case vst::effOfflineRun:
        return offlineRun(ptr, static_cast<std::int32_t>(value)) ? 1 : 0;
    case vst::effProcessVarIo:
        return processVariableIo(ptr) ? 1 : 0;
    case vst::effSetSpeakerArrangement:
        return setSpeakerArrangement(asPointer<void>(value), ptr) ? 1 : 0;
    case vst::effSetBlockSizeAndSampleRate:
        setBlockSizeAndSampleRate(static_cast<std::int32_t>(value), opt);
        return 1;
    case vst::effSetBypass:
        return setBypass(value != 0) ? 1 : 0;
    case vst::effGetEffectName:
        return text != nullptr && getEffectName(text) ? 1 : 0;
    case vst::effGetErrorText:
        return text != nullptr && getErrorText(text) ? 1 : 0;
    case vst::effGetVendorString:
        return text != nullptr && getVendorString(text) ? 1 : 0;
    case vst::effGetProductString:
        return text != nullptr && getProductString(text) ? 1 : 0;
    case vst::effGetVendorVersion:
        return getVendorVersion();
    case vst::effVendorSpecific:
        return vendorSpecific(index, value, ptr, opt);
    case vst::effCanDo:
        return canDo(text);
    case vst::effGetTailSize:
        return getGetTailSize();
    case vst::effIdle:
        return fxIdle();
    case vst::effGetIcon:
        return reinterpret_cast<std::intptr_t>(getIcon());
    case vst::effSetViewPosition:
        return setViewPosition(index, static_cast<std::int32_t>(value)) ? 1 : 0;
    case vst::effGetParameterProperties:
        return ptr != nullptr && getParameterProperties(index, ptr) ? 1 : 0;
    case vst::effKeysRequired:
        // The question is inverted: 1 means "the plug-in needs no keys".
        return keysRequired() ? 0 : 1;
    case vst::effGetVstVersion:
        return getVstVersion();
    case vst::effEditKeyDown:
    case vst::effEditKeyUp:
    case vst::effSetEditKnobMode:
        return editorKey(opcode, index, value, opt);
    case vst::effGetMidiProgramName:
        return getMidiProgramName(index, ptr);
    case vst::effGetCurrentMidiProgram:
        return getCurrentMidiProgram(index, ptr);
    case vst::effGetMidiProgramCategory:
        return getMidiProgramCategory(index, ptr);
    case vst::effHasMidiProgramsChanged:
        return hasMidiProgramsChanged(index) ? 1 : 0;
    case vst::effGetMidiKeyName:
        return ptr != nullptr && getMidiKeyName(index, ptr) ? 1 : 0;
    case vst::effBeginSetProgram:
        return beginSetProgram() ? 1 : 0;
    case vst::effEndSetProgram:
        return endSetProgram() ? 1 : 0;
    default:
        return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    }
}

std::intptr_t ExtendedEffectBase::editorKey(std::int32_t opcode, std::int32_t index,
                                            std::intptr_t value, float opt) {
    EditorBase* const ed = hostVisibleEditor();
    if (ed == nullptr) {
        return 0;
    }
    if (opcode == vst::effSetEditKnobMode) {
        return ed->setKnobMode(static_cast<int>(value));
    }
    // index: the character; value: the virtual key; opt: the modifier bits.
    KeyCode key;
    key.character = index;
    key.virt = static_cast<std::uint8_t>(value & 0xff);
    key.modifier = modifierFromOpt(opt);
    return opcode == vst::effEditKeyDown ? ed->onKeyDown(key) : ed->onKeyUp(key);
}

std::int32_t ExtendedEffectBase::getPlugCategory() {
    return (effect_.flags & vst::effFlagsIsSynth) != 0 ? vst::kPlugCategSynth
                                                       : vst::kPlugCategUnknown;
}

void ExtendedEffectBase::setBlockSizeAndSampleRate(std::int32_t blockSize, float sampleRate) {
    blockSize_ = blockSize;
    if (isUsableSampleRate(sampleRate)) {
        sampleRate_ = sampleRate;
    }
}

// ---- Host-callback wrappers ------------------------------------------------------------------

void ExtendedEffectBase::wantEvents(std::int32_t filter) {
    callHost(vst::audioMasterWantMidi, 0, filter);
}

vst::VstTimeInfo* ExtendedEffectBase::getTimeInfo(std::int32_t filter) noexcept {
    return asPointer<vst::VstTimeInfo>(callHost(vst::audioMasterGetTime, 0, filter));
}

std::int32_t ExtendedEffectBase::tempoAt(std::int32_t pos) {
    return static_cast<std::int32_t>(callHost(vst::audioMasterTempoAt, 0, pos));
}

std::int32_t ExtendedEffectBase::getNumAutomatableParameters() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterGetNumAutomatableParameters));
}

std::int32_t ExtendedEffectBase::getParameterQuantization() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterGetParameterQuantization));
}

bool ExtendedEffectBase::ioChanged() {
    return callHost(vst::audioMasterIOChanged) != 0;
}

bool ExtendedEffectBase::needIdle() {
    return callHost(vst::audioMasterNeedIdle) != 0;
}

bool ExtendedEffectBase::sizeWindow(std::int32_t width, std::int32_t height) {
    return callHost(vst::audioMasterSizeWindow, width, height) != 0;
}

float ExtendedEffectBase::updateSampleRate() {
    callHost(vst::audioMasterGetSampleRate);
    return sampleRate_;
}

std::int32_t ExtendedEffectBase::updateBlockSize() {
    callHost(vst::audioMasterGetBlockSize);
    return blockSize_;
}

std::int32_t ExtendedEffectBase::getInputLatency() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterGetInputLatency));
}

std::int32_t ExtendedEffectBase::getOutputLatency() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterGetOutputLatency));
}

vst::AEffect* ExtendedEffectBase::getPreviousPlug(std::int32_t input) {
    return asPointer<vst::AEffect>(callHost(vst::audioMasterGetPreviousPlug, input));
}

vst::AEffect* ExtendedEffectBase::getNextPlug(std::int32_t output) {
    return asPointer<vst::AEffect>(callHost(vst::audioMasterGetNextPlug, output));
}

std::int32_t ExtendedEffectBase::willProcessReplacing() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterWillReplaceOrAccumulate));
}

std::int32_t ExtendedEffectBase::getCurrentProcessLevel() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterGetCurrentProcessLevel));
}

std::int32_t ExtendedEffectBase::getAutomationState() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterGetAutomationState));
}

bool ExtendedEffectBase::offlineStart(void* audioFiles, std::int32_t numAudioFiles,
                                      std::int32_t numNewAudioFiles) {
    return callHost(vst::audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, audioFiles) != 0;
}

bool ExtendedEffectBase::offlineRead(void* offline, std::int32_t option, bool readSource) {
    return callHost(vst::audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool ExtendedEffectBase::offlineWrite(void* offline, std::int32_t option) {
    return callHost(vst::audioMasterOfflineWrite, 0, option, offline) != 0;
}

std::int32_t ExtendedEffectBase::offlineGetCurrentPass() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterOfflineGetCurrentPass));
}

std::int32_t ExtendedEffectBase::offlineGetCurrentMetaPass() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterOfflineGetCurrentMetaPass));
}

void ExtendedEffectBase::setOutputSamplerate(float rate) {
    callHost(vst::audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}

void* ExtendedEffectBase::getSpeakerArrangement() {
    return asPointer<void>(callHost(vst::audioMasterGetSpeakerArrangement));
}

bool ExtendedEffectBase::getHostVendorString(char* text) {
    return text != nullptr && callHost(vst::audioMasterGetVendorString, 0, 0, text) != 0;
}

bool ExtendedEffectBase::getHostProductString(char* text) {
    return text != nullptr && callHost(vst::audioMasterGetProductString, 0, 0, text) != 0;
}

std::int32_t ExtendedEffectBase::getHostVendorVersion() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterGetVendorVersion));
}

std::intptr_t ExtendedEffectBase::hostVendorSpecific(std::int32_t index, std::intptr_t value,
                                                     void* ptr, float opt) {
    return callHost(vst::audioMasterVendorSpecific, index, value, ptr, opt);
}

bool ExtendedEffectBase::canHostDo(const char* text) {
    // The host only reads the text.
    return text != nullptr && callHost(vst::audioMasterCanDo, 0, 0, const_cast<char*>(text)) > 0;
}

std::int32_t ExtendedEffectBase::getHostLanguage() {
    return static_cast<std::int32_t>(callHost(vst::audioMasterGetLanguage));
}

void* ExtendedEffectBase::openWindow(void* window) {
    return asPointer<void>(callHost(vst::audioMasterOpenWindow, 0, 0, window));
}

bool ExtendedEffectBase::closeWindow(void* window) {
    return callHost(vst::audioMasterCloseWindow, 0, 0, window) != 0;
}

void* ExtendedEffectBase::getDirectory() {
    return asPointer<void>(callHost(vst::audioMasterGetDirectory));
}

bool ExtendedEffectBase::updateDisplay() {
    return callHost(vst::audioMasterUpdateDisplay) != 0;
}

void ExtendedEffectBase::beginEdit(std::int32_t index) {
    callHost(vst::audioMasterBeginEdit, index);
}

void ExtendedEffectBase::endEdit(std::int32_t index) {
    callHost(vst::audioMasterEndEdit, index);
}

bool ExtendedEffectBase::openFileSelector(vst::VstFileSelect* select) {
    return select != nullptr && callHost(vst::audioMasterOpenFileSelector, 0, 0, select) != 0;
}

bool ExtendedEffectBase::closeFileSelector(vst::VstFileSelect* select) {
    return select != nullptr && callHost(vst::audioMasterCloseFileSelector, 0, 0, select) != 0;
}

} // namespace quovent
