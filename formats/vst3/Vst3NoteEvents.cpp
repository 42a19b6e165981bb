#include "formats/vst3/Vst3NoteEvents.hpp"

#include <cmath>

namespace quovent {

namespace {

using namespace vst3;

constexpr std::uint8_t kNoteOff = 0x80;
constexpr std::uint8_t kNoteOn = 0x90;
constexpr int kChannels = 16;
constexpr int kPitches = 128;

bool valid(int16 channel, int16 pitch) noexcept {
    return channel >= 0 && channel < kChannels && pitch >= 0 && pitch < kPitches;
}

// 0..1 as 0..127; NaN as 0.
std::uint8_t velocity127(float velocity) noexcept {
    if (!(velocity > 0.0f)) {
        return 0;
    }
    return static_cast<std::uint8_t>(std::lround(std::fmin(velocity, 1.0f) * 127.0f));
}

int clampedFrame(int32 offset, int frames) noexcept {
    if (offset < 0 || frames <= 0) {
        return 0;
    }
    return offset >= frames ? frames - 1 : offset;
}

} // namespace

bool Vst3NoteEvents::toMidi(const Event& event, int frames, Vst3MidiMessage& out) noexcept {
    if (event.busIndex != 0) {
        return false;
    }
    if (event.type == Event::kNoteOnEvent && valid(event.noteOn.channel, event.noteOn.pitch)) {
        // Velocity 0 would read as a note-off: the quietest note-on is 1.
        const std::uint8_t v = velocity127(event.noteOn.velocity);
        out = {clampedFrame(event.sampleOffset, frames),
               static_cast<std::uint8_t>(kNoteOn | event.noteOn.channel),
               static_cast<std::uint8_t>(event.noteOn.pitch), v == 0 ? std::uint8_t{1} : v};
        return true;
    }
    if (event.type == Event::kNoteOffEvent && valid(event.noteOff.channel, event.noteOff.pitch)) {
        out = {clampedFrame(event.sampleOffset, frames),
               static_cast<std::uint8_t>(kNoteOff | event.noteOff.channel),
               static_cast<std::uint8_t>(event.noteOff.pitch), velocity127(event.noteOff.velocity)};
        return true;
    }
    return false;
}

} // namespace quovent
