// A small VST 2 host for tests: loads the built plug-in (build/quovent.so with dlopen, or
// build-win32/quovent.dll and build-win64/quovent.dll with LoadLibraryW) and finds
// VSTPluginMain exactly as a host of that platform does, drives one instance through its
// effect record, records every call the plug-in makes to the host and answers them as the
// test says. Every call into the plug-in goes through EntryCalls, which on 32-bit Windows
// arrives with a misaligned stack.
//
// Typical use:
//
//     quovent::test::TestHost host;            // loads the plug-in; throws if it cannot
//     host.setTempo(140.0);                    // answer of audioMasterGetTime
//     vst::AEffect* effect = host.open();      // calls the entry; null when refused
//     host.prepare(48000.0f, 512);             // open, rate, block size, resume
//     host.sendMidi({{0, 0x9e, 60, 100}});     // note 60 on channel 15: pattern 0
//     quovent::test::AudioBuffers out(512);
//     host.process(out);                       // accumulating entry, 12 channels
//     EXPECT_EQ(host.count(vst::audioMasterWantMidi), 1u);
//
// The destructor closes an open instance (effClose) and unloads the library. One TestHost
// drives one instance at a time; several TestHost objects may exist at once (the library is
// then loaded once and its process-wide tables are shared, as in a real host).
//
// Threads: the recorded calls are guarded, so the audio entries may run on another thread
// than the test. Change the answers only while no entry runs.
#pragma once

#include "formats/vst2/VstAbi.hpp"
#include "tests/support/PluginLibrary.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quovent::test {

// One call of the plug-in to the host's callback, as it arrived.
struct HostCall {
    bool hasEffect = false; // false for the version question of the entry
    std::int32_t opcode = 0;
    std::int32_t index = 0;
    std::intptr_t value = 0;
    void* ptr = nullptr;
    float opt = 0.0f;
    std::string text; // audioMasterCanDo: the text asked about
};

// One three-byte MIDI message, deltaFrames into the next block.
struct MidiMessage {
    std::int32_t deltaFrames = 0;
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
};

// An event list as a host hands it to effProcessEvents, as long as it needs to be.
class EventList {
public:
    EventList() = default;
    EventList(std::initializer_list<MidiMessage> messages);
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    void add(const MidiMessage& message);
    // Any event record (a SysEx, a hostile one) or null; the caller keeps it alive.
    void addEvent(vst::VstEvent* event);
    // The list; valid until the next add. numEvents may be changed by the test.
    vst::VstEvents* events();

private:
    std::vector<std::unique_ptr<vst::VstMidiEvent>> midi_;
    std::vector<vst::VstEvent*> pointers_;
    std::vector<std::max_align_t> storage_;
};

// Twelve output channels of one block, as a host hands them to a process entry; the CLAP and
// VST 3 hosts group them as six stereo ports. Header-only, so every test host shares it.
class AudioBuffers {
public:
    static constexpr int kChannels = 12;

    explicit AudioBuffers(int frames, float fill = 0.0f)
        : frames_(frames), samples_(static_cast<std::size_t>(kChannels * frames), fill) {
        for (int c = 0; c < kChannels; ++c) {
            pointers_[static_cast<std::size_t>(c)] =
                samples_.data() + static_cast<std::ptrdiff_t>(c) * frames;
        }
    }
    AudioBuffers(const AudioBuffers&) = delete;
    AudioBuffers& operator=(const AudioBuffers&) = delete;

    int frames() const noexcept { return frames_; }
    float** outputs() noexcept { return pointers_.data(); }
    float* channel(int c) noexcept { return pointers_[static_cast<std::size_t>(c)]; }
    const float* channel(int c) const noexcept { return pointers_[static_cast<std::size_t>(c)]; }
    void fill(float value) { std::fill(samples_.begin(), samples_.end(), value); }
    // Every sample of every channel equal (bitwise for non-NaN values).
    bool sameAs(const AudioBuffers& other) const {
        return frames_ == other.frames_ && samples_ == other.samples_;
    }
    // Largest absolute sample over all channels; NaN when any sample is NaN.
    float peak() const {
        float p = 0.0f;
        for (const float s : samples_) {
            if (std::isnan(s)) {
                return s;
            }
            p = std::max(p, std::fabs(s));
        }
        return p;
    }

private:
    int frames_;
    std::vector<float> samples_;
    std::array<float*, kChannels> pointers_{};
};

