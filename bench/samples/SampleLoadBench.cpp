// Time to load a full sample (400,000 stereo frames) into a slot's buffer from a WAV file
// in the page cache, for the encodings musicians use most.
#include "samples/SampleBuffer.hpp"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using namespace quovent;

namespace {

void put(std::vector<unsigned char>& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
}

// A canonical 44-byte-header file of frames stereo frames of pseudo-random data.
std::string writeFile(std::uint16_t tag, std::uint16_t bits, std::uint32_t frames) {
    const std::uint32_t align = 2 * bits / 8;
    const std::uint32_t dataBytes = frames * align;
    std::vector<unsigned char> file;
    file.insert(file.end(), {'R', 'I', 'F', 'F'});
    put(file, 36 + dataBytes, 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(file, 16, 4);
    put(file, tag, 2);
    put(file, 2, 2);
    put(file, 44100, 4);
    put(file, 44100 * align, 4);
    put(file, align, 2);
    put(file, bits, 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    put(file, dataBytes, 4);
    std::uint32_t x = 12345;
    for (std::uint32_t i = 0; i < dataBytes; ++i) {
        x = x * 1664525u + 1013904223u;
        file.push_back(static_cast<unsigned char>(x >> 24));
    }
    if (tag == 3) { // keep float data finite: clear the top exponent bit of every value
        for (std::size_t i = 44 + bits / 8 - 1; i < file.size(); i += bits / 8) {
            file[i] &= 0x3F;
        }
    }
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("quovent-bench-" + std::to_string(tag) + "-" + std::to_string(bits) + ".wav"))
            .string();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(file.data(), 1, file.size(), f) != file.size()) {
        std::abort();
    }
    std::fclose(f);
    return path;
}

void loadFull(benchmark::State& state, std::uint16_t tag, std::uint16_t bits) {
    const std::string path = writeFile(tag, bits, SampleBuffer::kCapacity);
    auto buffer = std::make_unique<SampleBuffer>();
    for (auto _ : state) {
        if (!buffer->loadSample(path.c_str())) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(buffer->left(SampleBuffer::kCapacity - 1));
    }
    state.SetItemsProcessed(state.iterations() * SampleBuffer::kCapacity);
    std::filesystem::remove(path);
}

} // namespace

BENCHMARK_CAPTURE(loadFull, pcm16_stereo, 1, 16)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadFull, pcm24_stereo, 1, 24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(loadFull, float32_stereo, 3, 32)->Unit(benchmark::kMillisecond);
