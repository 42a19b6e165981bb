#include "tests/support/HostSong.hpp"

#include "instrument/Instrument.hpp"
#include "tests/support/DemoGroove.hpp"

#include <fstream>

namespace quovent::test {

namespace {

constexpr std::uint8_t kDrums = 0x99;    // note-on, channel 10
constexpr std::uint8_t kPattern = 0x9e;  // note-on, channel 15
constexpr std::uint8_t kChannel1 = 0x90; // slot 1, chromatic
constexpr std::uint8_t kChannel2 = 0x91; // slot 2, chromatic

constexpr SongEvent on(std::int64_t tick, std::uint8_t status, std::uint8_t note) {
    return {tick, {status, note, 110}};
}
constexpr SongEvent off(std::int64_t tick, std::uint8_t status, std::uint8_t note) {
    return {tick, {static_cast<std::uint8_t>(status - 0x10), note, 0}};
}

void putBig(std::string& out, std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

void putVariable(std::string& out, std::uint32_t value) {
    std::string bytes(1, static_cast<char>(value & 0x7F));
    while ((value >>= 7) != 0) {
        bytes.insert(bytes.begin(), static_cast<char>(0x80 | (value & 0x7F)));
    }
    out += bytes;
}

} // namespace

const std::vector<SongEvent>& HostSong::events() {
    static const std::vector<SongEvent> song = {
        on(202, kDrums, 60),      off(302, kDrums, 60),      on(1934, kPattern, 60),
        on(3078, kDrums, 61),     off(3178, kDrums, 61),     on(4522, kChannel1, 64),
        off(5818, kChannel1, 64), on(6006, kChannel2, 57),   off(6900, kChannel2, 57),
        off(9614, kPattern, 60),  on(10246, kDrums, 62),     off(10346, kDrums, 62),
        on(11110, kChannel1, 55), off(13030, kChannel1, 55),
    };
    return song;
}

std::int64_t HostSong::frameOf(std::int64_t tick) {
    const double framesPerBeat = kRate * 60.0 / kTempo;
    return static_cast<std::int64_t>(static_cast<double>(tick) * framesPerBeat / kTicksPerBeat);
}

std::string HostSong::groove() {
    std::string text =
        absoluteDemoGroove((std::filesystem::path(QUOVENT_SOURCE_DIR) / "resources/demo").string());
    const std::string second = "\"outputPair\": 2";
    for (auto at = text.find(second); at != std::string::npos; at = text.find(second, at)) {
        text.replace(at, second.size(), "\"outputPair\": 1");
    }
    Instrument instrument;
    return instrument.restoreState(text).ok ? instrument.saveState() : std::string();
}

void HostSong::writeMidiFile(const std::filesystem::path& file) {
    std::string track;
    putVariable(track, 0);
    track += "\xFF\x51\x03";
    putBig(track, static_cast<std::uint32_t>(60000000.0 / kTempo), 3);
    std::int64_t last = 0;
    for (const SongEvent& e : events()) {
        putVariable(track, static_cast<std::uint32_t>(e.tick - last));
        track.append(e.midi.begin(), e.midi.end());
        last = e.tick;
    }
    putVariable(track, 0);
    track += std::string("\xFF\x2F\x00", 3);
    std::string smf = "MThd";
    putBig(smf, 6, 4);
    putBig(smf, 0, 2); // one track
    putBig(smf, 1, 2);
    putBig(smf, kTicksPerBeat, 2);
    smf += "MTrk";
    putBig(smf, static_cast<std::uint32_t>(track.size()), 4);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << smf << track;
}

std::vector<InstrumentEvent> HostSong::frameEvents() {
    std::vector<InstrumentEvent> out;
    for (const SongEvent& e : events()) {
        out.push_back(InstrumentEvent::midiMessage(static_cast<std::int32_t>(frameOf(e.tick)),
                                                   e.midi[0], e.midi[1], e.midi[2]));
    }
    return out;
}

} // namespace quovent::test
