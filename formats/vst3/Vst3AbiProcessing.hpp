// The VST 3 interface as a host sees it, part two: the component (buses, routing, state) and
// the audio processor with everything a block brings (process setup and data, bus buffers,
// the process context, events, parameter changes). Same rules as Vst3AbiBase.hpp.
#pragma once

#include "formats/vst3/Vst3AbiBase.hpp"

namespace quovent::vst3 {

using String128 = char16[128]; // zero-terminated UTF-16
using MediaType = int32;
using BusDirection = int32;
using BusType = int32;
using IoMode = int32;
using ParamID = uint32;
using ParamValue = double;
using TSamples = int64;
using TQuarterNotes = double;
using SpeakerArrangement = uint64; // a bit per speaker
using Sample32 = float;
using Sample64 = double;
using SampleRate = double;

// ---- Buses ---------------------------------------------------------------------------------
enum MediaTypes : int32 { kAudio = 0, kEvent = 1 };
enum BusDirections : int32 { kInput = 0, kOutput = 1 };
enum BusTypes : int32 { kMain = 0, kAux = 1 };
enum IoModes : int32 { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };

struct BusInfo {
    enum BusFlags : uint32 {
        kDefaultActive = 1 << 0,
        kIsControlVoltage = 1 << 1,
    };
    MediaType mediaType;
    BusDirection direction;
    int32 channelCount;
    String128 name;
    BusType busType;
    uint32 flags;
};

struct RoutingInfo {
    MediaType mediaType;
    int32 busIndex;
    int32 channel;
};

namespace SpeakerArr {
inline constexpr SpeakerArrangement kEmpty = 0;
inline constexpr SpeakerArrangement kStereo = (1ull << 0) | (1ull << 1); // left, right
} // namespace SpeakerArr

class IComponent : public IPluginBase {
public:
    static constexpr Uid iid = makeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);

    virtual tresult QUOVENT_VST3_CALL getControllerClassId(TUID classId) = 0;
    virtual tresult QUOVENT_VST3_CALL setIoMode(IoMode mode) = 0;
    virtual int32 QUOVENT_VST3_CALL getBusCount(MediaType type, BusDirection dir) = 0;
    virtual tresult QUOVENT_VST3_CALL getBusInfo(MediaType type, BusDirection dir, int32 index,
                                                 BusInfo* bus) = 0;
    virtual tresult QUOVENT_VST3_CALL getRoutingInfo(RoutingInfo* inInfo, RoutingInfo* outInfo) = 0;
    virtual tresult QUOVENT_VST3_CALL activateBus(MediaType type, BusDirection dir, int32 index,
                                                  TBool state) = 0;
    virtual tresult QUOVENT_VST3_CALL setActive(TBool state) = 0;
    virtual tresult QUOVENT_VST3_CALL setState(IBStream* state) = 0;
    virtual tresult QUOVENT_VST3_CALL getState(IBStream* state) = 0;

protected:
    ~IComponent() = default;
};

// ---- Process setup -------------------------------------------------------------------------
enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
inline constexpr uint32 kNoTail = 0;
inline constexpr uint32 kInfiniteTail = 0xFFFFFFFFu;

struct ProcessSetup {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 maxSamplesPerBlock;
    SampleRate sampleRate;
};

