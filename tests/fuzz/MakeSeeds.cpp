// Writes a small seed corpus for the WAV fuzzer into the directory given as argument:
// valid files of every depth and channel count, and the odd chunk layouts real files have.
#include "tests/samples/RiffBuilder.hpp"

#include <cstdio>
#include <filesystem>
#include <string>

using namespace quovent::test;

namespace {

Bytes ramp(std::size_t bytes) {
    Bytes out(bytes);
    for (std::size_t i = 0; i < bytes; ++i) {
        out[i] = static_cast<unsigned char>(i * 37 + 11);
    }
    return out;
}

void save(const std::filesystem::path& dir, const std::string& name, const RiffBuilder& file) {
    const Bytes bytes = file.bytes();
    std::FILE* f = std::fopen((dir / (name + ".wav")).string().c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::perror(name.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s seed-directory\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    constexpr int kFrames = 24;
    const struct {
        const char* name;
        std::uint16_t tag;
        std::uint16_t bits;
    } depths[] = {{"u8", 1, 8},   {"s16", 1, 16}, {"s24", 1, 24},
                  {"s32", 1, 32}, {"f32", 3, 32}, {"f64", 3, 64}};
    for (const auto& d : depths) {
        for (const std::uint16_t channels : {1, 2, 3}) {
            const std::string name = std::string(d.name) + "-" + std::to_string(channels);
            const Bytes data = ramp(std::size_t{kFrames} * channels * (d.bits / 8));
            save(dir, name, RiffBuilder().fmt(fmtData(d.tag, channels, 44100, d.bits)).data(data));
            save(dir, name + "-ext",
                 RiffBuilder().fmt(extensibleFmtData(d.tag, channels, 48000, d.bits)).data(data));
        }
    }
    const Bytes fmt16 = fmtData(1, 2, 44100, 16);
    const Bytes data16 = ramp(std::size_t{4} * kFrames);
    save(dir, "data-first", RiffBuilder().data(data16).fmt(fmt16));
    save(dir, "odd-list", RiffBuilder().fmt(fmt16).list("INFO", {'a', 'b', 'c'}).data(data16));
    save(dir, "fmt18", RiffBuilder().fmt(fmtData(1, 1, 8000, 16, -1, 2)).data(data16));
    save(dir, "truncated", RiffBuilder().fmt(fmt16).rawChunk("data", 4000, data16));
    save(dir, "beyond-riff",
         RiffBuilder().fmt(fmt16).riffSize(28).trailing(RiffBuilder::chunkBytes("data", data16)));
    save(dir, "block-align-2", RiffBuilder().fmt(fmtData(1, 2, 44100, 16, 2)).data(data16));
    save(dir, "adpcm", RiffBuilder().fmt(fmtData(0x11, 1, 8000, 4, 256, 4)).data(ramp(256)));
    save(dir, "short-fmt",
         RiffBuilder().fmt(Bytes(fmt16.begin(), fmt16.begin() + 14)).data(data16));
    return 0;
}
