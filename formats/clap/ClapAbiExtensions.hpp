// The CLAP interface as a host sees it, part two: the extensions this plug-in offers (audio
// and note ports, parameters, state, latency, render, GUI, timer and descriptor callbacks) and
// the host's extensions it asks for (parameters, state, thread check, GUI, timers and
// descriptors to watch). Each is a record of C function pointers found by its id through
// get_extension. Same rules as ClapAbiBase.hpp.
#pragma once

#include "formats/clap/ClapAbiBase.hpp"

namespace quovent::clap {

// ---- Ids -----------------------------------------------------------------------------------
inline constexpr const char* kExtAudioPorts = "clap.audio-ports";
inline constexpr const char* kExtNotePorts = "clap.note-ports";
inline constexpr const char* kExtParams = "clap.params";
inline constexpr const char* kExtState = "clap.state";
inline constexpr const char* kExtLatency = "clap.latency";
inline constexpr const char* kExtRender = "clap.render";
inline constexpr const char* kExtGui = "clap.gui";
inline constexpr const char* kExtTimerSupport = "clap.timer-support";
inline constexpr const char* kExtPosixFdSupport = "clap.posix-fd-support";
inline constexpr const char* kExtThreadCheck = "clap.thread-check";

// ---- Audio ports ---------------------------------------------------------------------------
inline constexpr const char* kPortStereo = "stereo";
enum AudioPortFlags : uint32_t {
    kAudioPortIsMain = 1u << 0,
    kAudioPortSupports64Bits = 1u << 1,
    kAudioPortPrefers64Bits = 1u << 2,
    kAudioPortRequiresCommonSampleSize = 1u << 3,
};

struct AudioPortInfo {
    Id id;
    char name[kNameSize];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;
    Id in_place_pair; // kInvalidId: no in-place processing
};

struct PluginAudioPorts {
    uint32_t(QUOVENT_CLAP_CALL* count)(const Plugin* plugin, bool is_input);
    bool(QUOVENT_CLAP_CALL* get)(const Plugin* plugin, uint32_t index, bool is_input,
                                 AudioPortInfo* info);
};

// ---- Note ports ----------------------------------------------------------------------------
enum NoteDialect : uint32_t {
    kNoteDialectClap = 1u << 0,
    kNoteDialectMidi = 1u << 1,
    kNoteDialectMidiMpe = 1u << 2,
    kNoteDialectMidi2 = 1u << 3,
};

struct NotePortInfo {
    Id id;
    uint32_t supported_dialects;
    uint32_t preferred_dialect;
    char name[kNameSize];
};

struct PluginNotePorts {
    uint32_t(QUOVENT_CLAP_CALL* count)(const Plugin* plugin, bool is_input);
    bool(QUOVENT_CLAP_CALL* get)(const Plugin* plugin, uint32_t index, bool is_input,
                                 NotePortInfo* info);
};

// ---- Parameters ----------------------------------------------------------------------------
enum ParamFlags : uint32_t {
    kParamIsStepped = 1u << 0,
    kParamIsPeriodic = 1u << 1,
    kParamIsHidden = 1u << 2,
    kParamIsReadonly = 1u << 3,
    kParamIsBypass = 1u << 4,
    kParamIsAutomatable = 1u << 5,
    kParamIsModulatable = 1u << 10,
    kParamRequiresProcess = 1u << 15,
    kParamIsEnum = 1u << 16,
};

struct ParamInfo {
    Id id;
    uint32_t flags;
    void* cookie;
    char name[kNameSize];
    char module[kPathSize]; // "/"-separated groups, empty for none
    double min_value;       // plain values
    double max_value;
    double default_value;
};

// flush: [active ? audio thread : main thread], never beside process. The rest: main thread.
struct PluginParams {
    uint32_t(QUOVENT_CLAP_CALL* count)(const Plugin* plugin);
    bool(QUOVENT_CLAP_CALL* get_info)(const Plugin* plugin, uint32_t param_index, ParamInfo* info);
    bool(QUOVENT_CLAP_CALL* get_value)(const Plugin* plugin, Id param_id, double* out_value);
    bool(QUOVENT_CLAP_CALL* value_to_text)(const Plugin* plugin, Id param_id, double value,
                                           char* out_buffer, uint32_t out_buffer_capacity);
    bool(QUOVENT_CLAP_CALL* text_to_value)(const Plugin* plugin, Id param_id,
                                           const char* param_value_text, double* out_value);
    void(QUOVENT_CLAP_CALL* flush)(const Plugin* plugin, const InputEvents* in,
                                   const OutputEvents* out);
};

enum ParamRescanFlags : uint32_t {
    kParamRescanValues = 1u << 0,
    kParamRescanText = 1u << 1,
    kParamRescanInfo = 1u << 2,
    kParamRescanAll = 1u << 3,
};

// rescan and clear: main thread. request_flush: any thread but the audio thread.
struct HostParams {
    void(QUOVENT_CLAP_CALL* rescan)(const Host* host, uint32_t flags);
    void(QUOVENT_CLAP_CALL* clear)(const Host* host, Id param_id, uint32_t flags);
    void(QUOVENT_CLAP_CALL* request_flush)(const Host* host);
};

// ---- State ---------------------------------------------------------------------------------
struct PluginState {
    bool(QUOVENT_CLAP_CALL* save)(const Plugin* plugin, const OStream* stream);
    bool(QUOVENT_CLAP_CALL* load)(const Plugin* plugin, const IStream* stream);
};

struct HostState {
    void(QUOVENT_CLAP_CALL* mark_dirty)(const Host* host);
};

// ---- Latency and render --------------------------------------------------------------------
struct PluginLatency {
    uint32_t(QUOVENT_CLAP_CALL* get)(const Plugin* plugin);
};

using RenderMode = int32_t;
enum : RenderMode { kRenderRealtime = 0, kRenderOffline = 1 };

struct PluginRender {
    bool(QUOVENT_CLAP_CALL* has_hard_realtime_requirement)(const Plugin* plugin);
    bool(QUOVENT_CLAP_CALL* set)(const Plugin* plugin, RenderMode mode);
};

// ---- Thread check --------------------------------------------------------------------------
struct HostThreadCheck {
    bool(QUOVENT_CLAP_CALL* is_main_thread)(const Host* host);
    bool(QUOVENT_CLAP_CALL* is_audio_thread)(const Host* host);
};

// ---- GUI -----------------------------------------------------------------------------------
inline constexpr const char* kWindowApiWin32 = "win32";
inline constexpr const char* kWindowApiCocoa = "cocoa";
inline constexpr const char* kWindowApiX11 = "x11";
inline constexpr const char* kWindowApiWayland = "wayland";

struct Window {
    const char* api;
    union {
        void* cocoa;
        unsigned long x11; // an X window id
        void* win32;       // an HWND
        void* ptr;
    };
};

struct GuiResizeHints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
};

