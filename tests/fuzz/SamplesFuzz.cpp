// libFuzzer target: any byte string, saved as a file, goes through the WAV reader and the
// sample loader. Beyond the sanitizers' checks, the loaded buffer must keep its invariants:
// frame count within capacity, the guard frame zero, and a refused file changing nothing.
#include "samples/SampleBuffer.hpp"
#include "samples/WavFile.hpp"
#include "tests/fuzz/ScratchFile.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

using namespace quovent;

namespace {

fuzz::ScratchFile& scratch() {
    static fuzz::ScratchFile file("/tmp/quovent-fuzz-" + std::to_string(getpid()) + ".input");
    return file;
}

void require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void readLikeTheLoader(const char* path) {
    WavFile wav;
    if (!wav.openRead(path)) {
        require(!wav.isOpen() && wav.lastError() != nullptr);
        return;
    }
    require(wav.dataPresent() <= wav.dataSize());
    // A bounded read, whatever the channel count claims.
    const std::uint32_t channels = std::max<std::uint32_t>(wav.channels(), 1);
    const std::uint32_t frames = std::min<std::uint32_t>(
        wav.blockAlign() == 0 ? 0 : wav.dataSize() / wav.blockAlign(), (1u << 16) / channels);
    std::vector<std::int16_t> values(std::size_t{frames} * channels + 1, 0x5A5A);
    wav.readSamples16(values.data(), frames);
    require(values.back() == 0x5A5A); // never written past what was asked
    wav.close();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::ScratchFile& file = scratch();
    file.replace(data, size);
    const std::string& path = file.path();

    readLikeTheLoader(path.c_str());

    static SampleBuffer* buffer = new SampleBuffer(); // kept across inputs, as a slot's is
    const int countBefore = buffer->frameCount();
    const std::uint32_t rateBefore = buffer->sampleRate();
    const float firstBefore = buffer->left(0);
    const bool loaded = buffer->loadSample(path.c_str());
    const int count = buffer->frameCount();
    require(count >= 0 && count <= SampleBuffer::kCapacity);
    require(buffer->left(SampleBuffer::kCapacity) == 0.0f);
    require(buffer->right(SampleBuffer::kCapacity) == 0.0f);
    if (!loaded) {
        require(count == countBefore && buffer->sampleRate() == rateBefore);
        require(buffer->left(0) == firstBefore || (std::isnan(firstBefore)));
    } else if (count > 0) {
        require(std::isfinite(buffer->left(0)) && std::isfinite(buffer->right(count - 1)));
    }
    return 0;
}