// One bus's channels for a block.
struct AudioBusBuffers {
    int32 numChannels;
    uint64 silenceFlags; // bit n: channel n is silent (set by the plug-in for outputs)
    union {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};

// ---- Process context -----------------------------------------------------------------------
struct FrameRate {
    uint32 framesPerSecond;
    uint32 flags;
};

struct Chord {
    uint8 keyNote;
    uint8 rootNote;
    int16 chordMask;
};

struct ProcessContext {
    enum StatesAndFlags : uint32 {
        kPlaying = 1 << 1,
        kCycleActive = 1 << 2,
        kRecording = 1 << 3,
        kSystemTimeValid = 1 << 8,
        kProjectTimeMusicValid = 1 << 9,
        kTempoValid = 1 << 10,
        kBarPositionValid = 1 << 11,
        kCycleValid = 1 << 12,
        kTimeSigValid = 1 << 13,
        kSmpteValid = 1 << 14,
        kClockValid = 1 << 15,
        kContTimeValid = 1 << 17,
        kChordValid = 1 << 18,
    };
    uint32 state;
    double sampleRate;
    TSamples projectTimeSamples;
    int64 systemTime;
    TSamples continousTimeSamples; // sic: the interface's spelling
    TQuarterNotes projectTimeMusic;
    TQuarterNotes barPositionMusic;
    TQuarterNotes cycleStartMusic;
    TQuarterNotes cycleEndMusic;
    double tempo; // quarter notes per minute
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    Chord chord;
    int32 smpteOffsetSubframes;
    FrameRate frameRate;
    int32 samplesToNextClock;
};

// ---- Events --------------------------------------------------------------------------------
struct NoteOnEvent {
    int16 channel;  // 0..15
    int16 pitch;    // 0..127
    float tuning;   // cents
    float velocity; // 0..1
    int32 length;
    int32 noteId;
};

struct NoteOffEvent {
    int16 channel;
    int16 pitch;
    float velocity;
    int32 noteId;
    float tuning;
};

struct DataEvent {
    uint32 size;
    uint32 type;
    const uint8* bytes;
};

struct PolyPressureEvent {
    int16 channel;
    int16 pitch;
    float pressure;
    int32 noteId;
};

struct NoteExpressionValueEvent {
    uint32 typeId;
    int32 noteId;
    double value;
};

struct NoteExpressionTextEvent {
    uint32 typeId;
    int32 noteId;
    uint32 textLen;
    const char16* text;
};

struct ChordEvent {
    int16 root;
    int16 bassNote;
    int16 mask;
    uint16 textLen;
    const char16* text;
};

struct ScaleEvent {
    int16 root;
    int16 mask;
    uint16 textLen;
    const char16* text;
};

struct LegacyMIDICCOutEvent {
    uint8 controlNumber;
    int8 channel;
    int8 value;
    int8 value2;
};

struct Event {
    enum EventFlags : uint16 { kIsLive = 1 << 0 };
    enum EventTypes : uint16 {
        kNoteOnEvent = 0,
        kNoteOffEvent = 1,
        kDataEvent = 2,
        kPolyPressureEvent = 3,
        kNoteExpressionValueEvent = 4,
        kNoteExpressionTextEvent = 5,
        kChordEvent = 6,
        kScaleEvent = 7,
        kLegacyMIDICCOutEvent = 65535,
    };
    int32 busIndex;
    int32 sampleOffset; // frames into the block
    TQuarterNotes ppqPosition;
    uint16 flags;
    uint16 type;
    union {
        NoteOnEvent noteOn;
        NoteOffEvent noteOff;
        DataEvent data;
        PolyPressureEvent polyPressure;
        NoteExpressionValueEvent noteExpressionValue;
        NoteExpressionTextEvent noteExpressionText;
        ChordEvent chord;
        ScaleEvent scale;
        LegacyMIDICCOutEvent midiCCOut;
    };
};

class IEventList : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);

    virtual int32 QUOVENT_VST3_CALL getEventCount() = 0;
    virtual tresult QUOVENT_VST3_CALL getEvent(int32 index, Event* e) = 0;
    virtual tresult QUOVENT_VST3_CALL addEvent(Event* e) = 0;

protected:
    ~IEventList() = default;
};

// ---- Parameter changes ---------------------------------------------------------------------
class IParamValueQueue : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);

    virtual ParamID QUOVENT_VST3_CALL getParameterId() = 0;
    virtual int32 QUOVENT_VST3_CALL getPointCount() = 0;
    virtual tresult QUOVENT_VST3_CALL getPoint(int32 index, int32* sampleOffset,
                                               ParamValue* value) = 0;
    virtual tresult QUOVENT_VST3_CALL addPoint(int32 sampleOffset, ParamValue value,
                                               int32* index) = 0;

protected:
    ~IParamValueQueue() = default;
};

class IParameterChanges : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);

    virtual int32 QUOVENT_VST3_CALL getParameterCount() = 0;
    virtual IParamValueQueue* QUOVENT_VST3_CALL getParameterData(int32 index) = 0;
    virtual IParamValueQueue* QUOVENT_VST3_CALL addParameterData(const ParamID* id,
                                                                 int32* index) = 0;

protected:
    ~IParameterChanges() = default;
};

// ---- Processing ----------------------------------------------------------------------------
struct ProcessData {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;
    int32 numInputs;  // audio input buses
    int32 numOutputs; // audio output buses
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext; // may be null
};