// Every call on the host's main thread. Sizes are in the window system's pixels for x11 and
// win32.
struct PluginGui {
    bool(QUOVENT_CLAP_CALL* is_api_supported)(const Plugin* plugin, const char* api,
                                              bool is_floating);
    bool(QUOVENT_CLAP_CALL* get_preferred_api)(const Plugin* plugin, const char** api,
                                               bool* is_floating);
    bool(QUOVENT_CLAP_CALL* create)(const Plugin* plugin, const char* api, bool is_floating);
    void(QUOVENT_CLAP_CALL* destroy)(const Plugin* plugin);
    bool(QUOVENT_CLAP_CALL* set_scale)(const Plugin* plugin, double scale);
    bool(QUOVENT_CLAP_CALL* get_size)(const Plugin* plugin, uint32_t* width, uint32_t* height);
    bool(QUOVENT_CLAP_CALL* can_resize)(const Plugin* plugin);
    bool(QUOVENT_CLAP_CALL* get_resize_hints)(const Plugin* plugin, GuiResizeHints* hints);
    bool(QUOVENT_CLAP_CALL* adjust_size)(const Plugin* plugin, uint32_t* width, uint32_t* height);
    bool(QUOVENT_CLAP_CALL* set_size)(const Plugin* plugin, uint32_t width, uint32_t height);
    bool(QUOVENT_CLAP_CALL* set_parent)(const Plugin* plugin, const Window* window);
    bool(QUOVENT_CLAP_CALL* set_transient)(const Plugin* plugin, const Window* window);
    void(QUOVENT_CLAP_CALL* suggest_title)(const Plugin* plugin, const char* title);
    bool(QUOVENT_CLAP_CALL* show)(const Plugin* plugin);
    bool(QUOVENT_CLAP_CALL* hide)(const Plugin* plugin);
};

