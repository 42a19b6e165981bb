// Sample files for tests: 16-bit PCM WAVs in the plain 44-byte layout every reader takes,
// mono or stereo, at any rate, holding a constant level (silence at 0), a decaying square
// wave or samples of the test's own. The decaying square gives each file a sound of its own
// (its level and period) and a sharp onset, for tests that listen to what a host renders;
// its integer arithmetic makes the same bytes on every platform and compiler, so renderings
// of the Linux and Windows builds can be compared sample for sample. Portable (the Windows
// cross build's tests write these files too).
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quovent::test {

class TestWav {
public:
    static constexpr std::uint32_t kDefaultRate = 44100;

    // Every sample of every channel at `level`.
    static TestWav constant(int frames, std::int16_t level, int channels = 1) {
        return TestWav(std::vector<std::int16_t>(sampleCount(frames, channels), level), channels);
    }
    static TestWav silence(int frames, int channels = 1) { return constant(frames, 0, channels); }

    // Mono: a square wave that changes sign every `period` frames, starting positive at
    // `level` and falling linearly towards 0 over the file.
    static TestWav decayingSquare(int frames, int level, int period) {
        std::vector<std::int16_t> samples(sampleCount(frames, 1));
        for (int i = 0; i < frames; ++i) {
            const std::int64_t sign = (i / period) % 2 == 0 ? 1 : -1;
            samples[static_cast<std::size_t>(i)] =
                static_cast<std::int16_t>(sign * level * (frames - i) / frames);
        }
        return TestWav(std::move(samples), 1);
    }

    // The samples as given, channels interleaved.
    static TestWav samples(std::vector<std::int16_t> interleaved, int channels = 1) {
        return TestWav(std::move(interleaved), channels);
    }

    TestWav& rate(std::uint32_t framesPerSecond) {
        rate_ = framesPerSecond;
        return *this;
    }

    int channels() const { return channels_; }
    int frames() const { return static_cast<int>(samples_.size()) / channels_; }

    // The whole file.
    std::string bytes() const {
        const auto channels = static_cast<std::uint16_t>(channels_);
        const auto blockAlign = static_cast<std::uint16_t>(2 * channels_);
        const auto dataBytes = static_cast<std::uint32_t>(samples_.size() * 2);
        std::string out;
        out.reserve(44 + dataBytes);
        out += "RIFF";
        putLe(out, 36 + dataBytes, 4);
        out += "WAVEfmt ";
        putLe(out, 16, 4);
        putLe(out, 1, 2); // integer PCM
        putLe(out, channels, 2);
        putLe(out, rate_, 4);
        putLe(out, rate_ * blockAlign, 4);
        putLe(out, blockAlign, 2);
        putLe(out, 16, 2);
        out += "data";
        putLe(out, dataBytes, 4);
        for (const std::int16_t s : samples_) {
            putLe(out, static_cast<std::uint16_t>(s), 2);
        }
        return out;
    }

    // Writes the file, making its folder first; throws when the file cannot be written, so
    // that a test fails where its sample went missing rather than later.
    void write(const std::filesystem::path& path) const {
        if (path.has_parent_path()) {
            std::filesystem::create_directories(path.parent_path());
        }
        const std::string data = bytes();
        std::ofstream out(path, std::ios::binary);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.close();
        if (!out) {
            throw std::runtime_error("cannot write the sample file " + path.string());
        }
    }

private:
    TestWav(std::vector<std::int16_t> samples, int channels)
        : samples_(std::move(samples)), channels_(channels) {
        if (channels_ < 1 || samples_.size() % static_cast<std::size_t>(channels_) != 0) {
            throw std::invalid_argument("samples do not make whole frames");
        }
    }

    static std::size_t sampleCount(int frames, int channels) {
        return static_cast<std::size_t>(frames < 0 ? 0 : frames) *
               static_cast<std::size_t>(channels < 1 ? 1 : channels);
    }

    static void putLe(std::string& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            out += static_cast<char>((value >> (8 * i)) & 0xFFu);
        }
    }

    std::vector<std::int16_t> samples_;
    int channels_ = 1;
    std::uint32_t rate_ = kDefaultRate;
};

} // namespace quovent::test
