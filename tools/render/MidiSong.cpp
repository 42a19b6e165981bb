#include "tools/render/MidiSong.hpp"

#include <smf.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>

namespace quovent::render {

namespace {

constexpr double kStandardBpm = 120.0; // a MIDI file's tempo before its first tempo event
constexpr std::size_t kChunkHeader = 8;

std::uint32_t bigEndian(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) {
        v = (v << 8) | p[i];
    }
    return v;
}

int channelMessageLength(std::uint8_t status) {
    const std::uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

// A variable-length quantity of at most four bytes within [at, end); false when it runs
// past the end or is longer.
bool readQuantity(const std::vector<unsigned char>& d, std::size_t& at, std::size_t end,
                  std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= end) {
            return false;
        }
        const unsigned char b = d[at++];
        value = (value << 7) | (b & 0x7Fu);
        if ((b & 0x80u) == 0) {
            return true;
        }
    }
    return false;
}

// Walks every event of one track chunk: delta times, running status, data bytes below
// 0x80, meta and system exclusive lengths within the chunk, and an end-of-track event
// last. The parser behind this aborts on some malformed events instead of reporting them,
// so only tracks that pass reach it.
bool checkTrack(const std::vector<unsigned char>& d, std::size_t at, std::size_t end,
                std::string& error) {
    const std::size_t chunk = at - kChunkHeader;
    const auto fail = [&](const char* what) {
        error = std::string(what) + " in the track chunk at byte " + std::to_string(chunk);
        return false;
    };
    unsigned char running = 0;
    bool ended = false;
    while (at < end) {
        if (ended) {
            return fail("events after the end of track");
        }
        std::uint32_t delta = 0;
        if (!readQuantity(d, at, end, delta)) {
            return fail("malformed delta time");
        }
        if (at >= end) {
            return fail("missing event after a delta time");
        }
        unsigned char status = d[at];
        if (status < 0x80) {
            if (running == 0) {
                return fail("running status without a previous status");
            }
            status = running;
        } else {
            ++at;
        }
        if (status == 0xFF) {
            if (at >= end || d[at] >= 0x80) {
                return fail("malformed meta event");
            }
            const unsigned char type = d[at++];
            std::uint32_t length = 0;
            if (!readQuantity(d, at, end, length) || length > end - at) {
                return fail("meta event longer than its track");
            }
            ended = type == 0x2F;
            at += length;
            running = 0;
        } else if (status == 0xF7) {
            // Valid in a MIDI file, but the parser asserts on it instead of reading it.
            return fail("escaped system exclusive event (F7), which is not supported,");
        } else if (status == 0xF0) {
            std::uint32_t length = 0;
            if (!readQuantity(d, at, end, length) || length > end - at) {
                return fail("system exclusive event longer than its track");
            }
            at += length;
            running = 0;
        } else if (status >= 0xF0) {
            return fail("system message that a MIDI file cannot hold");
        } else {
            const std::size_t bytes = channelMessageLength(status) - 1;
            if (bytes > end - at) {
                return fail("channel message cut off");
            }
            for (std::size_t i = 0; i < bytes; ++i) {
                if (d[at + i] >= 0x80) {
                    return fail("channel message with a status byte among its data");
                }
            }
            at += bytes;
            running = status;
        }
    }
    return ended || fail("no end-of-track event");
}

// Checks the file's structure before the parser sees the data, so that lengths pointing
// past the end, SMPTE timing, malformed events and absurd headers get a plain message.
bool checkStructure(const std::vector<unsigned char>& data, std::string& error) {
    if (data.size() < kChunkHeader + 6 || std::memcmp(data.data(), "MThd", 4) != 0) {
        error = "not a Standard MIDI File (no MThd header)";
        return false;
    }
    const std::uint32_t headerLength = bigEndian(&data[4], 4);
    const std::uint32_t format = bigEndian(&data[8], 2);
    const std::uint32_t tracks = bigEndian(&data[10], 2);
    const std::uint32_t division = bigEndian(&data[12], 2);
    if (headerLength != 6 || format > 2 || tracks == 0) {
        error = "malformed MThd header";
        return false;
    }
    if (format == 2) {
        error = "format 2 (independent sequences) is not supported";
        return false;
    }
    if ((division & 0x8000u) != 0 || division == 0) {
        error = "SMPTE or zero time division is not supported (pulses per quarter note needed)";
        return false;
    }
    std::size_t at = kChunkHeader + headerLength;
    std::uint32_t trackChunks = 0;
    while (at < data.size()) {
        if (data.size() - at < kChunkHeader) {
            error = "truncated chunk header at byte " + std::to_string(at);
            return false;
        }
        const std::uint32_t length = bigEndian(&data[at + 4], 4);
        if (length > data.size() - at - kChunkHeader) {
            error = "chunk at byte " + std::to_string(at) + " runs past the end of the file";
            return false;
        }
        if (std::memcmp(&data[at], "MTrk", 4) == 0) {
            ++trackChunks;
            if (!checkTrack(data, at + kChunkHeader, at + kChunkHeader + length, error)) {
                return false;
            }
        }
        at += kChunkHeader + length;
    }
    if (trackChunks != tracks) {
        error = "the header announces " + std::to_string(tracks) + " tracks, the file holds " +
                std::to_string(trackChunks);
        return false;
    }
    return true;
}

