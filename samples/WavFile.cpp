// WAV reading on top of RiffReader.
#include "samples/WavFile.hpp"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quovent {

namespace {

constexpr std::uint32_t kBasicFormatBytes = 16;      // the six fields every fmt chunk has
constexpr std::uint32_t kExtensibleFormatBytes = 40; // ... plus the extensible fields
constexpr std::size_t kSubFormatOffset = 24;
// Bytes 2..15 of every sub-format GUID of the standard family
// {0000xxxx-0000-0010-8000-00AA00389B71}; the first two bytes are the format tag.
constexpr unsigned char kSubFormatBase[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                              0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint16_t little16(const unsigned char* p) noexcept {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t little32(const unsigned char* p) noexcept {
    return static_cast<std::uint32_t>(little16(p)) | static_cast<std::uint32_t>(little16(p + 2))
                                                         << 16;
}

} // namespace

bool WavFile::openRead(const char* path) noexcept {
    close();
    try {
        open(path);
        return true;
    } catch (const Failure& failure) {
        lastError_ = failure.message;
        close();
        return false;
    }
}

void WavFile::open(const char* path) {
    formatTag_ = channels_ = blockAlign_ = bitsPerSample_ = subFormat_ = 0;
    sampleRate_ = byteRate_ = dataSize_ = dataPresent_ = dataLeft_ = 0;
    // A file that does not begin with a RIFF header holds no stream: "Couldn't open file".
    RiffReader& riff = reader_.emplace(path);
    if (!riff.isOpen()) {
        fail(kOpenFailed);
    }
    const char* form = riff.formType();
    if (form == nullptr || std::memcmp(form, "WAVE", 4) != 0 || !riff.descend("fmt ")) {
        fail(kNoWaveFormat);
    }
    readFormat();
    if (!riff.descend("data")) {
        fail(kNoDataChunk);
    }
    const RiffChunk& data = *riff.current();
    dataSize_ = data.size;
    const std::int64_t inFile = std::max<std::int64_t>(riff.fileSize() - data.dataStart, 0);
    dataPresent_ = static_cast<std::uint32_t>(std::min<std::int64_t>(data.size, inFile));
    dataLeft_ = dataSize_;
}

void WavFile::readFormat() {
    RiffReader& riff = *reader_;
    const RiffChunk& fmt = *riff.current();
    // The chunk must hold the six basic fields and lie within the file. Its declared size is
    // checked against the file's real length before anything is read, so a hostile size costs
    // nothing; bytes past the extensible fields are skipped unread by ascend().
    const std::int64_t inFile = riff.fileSize() - fmt.dataStart;
    if (fmt.size < kBasicFormatBytes || fmt.size > inFile) {
        fail(kBadFormatChunk);
    }
    unsigned char bytes[kExtensibleFormatBytes] = {};
    const std::size_t wanted = std::min(fmt.size, kExtensibleFormatBytes);
    if (riff.read(bytes, wanted) != wanted || !riff.ascend()) {
        fail(kBadFormatChunk);
    }
    formatTag_ = little16(bytes);
    channels_ = little16(bytes + 2);
    sampleRate_ = little32(bytes + 4);
    byteRate_ = little32(bytes + 8);
    blockAlign_ = little16(bytes + 12);
    bitsPerSample_ = little16(bytes + 14);
    if (formatTag_ == kTagExtensible && fmt.size >= kExtensibleFormatBytes &&
        std::memcmp(bytes + kSubFormatOffset + 2, kSubFormatBase, sizeof kSubFormatBase) == 0) {
        subFormat_ = little16(bytes + kSubFormatOffset);
    }
}

std::size_t WavFile::readData(void* buffer, std::size_t bytes) noexcept {
    if (!reader_) {
        return 0;
    }
    const std::size_t got = reader_->read(buffer, std::min<std::size_t>(bytes, dataLeft_));
    dataLeft_ -= static_cast<std::uint32_t>(got);
    return got;
}

bool WavFile::readSamples16(std::int16_t* buffer, std::uint32_t frames) noexcept {
    if (bitsPerSample_ != 16) {
        lastError_ = kSampleSizeMismatch;
        return false;
    }
    const std::uint64_t values = std::uint64_t{frames} * channels_;
    const std::uint64_t bytes = values * sizeof(std::int16_t);
    // Never past the data chunk: what it lacks stays silent below.
    const std::size_t got =
        readData(buffer, static_cast<std::size_t>(std::min<std::uint64_t>(bytes, dataLeft_)));
    const std::size_t whole = got / sizeof(std::int16_t);
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < whole; ++i) {
            const auto u = static_cast<std::uint16_t>(buffer[i]);
            buffer[i] = static_cast<std::int16_t>((u >> 8) | (u << 8));
        }
    }
    if (whole < values) {
        std::fill(buffer + whole, buffer + values, std::int16_t{0});
        lastError_ = kReadFailed;
        return false;
    }
    return true;
}

bool WavFile::close() noexcept {
    reader_.reset();
    dataLeft_ = 0;
    return true;
}

} // namespace quovent
