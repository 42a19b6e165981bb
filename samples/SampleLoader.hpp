// Brings the sample data of an opened WAV file into a SampleBuffer.
//
// Every encoding lands on one scale: full scale of the file becomes +-1.15 (a 16-bit value s
// becomes s / 32768 x 1.15). 16-bit files are kept as their 16-bit values (read as signed
// 16-bit whatever their tag) and every other depth as floats;
// 8-bit unsigned, 24- and 32-bit integer and 32- and 64-bit float data (plain or
// WAVE_FORMAT_EXTENSIBLE) are converted too. Anything else is refused before the buffer is
// touched. Files with more than two channels give their first two; frames the file does not
// really hold become silence. Editor thread only.
#pragma once

#include "samples/SampleBuffer.hpp"
#include "samples/WavFile.hpp"

#include <cstdint>
#include <optional>

namespace quovent {

enum class SampleEncoding { Pcm16, PcmU8, Pcm24, Pcm32, Float32, Float64 };

// Where the frames of a data chunk lie and how many of them a load produces.
struct SampleLayout {
    SampleEncoding encoding = SampleEncoding::Pcm16;
    std::uint32_t channels = 0;
    std::uint32_t frameBytes = 0;    // distance from one frame to the next in the data
    std::uint32_t frames = 0;        // the buffer's frameCount after the load
    std::uint32_t framesPresent = 0; // frames the file holds whole; the rest load as silence
};

class SampleLoader {
public:
    // 1.15 is the level a full-scale sample plays at.
    static constexpr double kFullScale = SampleBuffer::kFullScale;

    // The layout of an opened file, or nothing for an encoding that cannot be decoded.
    static std::optional<SampleLayout> describe(const WavFile& wav) noexcept;
    // Reads the opened file into the buffer. False, with the buffer exactly as it was, for
    // an encoding that cannot be decoded (or when the small staging array cannot be had).
    static bool load(WavFile& wav, SampleBuffer& buffer) noexcept;

    // One value of the file's encoding at p, on the buffer's scale.
    static float convert(SampleEncoding encoding, const unsigned char* p) noexcept;
    static float convert16(std::int16_t s) noexcept { return SampleView::from16(s); }

private:
    static std::uint32_t readPcm16(WavFile& wav, const SampleLayout& layout, SampleBuffer& buffer,
                                   std::int16_t* staging, std::uint32_t blockFrames) noexcept;
    static std::uint32_t readBytes(WavFile& wav, const SampleLayout& layout, SampleBuffer& buffer,
                                   unsigned char* staging, std::uint32_t blockFrames) noexcept;
};

} // namespace quovent
