// The host side of quovent-render: creates an instrument instance through its entry and
// drives it with the dispatcher, event and process calls a VST 2 host makes, answering the
// instrument's time requests with the renderer's tempo.
#pragma once

#include "formats/vst2/VstAbi.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quovent {
class Instrument;
}

namespace quovent::render {

struct BlockEvent {
    int deltaFrames = 0; // frames into the block
    std::array<std::uint8_t, 3> bytes{};
};

// What the host reports for the block about to be processed.
struct Transport {
    double samplePos = 0.0; // frames since the start of the render
    double ppqPos = 0.0;    // quarter notes since the start
    double tempo = 120.0;   // BPM
};

class HostDriver {
public:
    static constexpr int kOutputs = 12;

    // Creates the instance and hands it the sample rate and block size (effOpen,
    // effSetSampleRate, effSetBlockSize). Null with a message when it cannot be created.
    static std::unique_ptr<HostDriver> open(float sampleRate, int blockSize, std::string& error);
    ~HostDriver(); // effClose
    HostDriver(const HostDriver&) = delete;
    HostDriver& operator=(const HostDriver&) = delete;

    // The instance's instrument, which owns the sequencer model (for bank import).
    Instrument& instrument() const { return *instrument_; }

    // effMainsChanged 1: the instrument asks for MIDI and is ready to process.
    void resume();
    // One block: the events through effProcessEvents, then the accumulating process call
    // into the outputs, which the caller has zeroed (kOutputs channels of frames each).
    void process(const std::vector<BlockEvent>& events, float* const* outputs, int frames,
                 const Transport& transport);

    // Host callback requests seen, for the report.
    int timeRequests() const { return timeRequests_; }
    bool midiRequested() const { return midiRequested_; }

private:
    HostDriver() = default;
    static intptr_t callback(vst::AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                             void* ptr, float opt);
    intptr_t dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);

    vst::AEffect* effect_ = nullptr;
    Instrument* instrument_ = nullptr;
    float sampleRate_ = 44100.0f;
    vst::VstTimeInfo time_{};
    std::vector<vst::VstMidiEvent> midiEvents_;
    std::vector<std::uintptr_t> eventList_; // a VstEvents record with room for every pointer
    std::vector<float> silence_;            // what the (unused) input pointers point at
    std::array<float*, 2> inputs_{};
    int blockSize_ = 0;
    int timeRequests_ = 0;
    bool midiRequested_ = false;
};

} // namespace quovent::render
