// What the instrument fuzz targets share: a kit of generated WAV samples in a fixed folder
// (so that committed seed documents can name them by absolute path), the demo groove
// pointed at that kit or at the demo bank's own samples, and a failure that says why.
// Written once at start-up; the targets run one input at a time on one thread.
#pragma once

#include "tests/support/TestWav.hpp"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>

namespace quovent::fuzz {

// The folder the seed corpora name; the demo bank's sample names, with sounds of their own.
inline const std::filesystem::path kKitDirectory = "/tmp/quovent-fuzz-kit";
inline constexpr std::array<const char*, 8> kKitNames = {
    "kick.wav", "snare.wav", "closed-hat.wav", "open-hat.wav",
    "clap.wav", "tom.wav",   "rim.wav",        "cowbell.wav"};

[[noreturn]] inline void fail(const char* why) {
    std::fprintf(stderr, "fuzz check failed: %s\n", why);
    std::fflush(stderr);
    std::abort();
}

inline void require(bool condition, const char* why) {
    if (!condition) {
        fail(why);
    }
}

inline std::string readText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        fail("cannot read a file the fuzz target needs");
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeText(const std::filesystem::path& file, std::string_view text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) {
        fail("cannot write a scratch file");
    }
}

// Writes the generated kit: short mono and stereo files, one loud enough to clip a filter.
// Targets running side by side share the kit, so a file already as it should be is left
// alone and any other is replaced whole (written beside it, then renamed over it): another
// target loading a sample never reads a file half written.
inline void writeKit() {
    std::filesystem::create_directories(kKitDirectory);
    for (std::size_t i = 0; i < kKitNames.size(); ++i) {
        const int frames = 600 + 900 * static_cast<int>(i);
        const std::filesystem::path file = kKitDirectory / kKitNames[i];
        const std::string bytes =
            i % 3 == 2
                ? test::TestWav::constant(frames, static_cast<std::int16_t>(9000 + 2000 * i), 2)
                      .rate(i == 5 ? 22050 : 48000)
                      .bytes()
                : test::TestWav::decayingSquare(frames, i == 0 ? 32767 : 12000 + 1500 * int(i),
                                                3 + 7 * int(i))
                      .bytes();
        std::ifstream in(file, std::ios::binary);
        if (in && std::string(std::istreambuf_iterator<char>(in), {}) == bytes) {
            continue;
        }
        std::filesystem::path part = file;
        part += ".part-" + std::to_string(getpid());
        writeText(part, bytes);
        std::filesystem::rename(part, file);
    }
}

// The demo groove with every sample name replaced by the same name in `directory`, made
// absolute, as a saved state has it.
inline std::string demoGroove(const std::filesystem::path& directory) {
    std::string text =
        readText(std::filesystem::path(QUOVENT_SOURCE_DIR) / "resources/demo/demo.json");
    for (const char* name : kKitNames) {
        const std::string from = std::string("\"") + name + "\"";
        const std::string to = "\"" + (directory / name).string() + "\"";
        const std::size_t at = text.find(from);
        if (at != std::string::npos) {
            text.replace(at, from.size(), to);
        }
    }
    return text;
}

inline std::filesystem::path demoDirectory() {
    return std::filesystem::path(QUOVENT_SOURCE_DIR) / "resources/demo";
}

} // namespace quovent::fuzz
