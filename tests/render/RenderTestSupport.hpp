// Running quovent-render as a subprocess, and the files it is fed and produces: generated
// 16-bit samples (TestWav), hand-assembled MIDI files, and WAV files read back as floats.
#pragma once

#include "tests/support/TestWav.hpp"
#include "tests/support/TextFile.hpp"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace quovent::test {

namespace fs = std::filesystem;

class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (fs::temp_directory_path() / "quovent-render-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~ScratchDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& path() const { return path_; }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

struct RenderRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the renderer with the arguments; its output streams are collected through files.
inline RenderRun render(const ScratchDir& dir, const std::vector<std::string>& args) {
    const std::string outFile = dir / "stdout.txt";
    const std::string errFile = dir / "stderr.txt";
    std::vector<std::string> all{QUOVENT_RENDER_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    pid_t pid = 0;
    RenderRun run;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.out = readText(outFile);
    run.err = readText(errFile);
    fs::remove(outFile);
    fs::remove(errFile);
    return run;
}

struct Audio {
    int channels = 0;
    int rate = 0;
    int format = 0;
    std::vector<float> samples; // interleaved
    std::int64_t frames() const { return channels == 0 ? 0 : samples.size() / channels; }
    float at(std::int64_t frame, int channel) const {
        return samples[static_cast<std::size_t>(frame * channels + channel)];
    }
};

inline Audio readWav(const std::string& path) {
    Audio a;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) {
        return a;
    }
    a.channels = info.channels;
    a.rate = info.samplerate;
    a.format = info.format;
    a.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, a.samples.data(), info.frames);
    sf_close(f);
    return a;
}

// Frames where a channel starts to sound after exact silence (or at the very start).
inline std::vector<std::int64_t> onsets(const Audio& a, int channel) {
    std::vector<std::int64_t> found;
    for (std::int64_t i = 0; i < a.frames(); ++i) {
        if (a.at(i, channel) != 0.0f && (i == 0 || a.at(i - 1, channel) == 0.0f)) {
            found.push_back(i);
        }
    }
    return found;
}

// A Standard MIDI File with one track, assembled byte by byte.
class MidiFileBuilder {
public:
    explicit MidiFileBuilder(int ppqn) : ppqn_(ppqn) {}
    void tempo(int pulses, int microsecondsPerQuarter) {
        event(pulses, {0xFF, 0x51, 0x03, static_cast<std::uint8_t>(microsecondsPerQuarter >> 16),
                       static_cast<std::uint8_t>(microsecondsPerQuarter >> 8),
                       static_cast<std::uint8_t>(microsecondsPerQuarter)});
    }
    void message(int pulses, std::uint8_t status, std::uint8_t a, std::uint8_t b) {
        event(pulses, {status, a, b});
    }
    std::string bytes(int endPulses) {
        event(endPulses, {0xFF, 0x2F, 0x00});
        std::string out = "MThd";
        put32(out, 6);
        put16(out, 0);
        put16(out, 1);
        put16(out, ppqn_);
        out += "MTrk";
        put32(out, static_cast<std::uint32_t>(track_.size()));
        return out + track_;
    }

private:
    void event(int pulses, std::vector<std::uint8_t> data) {
        std::uint32_t delta = static_cast<std::uint32_t>(pulses - last_);
        last_ = pulses;
        // Variable-length quantity, most significant group first.
        std::string vlq(1, static_cast<char>(delta & 0x7F));
        while ((delta >>= 7) != 0) {
            vlq.insert(vlq.begin(), static_cast<char>(0x80 | (delta & 0x7F)));
        }
        track_ += vlq;
        track_.append(data.begin(), data.end());
    }
    static void put16(std::string& s, int v) {
        s += static_cast<char>(v >> 8);
        s += static_cast<char>(v);
    }
    static void put32(std::string& s, std::uint32_t v) {
        put16(s, static_cast<int>(v >> 16));
        put16(s, static_cast<int>(v & 0xFFFF));
    }
    int ppqn_;
    int last_ = 0;
    std::string track_;
};

} // namespace quovent::test