class IAudioProcessor : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);

    virtual tresult QUOVENT_VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                         SpeakerArrangement* outputs,
                                                         int32 numOuts) = 0;
    virtual tresult QUOVENT_VST3_CALL getBusArrangement(BusDirection dir, int32 index,
                                                        SpeakerArrangement* arr) = 0;
    virtual tresult QUOVENT_VST3_CALL canProcessSampleSize(int32 symbolicSampleSize) = 0;
    virtual uint32 QUOVENT_VST3_CALL getLatencySamples() = 0;
    virtual tresult QUOVENT_VST3_CALL setupProcessing(ProcessSetup* setup) = 0;
    virtual tresult QUOVENT_VST3_CALL setProcessing(TBool state) = 0;
    virtual tresult QUOVENT_VST3_CALL process(ProcessData* data) = 0;
    virtual uint32 QUOVENT_VST3_CALL getTailSamples() = 0;

protected:
    ~IAudioProcessor() = default;
};

class IProcessContextRequirements : public FUnknown {
public:
    static constexpr Uid iid = makeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);

    enum Flags : uint32 {
        kNeedSystemTime = 1 << 0,
        kNeedContinousTimeSamples = 1 << 1,
        kNeedProjectTimeMusic = 1 << 2,
        kNeedBarPositionMusic = 1 << 3,
        kNeedCycleMusic = 1 << 4,
        kNeedSamplesToNextClock = 1 << 5,
        kNeedTempo = 1 << 6,
        kNeedTimeSignature = 1 << 7,
        kNeedChord = 1 << 8,
        kNeedFrameRate = 1 << 9,
        kNeedTransportState = 1 << 10,
    };
    virtual uint32 QUOVENT_VST3_CALL getProcessContextRequirements() = 0;

protected:
    ~IProcessContextRequirements() = default;
};

// ---- Layouts -------------------------------------------------------------------------------
inline constexpr bool kPointers64 = sizeof(void*) == 8;

static_assert(sizeof(String128) == 256);
static_assert(sizeof(BusInfo) == 276 && offsetof(BusInfo, name) == 12 &&
              offsetof(BusInfo, busType) == 268 && offsetof(BusInfo, flags) == 272);
static_assert(sizeof(RoutingInfo) == 12);
static_assert(sizeof(ProcessSetup) == 24 && offsetof(ProcessSetup, sampleRate) == 16);
static_assert(sizeof(AudioBusBuffers) == 24 && offsetof(AudioBusBuffers, silenceFlags) == 8 &&
              offsetof(AudioBusBuffers, channelBuffers32) == 16);
static_assert(sizeof(Chord) == 4 && sizeof(FrameRate) == 8);
static_assert(sizeof(ProcessContext) == 112 && offsetof(ProcessContext, sampleRate) == 8 &&
              offsetof(ProcessContext, tempo) == 72 &&
              offsetof(ProcessContext, timeSigNumerator) == 80 &&
              offsetof(ProcessContext, chord) == 88 &&
              offsetof(ProcessContext, smpteOffsetSubframes) == 92 &&
              offsetof(ProcessContext, frameRate) == 96 &&
              offsetof(ProcessContext, samplesToNextClock) == 104);
static_assert(sizeof(NoteOnEvent) == 20 && offsetof(NoteOnEvent, velocity) == 8 &&
              offsetof(NoteOnEvent, noteId) == 16);
static_assert(sizeof(NoteOffEvent) == 16 && offsetof(NoteOffEvent, velocity) == 4 &&
              offsetof(NoteOffEvent, tuning) == 12);
static_assert(sizeof(Event) == 48 && offsetof(Event, sampleOffset) == 4 &&
              offsetof(Event, ppqPosition) == 8 && offsetof(Event, flags) == 16 &&
              offsetof(Event, type) == 18 && offsetof(Event, noteOn) == 24);
static_assert(sizeof(ProcessData) == (kPointers64 ? 80 : 48) &&
              offsetof(ProcessData, numOutputs) == 16 &&
              offsetof(ProcessData, inputs) == (kPointers64 ? 24 : 20) &&
              offsetof(ProcessData, outputs) == (kPointers64 ? 32 : 24) &&
              offsetof(ProcessData, inputParameterChanges) == (kPointers64 ? 40 : 28) &&
              offsetof(ProcessData, inputEvents) == (kPointers64 ? 56 : 36) &&
              offsetof(ProcessData, processContext) == (kPointers64 ? 72 : 44));

} // namespace quovent::vst3
