// LMMS 1.2 project files (.mmp) for the tests: one instrument track per MIDI channel, each a
// VeSTige instrument loading the plug-in with an optional state chunk, and its notes.
// LMMS counts 48 ticks to a quarter note; a track sends its notes on its MIDI output channel
// with the key unchanged as the note number.
#pragma once

#include <string>
#include <vector>

namespace quovent::test {

struct LmmsNote {
    int tick = 0;   // start, from the beginning of the song
    int length = 0; // ticks
    int key = 60;   // MIDI note number
    int velocity = 100;
};

struct LmmsTrack {
    std::string name;
    int midiChannel = 1; // 1..16
    std::string chunk;   // the plug-in's state; empty for none
    std::vector<LmmsNote> notes;
};

struct LmmsProject {
    static constexpr int kTicksPerBeat = 48;
    int bpm = 125;
    std::string pluginPath; // as LMMS should open it: an absolute Linux path
    std::vector<LmmsTrack> tracks;

    std::string xml() const;
};

std::string base64(const std::string& bytes);

} // namespace quovent::test
