// The VST 2 plug-in interface as the host sees it: records, entry signatures, dispatcher
// and host-callback opcodes, and flags. Written for this project from the interface's
// published numbers and layouts; only the host binding (host/) and host-side tools include it.
//
// Layout rules: fields are int32_t or pointer sized (intptr_t, pointers), never `long`,
// which is 32-bit on 64-bit Windows. Natural alignment gives the published layouts on
// x86_64 (Linux and Windows) and i686 (Windows) without packing pragmas; the static_asserts
// at the end pin every size and offset for each of them.
//
// Only <stdint.h> and <stddef.h> are included so that the layout check can also compile this
// header freestanding for targets whose C++ library is not installed.
#pragma once

#include <stddef.h>
#include <stdint.h>

// i686 Windows hosts call every entry with the C calling convention spelled out.
#if defined(_WIN32) && !defined(_WIN64)
#define QUOVENT_VSTCALL __cdecl
#else
#define QUOVENT_VSTCALL
#endif

namespace quovent::vst {

struct AEffect;

using HostCallback = intptr_t(QUOVENT_VSTCALL*)(AEffect* effect, int32_t opcode, int32_t index,
                                                intptr_t value, void* ptr, float opt);
using DispatcherProc = intptr_t(QUOVENT_VSTCALL*)(AEffect* effect, int32_t opcode, int32_t index,
                                                  intptr_t value, void* ptr, float opt);
using ProcessProc = void(QUOVENT_VSTCALL*)(AEffect* effect, float** inputs, float** outputs,
                                           int32_t sampleFrames);
using SetParameterProc = void(QUOVENT_VSTCALL*)(AEffect* effect, int32_t index, float value);
using GetParameterProc = float(QUOVENT_VSTCALL*)(AEffect* effect, int32_t index);
// The exported entry: one call per instance the host wants.
using PluginEntryProc = AEffect*(QUOVENT_VSTCALL*)(HostCallback hostCallback);

// Four-character codes are packed with the first character in the most significant byte.
constexpr int32_t fourCharCode(char a, char b, char c, char d) noexcept {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

inline constexpr int32_t kEffectMagic = fourCharCode('V', 's', 't', 'P');

// The record the host holds for every instance. The plug-in object embeds it.
struct AEffect {
    int32_t magic;
    DispatcherProc dispatcher;
    ProcessProc process; // accumulating: adds into the outputs
    SetParameterProc setParameter;
    GetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;
    intptr_t resvd1; // some hosts keep their own pointer here; the instance lives in object
    intptr_t resvd2;
    int32_t initialDelay;
    int32_t realQualities;
    int32_t offQualities;
    float ioRatio;
    void* object; // the plug-in object
    void* user;   // the host's
    int32_t uniqueID;
    int32_t version;
    ProcessProc processReplacing; // overwrites the outputs
    // Reserved at this interface level; later levels put processDoubleReplacing first.
    char future[60];
};

// Bits of AEffect::flags.
enum : int32_t {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,
    effFlagsHasVu = 1 << 2,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,
    effFlagsExtHasBuffer = 1 << 11,
};

// Dispatcher opcodes, host to plug-in. 0..24 are the basic set, 25..68 the extended one.
enum : int32_t {
    effOpen = 0,
    effClose = 1,
    effSetProgram = 2,
    effGetProgram = 3,
    effSetProgramName = 4,
    effGetProgramName = 5,
    effGetParamLabel = 6,
    effGetParamDisplay = 7,
    effGetParamName = 8,
    effGetVu = 9,
    effSetSampleRate = 10,
    effSetBlockSize = 11,
    effMainsChanged = 12,
    effEditGetRect = 13,
    effEditOpen = 14,
    effEditClose = 15,
    effEditDraw = 16,
    effEditMouse = 17,
    effEditKey = 18,
    effEditIdle = 19,
    effEditTop = 20,
    effEditSleep = 21,
    effIdentify = 22,
    effGetChunk = 23,
    effSetChunk = 24,
    effProcessEvents = 25,
    effCanBeAutomated = 26,
    effString2Parameter = 27,
    effGetNumProgramCategories = 28,
    effGetProgramNameIndexed = 29,
    effCopyProgram = 30,
    effConnectInput = 31,
    effConnectOutput = 32,
    effGetInputProperties = 33,
    effGetOutputProperties = 34,
    effGetPlugCategory = 35,
    effGetCurrentPosition = 36,
    effGetDestinationBuffer = 37,
    effOfflineNotify = 38,
    effOfflinePrepare = 39,
    effOfflineRun = 40,
    effProcessVarIo = 41,
    effSetSpeakerArrangement = 42,
    effSetBlockSizeAndSampleRate = 43,
    effSetBypass = 44,
    effGetEffectName = 45,
    effGetErrorText = 46,
    effGetVendorString = 47,
    effGetProductString = 48,
    effGetVendorVersion = 49,
    effVendorSpecific = 50,
    effCanDo = 51,
    effGetTailSize = 52,
    effIdle = 53,
    effGetIcon = 54,
    effSetViewPosition = 55,
    effGetParameterProperties = 56,
    effKeysRequired = 57,
    effGetVstVersion = 58,
    effEditKeyDown = 59,
    effEditKeyUp = 60,
    effSetEditKnobMode = 61,
    effGetMidiProgramName = 62,
    effGetCurrentMidiProgram = 63,
    effGetMidiProgramCategory = 64,
    effHasMidiProgramsChanged = 65,
    effGetMidiKeyName = 66,
    effBeginSetProgram = 67,
    effEndSetProgram = 68,
};

// Host-callback opcodes, plug-in to host. 5 is unused at this interface level.
enum : int32_t {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterSetTime = 9,
    audioMasterTempoAt = 10,
    audioMasterGetNumAutomatableParameters = 11,
    audioMasterGetParameterQuantization = 12,
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,
    audioMasterGetNextPlug = 21,
    audioMasterWillReplaceOrAccumulate = 22,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,
    audioMasterGetSpeakerArrangement = 31,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterSetIcon = 36,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,
    audioMasterCloseWindow = 40,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
};

// Answers of effGetPlugCategory.
enum : int32_t {
    kPlugCategUnknown = 0,
    kPlugCategEffect = 1,
    kPlugCategSynth = 2,
};

// Text buffer sizes the interface guarantees for the plug-in's answers, with the zero.
inline constexpr size_t kVstMaxProgNameLen = 24;
inline constexpr size_t kVstMaxParamStrLen = 8;
inline constexpr size_t kVstMaxVendorStrLen = 64;
inline constexpr size_t kVstMaxProductStrLen = 64;
inline constexpr size_t kVstMaxEffectNameLen = 32;

// One event of the host's list. Hosts fill byteSize inconsistently: it is never read.
enum : int32_t {
    kVstMidiType = 1,
    kVstSysExType = 6,
};

struct VstEvent {
    int32_t type;
    int32_t byteSize;
    int32_t deltaFrames; // frames into the coming block
    int32_t flags;
    char data[16];
};

struct VstMidiEvent {
    int32_t type; // kVstMidiType
    int32_t byteSize;
    int32_t deltaFrames;
    int32_t flags;
    int32_t noteLength;
    int32_t noteOffset;
    char midiData[4]; // status, data 1, data 2, unused
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

// The host's event list. events is declared with two entries but is as long as numEvents
// says; read it through a pointer, not by indexing the declared array.
struct VstEvents {
    int32_t numEvents;
    intptr_t reserved;
    VstEvent* events[2];
};

// Bits of VstTimeInfo::flags, also the request mask of audioMasterGetTime.
enum : int32_t {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 2,
    kVstTransportCycleActive = 4,
    kVstTransportRecording = 8,
    kVstNanosValid = 256,
    kVstPpqPosValid = 512,
    kVstTempoValid = 1024,
    kVstBarsValid = 2048,
    kVstCyclePosValid = 4096,
    kVstTimeSigValid = 8192,
};

struct VstTimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo; // beats per minute
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    int32_t timeSigNumerator;
    int32_t timeSigDenominator;
    int32_t smpteOffset;
    int32_t smpteFrameRate;
    int32_t samplesToNextClock;
    int32_t flags;
};

// Bits of VstPinProperties::flags.
enum : int32_t {
    kVstPinIsActive = 1,
    kVstPinIsStereo = 2,
    kVstPinUseSpeaker = 4,
};

inline constexpr size_t kVstMaxLabelLen = 64;
inline constexpr size_t kVstMaxShortLabelLen = 8;

struct VstPinProperties {
    char label[kVstMaxLabelLen];
    int32_t flags;
    int32_t arrangementType;
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

// Bits of VstKeyCode::modifier.
enum : uint8_t {
    MODIFIER_SHIFT = 1,
    MODIFIER_ALTERNATE = 2,
    MODIFIER_COMMAND = 4,
    MODIFIER_CONTROL = 8,
};

struct VstKeyCode {
    int32_t character;
    unsigned char virt;
    unsigned char modifier;
};

struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

struct VstFileType {
    char name[128];
    char macType[8];
    char dosType[8];
    char unixType[8];
    char mimeType1[128];
    char mimeType2[128];
};

// VstFileSelect::command.
enum : int32_t {
    kVstFileLoad = 0,
    kVstFileSave = 1,
    kVstMultipleFilesLoad = 2,
    kVstDirectorySelect = 3,
};

// VstFileSelect::type.
enum : int32_t {
    kVstFileType = 0,
};

struct VstFileSelect {
    int32_t command;
    int32_t type;
    int32_t macCreator;
    int32_t nbFileTypes;
    VstFileType* fileTypes;
    char title[1024];
    char* initialPath;
    char* returnPath; // set by the plug-in, or allocated by the host when null
    intptr_t sizeReturnPath;
    char** returnMultiplePaths; // allocated by the host
    int32_t nbReturnPath;       // paths returned
    intptr_t reserved;
    char future[116];
};

// The interface level this plug-in speaks: the answer to effGetVstVersion.
inline constexpr int32_t kVstVersion = 2200;

// ---- Layout checks ----------------------------------------------------------------------

static_assert(sizeof(VstEvent) == 32 && sizeof(VstMidiEvent) == 32);
static_assert(offsetof(VstMidiEvent, deltaFrames) == 8 && offsetof(VstMidiEvent, flags) == 12);
static_assert(offsetof(VstMidiEvent, noteLength) == 16 && offsetof(VstMidiEvent, noteOffset) == 20);
static_assert(offsetof(VstMidiEvent, midiData) == 24 && offsetof(VstMidiEvent, detune) == 28);
static_assert(offsetof(VstMidiEvent, noteOffVelocity) == 29);
static_assert(offsetof(VstMidiEvent, reserved1) == 30 && offsetof(VstMidiEvent, reserved2) == 31);
static_assert(offsetof(VstEvent, data) == 16);

static_assert(sizeof(VstTimeInfo) == 88);
static_assert(offsetof(VstTimeInfo, sampleRate) == 8 && offsetof(VstTimeInfo, nanoSeconds) == 16);
static_assert(offsetof(VstTimeInfo, ppqPos) == 24 && offsetof(VstTimeInfo, tempo) == 32);
static_assert(offsetof(VstTimeInfo, barStartPos) == 40);
static_assert(offsetof(VstTimeInfo, cycleStartPos) == 48);
static_assert(offsetof(VstTimeInfo, cycleEndPos) == 56);
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(VstTimeInfo, timeSigDenominator) == 68);
static_assert(offsetof(VstTimeInfo, smpteOffset) == 72);
static_assert(offsetof(VstTimeInfo, smpteFrameRate) == 76);
static_assert(offsetof(VstTimeInfo, samplesToNextClock) == 80);
static_assert(offsetof(VstTimeInfo, flags) == 84);

static_assert(sizeof(ERect) == 8 && offsetof(ERect, left) == 2);
static_assert(offsetof(ERect, bottom) == 4 && offsetof(ERect, right) == 6);

static_assert(sizeof(VstPinProperties) == 128 && offsetof(VstPinProperties, flags) == 64);
static_assert(offsetof(VstPinProperties, arrangementType) == 68);
static_assert(offsetof(VstPinProperties, shortLabel) == 72);
static_assert(offsetof(VstPinProperties, future) == 80);

static_assert(sizeof(VstKeyCode) == 8 && offsetof(VstKeyCode, virt) == 4);
static_assert(offsetof(VstKeyCode, modifier) == 5);

static_assert(sizeof(VstFileType) == 408 && offsetof(VstFileType, macType) == 128);
static_assert(offsetof(VstFileType, dosType) == 136 && offsetof(VstFileType, unixType) == 144);
static_assert(offsetof(VstFileType, mimeType1) == 152);
static_assert(offsetof(VstFileType, mimeType2) == 280);

static_assert(offsetof(VstFileSelect, type) == 4 && offsetof(VstFileSelect, macCreator) == 8);
static_assert(offsetof(VstFileSelect, nbFileTypes) == 12);
static_assert(offsetof(VstFileSelect, fileTypes) == 16);

#if defined(__x86_64__) || defined(_WIN64)
static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, dispatcher) == 8 && offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24 && offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40 && offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48 && offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56 && offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72 && offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84 && offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92 && offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104 && offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116 && offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, future) == 128);

