// The song the host tests play: the demo groove with every slot on output pair 1 (the pair
// hosts give an instrument track), and a few notes at odd frames, none on a block boundary:
// drum hits on channel 10, pattern 0 started and stopped on channel 15 and chromatic notes
// with their note-offs on channels 1 and 2. Written as a Standard MIDI File for a host's
// MIDI clip, and as frames for the reference rendering.
//
// Times are ticks at 1920 a quarter note and 120 BPM: 12.5 frames a tick at 48 kHz, so
// every tick here is a whole frame at that rate.
#pragma once

#include "instrument/InstrumentEvent.hpp"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quovent::test {

struct SongEvent {
    std::int64_t tick = 0;
    std::array<std::uint8_t, 3> midi{};
};

class HostSong {
public:
    static constexpr int kTicksPerBeat = 1920;
    static constexpr double kTempo = 120.0;
    static constexpr int kRate = 48000;
    static constexpr int kSeconds = 5;
    static constexpr std::int64_t kFrames = static_cast<std::int64_t>(kRate) * kSeconds;

    // The events in time order.
    static const std::vector<SongEvent>& events();
    static std::int64_t frameOf(std::int64_t tick);
    static std::int64_t lengthInTicks() { return kSeconds * 2 * kTicksPerBeat; }

    // The demo groove, sample paths absolute, every slot on pair 1, pattern 0 current.
    static std::string groove();
    // The song as a type 0 MIDI file (tempo, the events, end of track).
    static void writeMidiFile(const std::filesystem::path& file);
    // The events at their frames from the song's start.
    static std::vector<InstrumentEvent> frameEvents();
};

} // namespace quovent::test
