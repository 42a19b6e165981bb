// A WAV file opened for reading: checks the RIFF/WAVE frame, records the format chunk and
// leaves the stream at the first byte of the sample data.
//
// Failures inside openRead travel as exceptions carrying one of the fixed messages below and
// are caught at its boundary: no exception leaves this class. The messages are kept in
// lastError() and never cleared. Editor thread only.
#pragma once

#include "samples/RiffReader.hpp"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace quovent {

class WavFile {
public:
    // The messages a failure leaves in lastError().
    static constexpr const char* kOpenFailed = "Couldn't open file";
    static constexpr const char* kNoWaveFormat = "Couldn't find RIFF, WAVE, or fmt";
    static constexpr const char* kBadFormatChunk = "Error reading format chunk";
    static constexpr const char* kNoDataChunk = "Couldn't find data chunk";
    static constexpr const char* kSampleSizeMismatch = "Sample size mismatch";
    static constexpr const char* kReadFailed = "Couldn't read samples";

    // Format tags and the sub-format of WAVE_FORMAT_EXTENSIBLE files.
    static constexpr std::uint16_t kTagPcm = 1;
    static constexpr std::uint16_t kTagFloat = 3;
    static constexpr std::uint16_t kTagExtensible = 0xFFFE;

    WavFile() = default;
    ~WavFile() { close(); }
    WavFile(const WavFile&) = delete;
    WavFile& operator=(const WavFile&) = delete;

    // True when the file is a readable WAV file: the format fields and dataSize are set and
    // the stream stands at the first sample byte. A file open before is closed either way.
    bool openRead(const char* path) noexcept;
    // Reads frames x channels() signed 16-bit values from the stream position, never past
    // the end of the data chunk. False with "Sample size mismatch" unless bitsPerSample is
    // 16 (nothing read), false with "Couldn't read samples" when fewer values were there;
    // the values not read are then set to 0 so the caller never sees stale memory.
    bool readSamples16(std::int16_t* buffer, std::uint32_t frames) noexcept;
    // Reads up to bytes raw bytes of the data chunk from the stream position, never past its
    // end; returns how many were read. For the encodings readSamples16 does not cover.
    std::size_t readData(void* buffer, std::size_t bytes) noexcept;
    bool close() noexcept;
    bool isOpen() const noexcept { return reader_.has_value(); }

    std::uint16_t formatTag() const noexcept { return formatTag_; }
    std::uint16_t channels() const noexcept { return channels_; }
    std::uint32_t sampleRate() const noexcept { return sampleRate_; }
    std::uint32_t byteRate() const noexcept { return byteRate_; }
    std::uint16_t blockAlign() const noexcept { return blockAlign_; }
    std::uint16_t bitsPerSample() const noexcept { return bitsPerSample_; }
    // For WAVE_FORMAT_EXTENSIBLE: the format tag carried by a sub-format GUID of the standard
    // family (PCM 1, IEEE float 3, ...); 0 for other files or unknown GUIDs.
    std::uint16_t subFormat() const noexcept { return subFormat_; }
    // The data chunk's size as declared in its header.
    std::uint32_t dataSize() const noexcept { return dataSize_; }
    // How many bytes of the data chunk the file really holds (at most dataSize).
    std::uint32_t dataPresent() const noexcept { return dataPresent_; }
    const char* lastError() const noexcept { return lastError_; }

private:
    struct Failure {
        const char* message;
    };
    [[noreturn]] static void fail(const char* message) { throw Failure{message}; }
    void open(const char* path);
    void readFormat();

    std::optional<RiffReader> reader_;
    std::uint16_t formatTag_ = 0;
    std::uint16_t channels_ = 0;
    std::uint32_t sampleRate_ = 0;
    std::uint32_t byteRate_ = 0;
    std::uint16_t blockAlign_ = 0;
    std::uint16_t bitsPerSample_ = 0;
    std::uint16_t subFormat_ = 0;
    std::uint32_t dataSize_ = 0;
    std::uint32_t dataPresent_ = 0;
    std::uint32_t dataLeft_ = 0; // bytes of the data chunk not yet read
    const char* lastError_ = nullptr;
};

} // namespace quovent
