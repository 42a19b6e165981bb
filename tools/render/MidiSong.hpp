// A Standard MIDI File as the renderer plays it: the channel messages of all tracks in
// time order, and the tempo map that places them in seconds.
#pragma once

#include "tools/render/TempoMap.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quovent::render {

struct MidiMessage {
    double seconds = 0.0;
    std::array<std::uint8_t, 3> bytes{}; // status and up to two data bytes (zero-padded)
};

class MidiSong {
public:
    static constexpr std::size_t kMaxFileBytes = 16 * 1024 * 1024;

    // Reads the file. Without a tempo event the song plays at fallbackBpm; a tempo outside
    // minBpm..maxBpm, SMPTE time division or a malformed file is refused with a message.
    static std::optional<MidiSong> load(const std::string& path, double fallbackBpm, double minBpm,
                                        double maxBpm, std::string& error);
    // The same for the bytes of a file; the message does not name a file.
    static std::optional<MidiSong> parse(const std::vector<unsigned char>& data, double fallbackBpm,
                                         double minBpm, double maxBpm, std::string& error);

    const std::vector<MidiMessage>& messages() const { return messages_; }
    const TempoMap& tempoMap() const { return tempoMap_; }
    // True when the file brings its own tempo (at least one tempo event).
    bool hasTempo() const { return hasTempo_; }
    // Time of the last channel message, 0 without any.
    double lastSeconds() const { return messages_.empty() ? 0.0 : messages_.back().seconds; }

private:
    explicit MidiSong(double bpm) : tempoMap_(bpm) {}

    std::vector<MidiMessage> messages_;
    TempoMap tempoMap_;
    bool hasTempo_ = false;
};

} // namespace quovent::render