// libsmf reports through the GLib log; its messages become part of our error text
// instead of going to the terminal.
struct LogCapture {
    LogCapture() { previous = g_log_set_default_handler(&LogCapture::handle, this); }
    ~LogCapture() { g_log_set_default_handler(previous, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    static void handle(const gchar*, GLogLevelFlags, const gchar* message, gpointer self) {
        auto* capture = static_cast<LogCapture*>(self);
        if (capture->text.empty() && message != nullptr) {
            capture->text = message;
        }
    }
    GLogFunc previous;
    std::string text;
};

struct SmfDeleter {
    void operator()(smf_t* smf) const { smf_delete(smf); }
};

} // namespace

std::optional<MidiSong> MidiSong::load(const std::string& path, double fallbackBpm, double minBpm,
                                       double maxBpm, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    std::vector<unsigned char> data(kMaxFileBytes + 1);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(in.gcount()));
    if (data.size() > kMaxFileBytes) {
        error = path + ": larger than " + std::to_string(kMaxFileBytes) + " bytes";
        return std::nullopt;
    }
    std::optional<MidiSong> song = parse(data, fallbackBpm, minBpm, maxBpm, error);
    if (!song) {
        error = path + ": " + error;
    }
    return song;
}

std::optional<MidiSong> MidiSong::parse(const std::vector<unsigned char>& data, double fallbackBpm,
                                        double minBpm, double maxBpm, std::string& error) {
    if (!checkStructure(data, error)) {
        return std::nullopt;
    }
    std::unique_ptr<smf_t, SmfDeleter> smf;
    {
        LogCapture log;
        smf.reset(smf_load_from_memory(data.data(), static_cast<int>(data.size())));
        if (!smf) {
            error = "not a valid MIDI file" + (log.text.empty() ? "" : " (" + log.text + ")");
            return std::nullopt;
        }
    }
    const double ppqn = smf->ppqn;

    // First pass: the tempo events, so that the map is complete before times are placed.
    struct Tempo {
        int pulses;
        double bpm;
    };
    std::vector<Tempo> tempos;
    std::vector<std::pair<int, MidiMessage>> channel;
    smf_rewind(smf.get());
    for (smf_event_t* e = smf_get_next_event(smf.get()); e != nullptr;
         e = smf_get_next_event(smf.get())) {
        const unsigned char* b = e->midi_buffer;
        const int n = e->midi_buffer_length;
        if (n <= 0 || b == nullptr) {
            continue;
        }
        if (b[0] == 0xFF) {
            if (n >= 6 && b[1] == 0x51) {
                const std::uint32_t microseconds = bigEndian(&b[3], 3);
                const double bpm = microseconds == 0 ? 0.0 : 60.0e6 / microseconds;
                if (bpm < minBpm || bpm > maxBpm) {

                    error = "tempo change to " + std::to_string(bpm) + " BPM at pulse " +
                            std::to_string(e->time_pulses) + " is outside " +
                            std::to_string(static_cast<int>(minBpm)) + ".." +
                            std::to_string(static_cast<int>(maxBpm)) + " BPM";
                    return std::nullopt;
                }
                tempos.push_back({e->time_pulses, bpm});
            }
            continue;
        }
        if (b[0] < 0x80 || b[0] >= 0xF0) {
            continue; // system exclusive and system messages mean nothing to the instrument
        }
        MidiMessage m;
        const int length = std::min(n, channelMessageLength(b[0]));
        for (int i = 0; i < length; ++i) {
            m.bytes[static_cast<std::size_t>(i)] = b[i];
        }
        channel.emplace_back(e->time_pulses, m);
    }

    MidiSong song(tempos.empty()
                      ? fallbackBpm
                      : (tempos.front().pulses == 0 ? tempos.front().bpm : kStandardBpm));
    song.hasTempo_ = !tempos.empty();
    for (const Tempo& t : tempos) {
        song.tempoMap_.change(t.pulses / ppqn, t.bpm);
    }
    song.messages_.reserve(channel.size());
    for (auto& [pulses, m] : channel) {
        m.seconds = song.tempoMap_.secondsAtBeat(pulses / ppqn);
        song.messages_.push_back(m);
    }
    return song;
}

} // namespace quovent::render