static_assert(sizeof(VstEvents) == 32 && offsetof(VstEvents, reserved) == 8);
static_assert(offsetof(VstEvents, events) == 16);

static_assert(sizeof(VstFileSelect) == 1216 && offsetof(VstFileSelect, title) == 24);
static_assert(offsetof(VstFileSelect, initialPath) == 1048);
static_assert(offsetof(VstFileSelect, returnPath) == 1056);
static_assert(offsetof(VstFileSelect, sizeReturnPath) == 1064);
static_assert(offsetof(VstFileSelect, returnMultiplePaths) == 1072);
static_assert(offsetof(VstFileSelect, nbReturnPath) == 1080);
static_assert(offsetof(VstFileSelect, reserved) == 1088);
static_assert(offsetof(VstFileSelect, future) == 1096);
#elif defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(AEffect) == 144);
static_assert(offsetof(AEffect, dispatcher) == 4 && offsetof(AEffect, process) == 8);
static_assert(offsetof(AEffect, setParameter) == 12 && offsetof(AEffect, getParameter) == 16);
static_assert(offsetof(AEffect, numPrograms) == 20 && offsetof(AEffect, numParams) == 24);
static_assert(offsetof(AEffect, numInputs) == 28 && offsetof(AEffect, numOutputs) == 32);
static_assert(offsetof(AEffect, flags) == 36 && offsetof(AEffect, resvd1) == 40);
static_assert(offsetof(AEffect, resvd2) == 44 && offsetof(AEffect, initialDelay) == 48);
static_assert(offsetof(AEffect, realQualities) == 52 && offsetof(AEffect, offQualities) == 56);
static_assert(offsetof(AEffect, ioRatio) == 60 && offsetof(AEffect, object) == 64);
static_assert(offsetof(AEffect, user) == 68 && offsetof(AEffect, uniqueID) == 72);
static_assert(offsetof(AEffect, version) == 76 && offsetof(AEffect, processReplacing) == 80);
static_assert(offsetof(AEffect, future) == 84);

static_assert(sizeof(VstEvents) == 16 && offsetof(VstEvents, reserved) == 4);
static_assert(offsetof(VstEvents, events) == 8);

static_assert(sizeof(VstFileSelect) == 1184 && offsetof(VstFileSelect, title) == 20);
static_assert(offsetof(VstFileSelect, initialPath) == 1044);
static_assert(offsetof(VstFileSelect, returnPath) == 1048);
static_assert(offsetof(VstFileSelect, sizeReturnPath) == 1052);
static_assert(offsetof(VstFileSelect, returnMultiplePaths) == 1056);
static_assert(offsetof(VstFileSelect, nbReturnPath) == 1060);
static_assert(offsetof(VstFileSelect, reserved) == 1064);
static_assert(offsetof(VstFileSelect, future) == 1068);
#else
#error "the VST 2 record layouts are checked for x86_64 and i686 only"
#endif

} // namespace quovent::vst
