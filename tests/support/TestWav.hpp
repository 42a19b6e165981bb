// Sample files for tests that listen to what a host renders: 16-bit mono WAVs holding a
// decaying square wave, so that each file sounds different (its own level and period) and its
// onset is sharp.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>

namespace quovent::test {

inline void writeDecayingSquareWav(const std::filesystem::path& path, int frames, int level,
                                   int period, std::uint32_t rate = 44100) {
    if (path.has_parent_path()) {
        std::filesystem::create_directories(path.parent_path());
    }
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto dataBytes = static_cast<std::uint32_t>(frames) * 2;
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    for (int i = 0; i < frames; ++i) {
        const int sign = (i / period) % 2 == 0 ? 1 : -1;
        u16(static_cast<std::uint16_t>(sign * level * (frames - i) / frames));
    }
}

} // namespace quovent::test
