// The CLAP interface as a host sees it, part one: versions, the entry a library exports, the
// plug-in factory and descriptor, the host and plug-in records, events and event lists, the
// process record and byte streams. Written for this project from the published interface
// description; only formats/clap and the test hosts include it.
//
// ABI rules that these declarations follow:
// - Every record is a plain C struct, laid out naturally (no packing); functions are C
//   function pointers in the record, called with the C convention (__cdecl on Windows, which
//   only 32-bit Windows tells apart; the platform's default elsewhere).
// - Text is UTF-8 and zero-terminated; ids are 32-bit (kInvalidId for none).
// - The static_asserts at the end pin every size and offset for x86_64 (Linux, Windows) and
//   i686 (Windows); the test clap_abi_layout_* compiles this header for each target.
//
// Only <stddef.h> and <stdint.h> are included, so that the layout check can compile this header
// freestanding for targets whose C++ library is not installed.
#pragma once

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define QUOVENT_CLAP_CALL __cdecl
#else
#define QUOVENT_CLAP_CALL
#endif

namespace quovent::clap {

using Id = uint32_t;
inline constexpr Id kInvalidId = UINT32_MAX;
inline constexpr size_t kNameSize = 256;  // name fields, with the zero
inline constexpr size_t kPathSize = 1024; // module paths, with the zero

// ---- Versions ------------------------------------------------------------------------------
struct Version {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};
// The version these declarations follow; a host takes any 1.x.
inline constexpr Version kVersion{1, 2, 0};

// ---- Events --------------------------------------------------------------------------------
struct EventHeader {
    uint32_t size; // of the whole event record, bytes
    uint32_t time; // frames from the block's start
    uint16_t space_id;
    uint16_t type;
    uint32_t flags;
};

inline constexpr uint16_t kCoreEventSpace = 0;
enum EventFlags : uint32_t { kEventIsLive = 1u << 0, kEventDontRecord = 1u << 1 };
enum EventType : uint16_t {
    kEventNoteOn = 0,
    kEventNoteOff = 1,
    kEventNoteChoke = 2,
    kEventNoteEnd = 3,
    kEventNoteExpression = 4,
    kEventParamValue = 5,
    kEventParamMod = 6,
    kEventParamGestureBegin = 7,
    kEventParamGestureEnd = 8,
    kEventTransport = 9,
    kEventMidi = 10,
    kEventMidiSysex = 11,
    kEventMidi2 = 12,
};

// Note events; -1 in note_id, port_index, channel or key is a wildcard.
struct EventNote {
    EventHeader header;
    int32_t note_id;
    int16_t port_index;
    int16_t channel; // 0..15
    int16_t key;     // 0..127
    double velocity; // 0..1
};

struct EventParamValue {
    EventHeader header;
    Id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value; // plain value
};

struct EventParamGesture {
    EventHeader header;
    Id param_id;
};

struct EventMidi {
    EventHeader header;
    uint16_t port_index;
    uint8_t data[3];
};

// Beat times and second times are fixed point: 1 << 31 per beat or second.
enum TransportFlags : uint32_t {
    kTransportHasTempo = 1u << 0,
    kTransportHasBeatsTimeline = 1u << 1,
    kTransportHasSecondsTimeline = 1u << 2,
    kTransportHasTimeSignature = 1u << 3,
    kTransportIsPlaying = 1u << 4,
    kTransportIsRecording = 1u << 5,
    kTransportIsLoopActive = 1u << 6,
    kTransportIsWithinPreRoll = 1u << 7,
};

struct EventTransport {
    EventHeader header;
    uint32_t flags;
    int64_t song_pos_beats;
    int64_t song_pos_seconds;
    double tempo; // BPM
    double tempo_inc;
    int64_t loop_start_beats;
    int64_t loop_end_beats;
    int64_t loop_start_seconds;
    int64_t loop_end_seconds;
    int64_t bar_start;
    int32_t bar_number;
    uint16_t tsig_num;
    uint16_t tsig_denom;
};

// The host's list of a block's events, in time order; get answers null past the end.
struct InputEvents {
    void* ctx;
    uint32_t(QUOVENT_CLAP_CALL* size)(const InputEvents* list);
    const EventHeader*(QUOVENT_CLAP_CALL* get)(const InputEvents* list, uint32_t index);
};

// Where the plug-in writes its events; the host copies each. False when the list is full.
struct OutputEvents {
    void* ctx;
    bool(QUOVENT_CLAP_CALL* try_push)(const OutputEvents* list, const EventHeader* event);
};

// ---- Processing ----------------------------------------------------------------------------
struct AudioBuffer {
    float** data32; // channel_count pointers
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask; // bit c: channel c holds one value throughout
};

struct Process {
    int64_t steady_time; // frames since the start; -1 when the host keeps none
    uint32_t frames_count;
    const EventTransport* transport; // null when the host has none (a free-running render)
    const AudioBuffer* audio_inputs;
    AudioBuffer* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const InputEvents* in_events;
    const OutputEvents* out_events;
};

using ProcessStatus = int32_t;
enum : ProcessStatus {
    kProcessError = 0,
    kProcessContinue = 1,
    kProcessContinueIfNotQuiet = 2,
    kProcessTail = 3,
    kProcessSleep = 4,
};

// ---- Streams -------------------------------------------------------------------------------
// read answers the bytes read (0 at the end, -1 for an error); write the bytes written
// (-1 for an error). Either may move fewer bytes than asked.
struct IStream {
    void* ctx;
    int64_t(QUOVENT_CLAP_CALL* read)(const IStream* stream, void* buffer, uint64_t size);
};

struct OStream {
    void* ctx;
    int64_t(QUOVENT_CLAP_CALL* write)(const OStream* stream, const void* buffer, uint64_t size);
};

// ---- Host and plug-in ----------------------------------------------------------------------
struct Host {
    Version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    // The host's extension record of that id, or null.
    const void*(QUOVENT_CLAP_CALL* get_extension)(const Host* host, const char* extension_id);
    void(QUOVENT_CLAP_CALL* request_restart)(const Host* host);
    void(QUOVENT_CLAP_CALL* request_process)(const Host* host);
    void(QUOVENT_CLAP_CALL* request_callback)(const Host* host);
};

struct PluginDescriptor {
    Version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features; // ends with a null
};

// Threads, as the interface assigns them: init, destroy, activate, deactivate and
// get_extension on the host's main thread; start_processing, stop_processing, reset and
// process on its audio thread, while active.
struct Plugin {
    const PluginDescriptor* desc;
    void* plugin_data;
    bool(QUOVENT_CLAP_CALL* init)(const Plugin* plugin);
    void(QUOVENT_CLAP_CALL* destroy)(const Plugin* plugin);
    bool(QUOVENT_CLAP_CALL* activate)(const Plugin* plugin, double sample_rate,
                                      uint32_t min_frames_count, uint32_t max_frames_count);
    void(QUOVENT_CLAP_CALL* deactivate)(const Plugin* plugin);
    bool(QUOVENT_CLAP_CALL* start_processing)(const Plugin* plugin);
    void(QUOVENT_CLAP_CALL* stop_processing)(const Plugin* plugin);
    void(QUOVENT_CLAP_CALL* reset)(const Plugin* plugin);
    ProcessStatus(QUOVENT_CLAP_CALL* process)(const Plugin* plugin, const Process* process);
    const void*(QUOVENT_CLAP_CALL* get_extension)(const Plugin* plugin, const char* id);
    void(QUOVENT_CLAP_CALL* on_main_thread)(const Plugin* plugin);
};

// ---- Factory and entry ---------------------------------------------------------------------
inline constexpr const char* kPluginFactoryId = "clap.plugin-factory";

struct PluginFactory {
    uint32_t(QUOVENT_CLAP_CALL* get_plugin_count)(const PluginFactory* factory);
    const PluginDescriptor*(QUOVENT_CLAP_CALL* get_plugin_descriptor)(const PluginFactory* factory,
                                                                      uint32_t index);
    const Plugin*(QUOVENT_CLAP_CALL* create_plugin)(const PluginFactory* factory, const Host* host,
                                                    const char* plugin_id);
};

// The one symbol a library exports, named clap_entry: a record, not a function.
struct PluginEntry {
    Version clap_version;
    bool(QUOVENT_CLAP_CALL* init)(const char* plugin_path);
    void(QUOVENT_CLAP_CALL* deinit)();
    const void*(QUOVENT_CLAP_CALL* get_factory)(const char* factory_id);
};

// ---- Layouts -------------------------------------------------------------------------------
namespace layout {
inline constexpr bool k64 = sizeof(void*) == 8;
constexpr size_t pick(size_t on64, size_t on32) noexcept {
    return k64 ? on64 : on32;
}
} // namespace layout

static_assert(sizeof(bool) == 1 && sizeof(double) == 8 && alignof(double) == 8);
static_assert(sizeof(Version) == 12);
static_assert(sizeof(EventHeader) == 16 && offsetof(EventHeader, space_id) == 8 &&
              offsetof(EventHeader, type) == 10 && offsetof(EventHeader, flags) == 12);
static_assert(sizeof(EventNote) == 40 && offsetof(EventNote, note_id) == 16 &&
              offsetof(EventNote, port_index) == 20 && offsetof(EventNote, channel) == 22 &&
              offsetof(EventNote, key) == 24 && offsetof(EventNote, velocity) == 32);
static_assert(sizeof(EventParamValue) == layout::pick(56, 48) &&
              offsetof(EventParamValue, param_id) == 16 &&
              offsetof(EventParamValue, cookie) == layout::pick(24, 20) &&
              offsetof(EventParamValue, note_id) == layout::pick(32, 24) &&
              offsetof(EventParamValue, key) == layout::pick(40, 32) &&
              offsetof(EventParamValue, value) == layout::pick(48, 40));
static_assert(sizeof(EventParamGesture) == 20);
static_assert(sizeof(EventMidi) == 24 && offsetof(EventMidi, port_index) == 16 &&
              offsetof(EventMidi, data) == 18);
static_assert(sizeof(EventTransport) == 104 && offsetof(EventTransport, flags) == 16 &&
              offsetof(EventTransport, song_pos_beats) == 24 &&
              offsetof(EventTransport, tempo) == 40 && offsetof(EventTransport, bar_start) == 88 &&
              offsetof(EventTransport, bar_number) == 96 &&
              offsetof(EventTransport, tsig_denom) == 102);
static_assert(sizeof(InputEvents) == 3 * sizeof(void*) &&
              sizeof(OutputEvents) == 2 * sizeof(void*));
static_assert(sizeof(AudioBuffer) == layout::pick(32, 24) &&
              offsetof(AudioBuffer, channel_count) == layout::pick(16, 8) &&
              offsetof(AudioBuffer, constant_mask) == layout::pick(24, 16));
static_assert(sizeof(Process) == layout::pick(64, 40) && offsetof(Process, frames_count) == 8 &&
              offsetof(Process, transport) == layout::pick(16, 12) &&
              offsetof(Process, audio_outputs) == layout::pick(32, 20) &&
              offsetof(Process, audio_inputs_count) == layout::pick(40, 24) &&
              offsetof(Process, in_events) == layout::pick(48, 32) &&
              offsetof(Process, out_events) == layout::pick(56, 36));
static_assert(sizeof(IStream) == 2 * sizeof(void*) && sizeof(OStream) == 2 * sizeof(void*));
static_assert(sizeof(Host) == layout::pick(88, 48) &&
              offsetof(Host, host_data) == layout::pick(16, 12) &&
              offsetof(Host, get_extension) == layout::pick(56, 32) &&
              offsetof(Host, request_callback) == layout::pick(80, 44));
static_assert(sizeof(PluginDescriptor) == layout::pick(88, 48) &&
              offsetof(PluginDescriptor, id) == layout::pick(16, 12) &&
              offsetof(PluginDescriptor, features) == layout::pick(80, 44));
static_assert(sizeof(Plugin) == 12 * sizeof(void*) &&
              offsetof(Plugin, process) == 9 * sizeof(void*) &&
              offsetof(Plugin, on_main_thread) == 11 * sizeof(void*));
static_assert(sizeof(PluginFactory) == 3 * sizeof(void*));
static_assert(sizeof(PluginEntry) == layout::pick(40, 24) &&
              offsetof(PluginEntry, init) == layout::pick(16, 12) &&
              offsetof(PluginEntry, get_factory) == layout::pick(32, 20));

} // namespace quovent::clap