struct HostGui {
    void(QUOVENT_CLAP_CALL* resize_hints_changed)(const Host* host);
    // True when the host took the size (from the main thread: it has resized by then).
    bool(QUOVENT_CLAP_CALL* request_resize)(const Host* host, uint32_t width, uint32_t height);
    bool(QUOVENT_CLAP_CALL* request_show)(const Host* host);
    bool(QUOVENT_CLAP_CALL* request_hide)(const Host* host);
    void(QUOVENT_CLAP_CALL* closed)(const Host* host, bool was_destroyed);
};

// ---- Timers and descriptors the host's main loop serves ------------------------------------
struct PluginTimerSupport {
    void(QUOVENT_CLAP_CALL* on_timer)(const Plugin* plugin, Id timer_id);
};

struct HostTimerSupport {
    bool(QUOVENT_CLAP_CALL* register_timer)(const Host* host, uint32_t period_ms, Id* timer_id);
    bool(QUOVENT_CLAP_CALL* unregister_timer)(const Host* host, Id timer_id);
};

enum PosixFdFlags : uint32_t {
    kPosixFdRead = 1u << 0,
    kPosixFdWrite = 1u << 1,
    kPosixFdError = 1u << 2
};

struct PluginPosixFdSupport {
    void(QUOVENT_CLAP_CALL* on_fd)(const Plugin* plugin, int fd, uint32_t flags);
};

struct HostPosixFdSupport {
    bool(QUOVENT_CLAP_CALL* register_fd)(const Host* host, int fd, uint32_t flags);
    bool(QUOVENT_CLAP_CALL* modify_fd)(const Host* host, int fd, uint32_t flags);
    bool(QUOVENT_CLAP_CALL* unregister_fd)(const Host* host, int fd);
};

// ---- Layouts -------------------------------------------------------------------------------
static_assert(sizeof(AudioPortInfo) == layout::pick(288, 276) &&
              offsetof(AudioPortInfo, name) == 4 && offsetof(AudioPortInfo, flags) == 260 &&
              offsetof(AudioPortInfo, channel_count) == 264 &&
              offsetof(AudioPortInfo, port_type) == layout::pick(272, 268) &&
              offsetof(AudioPortInfo, in_place_pair) == layout::pick(280, 272));
static_assert(sizeof(NotePortInfo) == 268 && offsetof(NotePortInfo, preferred_dialect) == 8 &&
              offsetof(NotePortInfo, name) == 12);
static_assert(sizeof(ParamInfo) == 1320 && offsetof(ParamInfo, cookie) == 8 &&
              offsetof(ParamInfo, name) == layout::pick(16, 12) &&
              offsetof(ParamInfo, module) == layout::pick(272, 268) &&
              offsetof(ParamInfo, min_value) == 1296 && offsetof(ParamInfo, max_value) == 1304 &&
              offsetof(ParamInfo, default_value) == 1312);
static_assert(sizeof(PluginParams) == 6 * sizeof(void*) && sizeof(HostParams) == 3 * sizeof(void*));
static_assert(sizeof(PluginGui) == 15 * sizeof(void*) &&
              offsetof(PluginGui, set_parent) == 10 * sizeof(void*));
static_assert(sizeof(HostGui) == 5 * sizeof(void*));
static_assert(sizeof(Window) == 2 * sizeof(void*) && offsetof(Window, x11) == sizeof(void*));
static_assert(sizeof(GuiResizeHints) == 12 && offsetof(GuiResizeHints, aspect_ratio_width) == 4);
static_assert(sizeof(HostPosixFdSupport) == 3 * sizeof(void*));

} // namespace quovent::clap
