// Loading a WAV file into a SampleBuffer: choosing the decoder, reading the data in small
// staging blocks and converting it in place into the buffer's arrays.
#include "samples/SampleLoader.hpp"

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cmath>
#include <memory>
#include <new>

namespace quovent {

namespace {

std::uint32_t little24(const unsigned char* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16;
}

std::uint32_t little32(const unsigned char* p) noexcept {
    return little24(p) | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t little64(const unsigned char* p) noexcept {
    return static_cast<std::uint64_t>(little32(p)) | static_cast<std::uint64_t>(little32(p + 4))
                                                         << 32;
}

// Float data keeps its range, but a value that is not a number, or that would not be a
// finite float once scaled, would poison the voice and its filter: it plays as silence.
float scaleFloat(double v) noexcept {
    const double scaled = v * SampleLoader::kFullScale;
    return std::fabs(scaled) <= FLT_MAX ? static_cast<float>(scaled) : 0.0f;
}

// The encoding of a file that is not 16-bit; nothing for encodings we cannot decode
// (ADPCM, mu-law, A-law, 12- or 64-bit integers, ...).
std::optional<SampleEncoding> encodingOf(std::uint16_t tag, std::uint16_t bits) noexcept {
    if (tag == WavFile::kTagPcm) {
        switch (bits) {
        case 8:
            return SampleEncoding::PcmU8;
        case 24:
            return SampleEncoding::Pcm24;
        case 32:
            return SampleEncoding::Pcm32;
        default:
            return std::nullopt;
        }
    }
    if (tag == WavFile::kTagFloat) {
        if (bits == 32) {
            return SampleEncoding::Float32;
        }
        if (bits == 64) {
            return SampleEncoding::Float64;
        }
    }
    return std::nullopt;
}

} // namespace

float SampleLoader::convert(SampleEncoding encoding, const unsigned char* p) noexcept {
    switch (encoding) {
    case SampleEncoding::Pcm16:
        return convert16(static_cast<std::int16_t>(p[0] | p[1] << 8));
    case SampleEncoding::PcmU8:
        return static_cast<float>((p[0] - 128) / 128.0 * kFullScale);
    case SampleEncoding::Pcm24: {
        // Sign-extend through the top byte of a 32-bit word.
        const auto s = static_cast<std::int32_t>(little24(p) << 8) / 256;
        return static_cast<float>(s / 8388608.0 * kFullScale);
    }
    case SampleEncoding::Pcm32:
        return static_cast<float>(static_cast<std::int32_t>(little32(p)) / 2147483648.0 *
                                  kFullScale);
    case SampleEncoding::Float32:
        return scaleFloat(std::bit_cast<float>(little32(p)));
    case SampleEncoding::Float64:
        return scaleFloat(std::bit_cast<double>(little64(p)));
    }
    return 0.0f;
}

std::optional<SampleLayout> SampleLoader::describe(const WavFile& wav) noexcept {
    SampleLayout layout;
    layout.channels = wav.channels();
    if (layout.channels == 0 || wav.sampleRate() == 0) {
        return std::nullopt; // no audio in any frame, or no pitch to play it at
    }
    const std::uint32_t align = wav.blockAlign();
    if (wav.bitsPerSample() == 16) {
        // Read as packed signed 16-bit values whatever the tag; frames are counted by
        // blockAlign even when it disagrees with the channel count.
        layout.encoding = SampleEncoding::Pcm16;
        layout.frameBytes = layout.channels * 2;
        layout.frames = align == 0 ? 0 : wav.dataSize() / align;
    } else {
        const std::uint16_t tag =
            wav.formatTag() == WavFile::kTagExtensible ? wav.subFormat() : wav.formatTag();
        const std::optional<SampleEncoding> encoding = encodingOf(tag, wav.bitsPerSample());
        // A blockAlign that disagrees with the channels would make every frame guesswork.
        if (!encoding || align != layout.channels * (wav.bitsPerSample() / 8u)) {
            return std::nullopt;
        }
        layout.encoding = *encoding;
        layout.frameBytes = align;
        layout.frames = wav.dataSize() / align;
    }
    layout.frames = std::min<std::uint32_t>(layout.frames, SampleBuffer::kCapacity);
    layout.framesPresent = std::min(layout.frames, wav.dataPresent() / layout.frameBytes);
    return layout;
}

bool SampleLoader::load(WavFile& wav, SampleBuffer& buffer) noexcept {
    const std::optional<SampleLayout> layout = describe(wav);
    if (!layout) {
        return false;
    }
    // A block of whole frames, at least one however wide a frame is (at most 64K x 8 bytes).
    const std::uint32_t blockFrames = std::max<std::uint32_t>(
        1, static_cast<std::uint32_t>(capacity::kSampleStagingBytes / layout->frameBytes));
    const std::size_t stagingValues = (std::size_t{blockFrames} * layout->frameBytes + 1) / 2;
    const std::unique_ptr<std::int16_t[]> staging(new (std::nothrow) std::int16_t[stagingValues]);
    if (!staging) {
        return false;
    }

    // The count goes first: a voice playing meanwhile hears old and new audio mixed but
    // never reads past the arrays.
    buffer.setFrameCount(static_cast<int>(layout->frames));
    const bool pcm16 = layout->encoding == SampleEncoding::Pcm16;
    buffer.beginLoad(pcm16 ? SampleBuffer::Storage::Pcm16 : SampleBuffer::Storage::Float,
                     layout->channels == 1);
    const std::uint32_t decoded =
        pcm16 ? readPcm16(wav, *layout, buffer, staging.get(), blockFrames)
              : readBytes(wav, *layout, buffer,
                          reinterpret_cast<unsigned char*>(staging.get()), // NOLINT: byte view
                          blockFrames);
    buffer.finishLoad(static_cast<int>(decoded), static_cast<int>(layout->frames));
    buffer.setSampleRate(wav.sampleRate());
    return true;
}

std::uint32_t SampleLoader::readPcm16(WavFile& wav, const SampleLayout& layout,
                                      SampleBuffer& buffer, std::int16_t* staging,
                                      std::uint32_t blockFrames) noexcept {
    const std::uint32_t second = layout.channels > 1 ? 1 : 0;
    std::uint32_t done = 0;
    while (done < layout.framesPresent) {
        const std::uint32_t n = std::min(blockFrames, layout.framesPresent - done);
        // A failed read leaves silence in the values it did not get.
        const bool complete = wav.readSamples16(staging, n);
        for (std::uint32_t i = 0; i < n; ++i) {
            const std::int16_t* frame = staging + std::size_t{i} * layout.channels;
            buffer.setFrame16(static_cast<int>(done + i), frame[0], frame[second]);
        }
        done += n;
        if (!complete) {
            break;
        }
    }
    return done;
}

std::uint32_t SampleLoader::readBytes(WavFile& wav, const SampleLayout& layout,
                                      SampleBuffer& buffer, unsigned char* staging,
                                      std::uint32_t blockFrames) noexcept {
    const std::size_t sampleBytes = layout.frameBytes / layout.channels;
    const std::size_t second = layout.channels > 1 ? sampleBytes : 0;
    std::uint32_t done = 0;
    while (done < layout.framesPresent) {
        const std::uint32_t n = std::min(blockFrames, layout.framesPresent - done);
        const std::size_t wanted = std::size_t{n} * layout.frameBytes;
        const std::size_t got = wav.readData(staging, wanted);
        const auto whole = static_cast<std::uint32_t>(got / layout.frameBytes);
        for (std::uint32_t i = 0; i < whole; ++i) {
            const unsigned char* frame = staging + std::size_t{i} * layout.frameBytes;
            buffer.setFrame(static_cast<int>(done + i), convert(layout.encoding, frame),
                            convert(layout.encoding, frame + second));
        }
        done += whole;
        if (got < wanted) {
            break; // the rest is silence
        }
    }
    return done;
}

} // namespace quovent
