// A small CLAP host for tests: loads the library of this build (dlopen, LoadLibraryW) and
// reads its clap_entry, creates, initializes and activates one instance as hosts do, and
// offers the extensions the plug-in asks for: parameters (rescans and flush requests
// counted), a thread check (the audio thread is whoever is inside process()) and, on Linux,
// a main loop serving the plug-in's timers and descriptors.
//
//     quovent::test::ClapLibrary library;
//     quovent::test::ClapTestHost host;
//     quovent::test::ClapInstance plugin(library, host, 48000.0, 512);
//     quovent::test::ClapBuffers out(512);
//     quovent::test::ClapEventList events;
//     events.add(ClapEventList::note(clap::kEventNoteOn, 0, 9, 60, 0.8));
//     plugin.process(out, &events);
//
// Threads: the test's thread drives everything; process may be called from another.
#pragma once

#include "formats/clap/ClapAbiExtensions.hpp"
#include "tests/support/PluginLibrary.hpp"
#include "tests/support/TestHost.hpp"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quovent::test {

class ClapLibrary {
public:
    static std::string path(); // the library built with this tree (UTF-8)
    // Loads it, reads clap_entry, calls init and takes the plug-in factory; throws
    // std::runtime_error when any is missing or refuses.
    explicit ClapLibrary(const std::string& path = ClapLibrary::path());
    ~ClapLibrary(); // deinit, then unloads
    ClapLibrary(const ClapLibrary&) = delete;
    ClapLibrary& operator=(const ClapLibrary&) = delete;

    const clap::PluginFactory& factory() const noexcept { return *factory_; }

private:
    std::unique_ptr<PluginLibrary> library_;
    const clap::PluginEntry* entry_ = nullptr;
    const clap::PluginFactory* factory_ = nullptr;
};

// A block's input events as the host lists them: copies of any records, hostile ones too.
class ClapEventList {
public:
    ClapEventList();
    static clap::EventNote note(std::uint16_t type, std::uint32_t time, int channel, int key,
                                double velocity, int port = 0);
    static clap::EventMidi midi(std::uint32_t time, std::uint8_t status, std::uint8_t data1,
                                std::uint8_t data2);
    static clap::EventParamValue param(std::uint32_t time, clap::Id id, double value);

    template <typename Record> void add(const Record& record) { addBytes(&record, sizeof(record)); }
    void addBytes(const void* bytes, std::size_t size);
    void addNull() { events_.emplace_back(); }
    const clap::InputEvents* list() const noexcept { return &list_; }

private:
    std::vector<std::vector<std::uint64_t>> events_; // 8-byte aligned copies; empty: null
    clap::InputEvents list_;
};

// Where the plug-in pushes its events: kept in order; refused past `room`.
class ClapEventSink {
public:
    struct Pushed {
        std::uint16_t type;
        clap::Id id;
        double value; // PARAM_VALUE only
    };
    explicit ClapEventSink(std::size_t room = SIZE_MAX);
    const clap::OutputEvents* list() const noexcept { return &list_; }
    std::vector<Pushed> pushed;
    std::size_t room;

private:
    clap::OutputEvents list_;
};

// The shared twelve channels as six stereo ports.
class ClapBuffers : public AudioBuffers {
public:
    explicit ClapBuffers(int frames, float fill = 0.0f);
    clap::AudioBuffer* ports() noexcept { return ports_.data(); }

private:
    std::array<clap::AudioBuffer, 6> ports_{};
};

class ClapTestHost {
public:
    explicit ClapTestHost(bool servesLoop = true);
    ClapTestHost(const ClapTestHost&) = delete;
    ClapTestHost& operator=(const ClapTestHost&) = delete;

    const clap::Host* record() const noexcept { return &host_; }
    // The instance whose timers and descriptors the loop serves.
    void serve(const clap::Plugin* plugin) noexcept { served_ = plugin; }
    // One pass of the main loop: waits a little for a descriptor, then calls the plug-in for
    // the readable ones and the timers that are due (Linux).
    void turn(std::chrono::milliseconds wait = std::chrono::milliseconds(5));

    // What the plug-in asked of the host.
    int rescans = 0;
    std::uint32_t lastRescan = 0;
    int flushRequests = 0;
    int dirtyMarks = 0; // state mark_dirty calls
    struct Timer {
        clap::Id id;
        std::chrono::milliseconds period;
        std::chrono::steady_clock::time_point due;
    };
    std::vector<Timer> timers;
    std::vector<int> descriptors;
    int timerCalls = 0;
    int descriptorCalls = 0;

private:
    static const void* QUOVENT_CLAP_CALL extension(const clap::Host* host, const char* id);

    bool servesLoop_;
    clap::Host host_;
    const clap::Plugin* served_ = nullptr;
    clap::Id nextTimer_ = 7;
};

// While one lives, the host's thread check takes this thread for its audio thread (as it does
// inside ClapInstance::process), for tests that call the plug-in's record directly.
class ClapAudioThread {
public:
    ClapAudioThread();
    ~ClapAudioThread();
    ClapAudioThread(const ClapAudioThread&) = delete;
    ClapAudioThread& operator=(const ClapAudioThread&) = delete;
};

// How a memory stream behaves: at most `chunk` bytes a call, an error once `failAt` bytes went
// through, or a claim of one byte more than asked.
struct ClapStreamPlan {
    std::size_t chunk = SIZE_MAX;
    std::size_t failAt = SIZE_MAX;
    bool overstates = false;
};

class ClapInstance {
public:
    // Created through the factory, initialized, activated at the rate and processing; throws
    // std::runtime_error when a step refuses.
    ClapInstance(ClapLibrary& library, ClapTestHost& host, double rate = 44100.0,
                 std::uint32_t maxBlock = 4096);
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    const clap::Plugin* plugin() const noexcept { return plugin_; }
    template <typename Extension> const Extension* extension(const char* id) const {
        return static_cast<const Extension*>(plugin_->get_extension(plugin_, id));
    }
    // One block; a tempo of 0 gives no transport.
    clap::ProcessStatus process(ClapBuffers& out, const ClapEventList* in = nullptr,
                                ClapEventSink* sink = nullptr, double tempo = 0.0);
    // The state through a memory stream; nullopt when the plug-in refuses.
    std::optional<std::string> save(ClapStreamPlan plan = {});
    bool load(std::string_view bytes, ClapStreamPlan plan = {});

private:
    const clap::Plugin* plugin_ = nullptr;
    bool active_ = false;
};

} // namespace quovent::test