class TestHost {
public:
    // What the host answers. Tests change these before (or between) the plug-in's calls.
    struct Answers {
        std::intptr_t version = 2400; // audioMasterVersion; 0 refuses the plug-in
        bool timeInfo = true;         // false: audioMasterGetTime answers null
        vst::VstTimeInfo time{};      // the record handed out (tempo 120, kVstTempoValid)
        std::map<std::string, std::intptr_t> canDo; // audioMasterCanDo; others answer 0
        // Consulted first for every call; an answer here overrides the above.
        std::function<std::optional<std::intptr_t>(const HostCall&)> custom;
        // false: calls are answered but not recorded, so that the host itself neither
        // allocates nor locks on the plug-in's audio thread (a real-time check).
        bool record = true;
    };

    // The plug-in built with this tree.
    static std::string pluginPath();

    // Loads the library and finds VSTPluginMain. Throws std::runtime_error when either fails.
    // On Windows the path is UTF-8.
    explicit TestHost(const std::string& libraryPath = pluginPath());
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    Answers answers;
    // Answer audioMasterGetTime with this tempo and kVstTempoValid.
    void setTempo(double bpm);

    // ---- The instance --------------------------------------------------------------------
    // Calls the entry with this host's callback. Null when the plug-in refuses.
    vst::AEffect* open();
    // Calls the entry with a null callback, as a careless scanner might.
    vst::AEffect* openWithoutCallback();
    vst::AEffect* effect() const noexcept { return effect_; }
    // What hosts send before the first block: effOpen, effSetSampleRate, effSetBlockSize and
    // effMainsChanged (resume).
    void prepare(float sampleRate = 44100.0f, std::int32_t blockSize = 512);
    // effClose; answers the dispatcher's answer. The record is gone afterwards.
    std::intptr_t close();

    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f);
    // A text request (names, strings) into a zeroed 256-byte buffer; answers the text.
    std::string text(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0);
    void setParameter(std::int32_t index, float value);
    float getParameter(std::int32_t index);

    // effGetChunk: the bytes handed over (empty for an answer of 0).
    std::string getChunk(std::int32_t index = 0);
    // effSetChunk with a copy of the bytes in a buffer of exactly their size, not followed
    // by a zero (as LMMS hands them over), so a read past the end is caught under ASan.
    std::intptr_t setChunk(const std::string& bytes, std::int32_t index = 0);

    // effProcessEvents with these messages; answers the dispatcher's answer.
    std::intptr_t sendMidi(std::initializer_list<MidiMessage> messages);
    std::intptr_t sendEvents(EventList& events);
    void process(AudioBuffers& buffers);
    void processReplacing(AudioBuffers& buffers);

    // ---- What the plug-in asked --------------------------------------------------------------
    std::vector<HostCall> calls() const;
    std::vector<HostCall> calls(std::int32_t opcode) const;
    std::size_t count(std::int32_t opcode) const;
    void clearCalls();

    vst::PluginEntryProc entry() const noexcept { return entry_; }
    const PluginLibrary& library() const noexcept { return *library_; }

private:
    static std::intptr_t QUOVENT_VSTCALL callback(vst::AEffect* effect, std::int32_t opcode,
                                                  std::int32_t index, std::intptr_t value,
                                                  void* ptr, float opt);
    std::intptr_t answer(const HostCall& call);
    vst::AEffect* adopt(vst::AEffect* effect);

    std::unique_ptr<PluginLibrary> library_;
    vst::PluginEntryProc entry_ = nullptr;
    vst::AEffect* effect_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<HostCall> calls_;
};

} // namespace quovent::test
