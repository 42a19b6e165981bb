// Test support: lays out RIFF files byte by byte, so that a test can put any chunk anywhere,
// declare sizes that disagree with the bytes, and write the result into a scratch directory.
#pragma once

#include "tests/support/ScratchDirectory.hpp"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace quovent::test {

using Bytes = std::vector<unsigned char>;

void putLe16(Bytes& out, std::uint32_t v);
void putLe32(Bytes& out, std::uint32_t v);

// The basic 16 bytes of a fmt chunk; blockAlign and byteRate from channels x bits unless
// given. extraBytes zero bytes follow (2 gives an 18-byte chunk).
Bytes fmtData(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
              int blockAlign = -1, std::size_t extraBytes = 0);
// A 40-byte WAVE_FORMAT_EXTENSIBLE fmt chunk whose sub-format GUID carries subTag.
Bytes extensibleFmtData(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate,
                        std::uint16_t bits);
Bytes pcm16(std::initializer_list<std::int16_t> values);
Bytes pcm16(const std::vector<std::int16_t>& values);

class RiffBuilder {
public:
    explicit RiffBuilder(std::string_view form = "WAVE", std::string_view riffId = "RIFF");

    // A chunk whose header declares data.size(), followed by a pad byte when that is odd.
    RiffBuilder& chunk(std::string_view id, const Bytes& data);
    // A chunk whose header declares declaredSize whatever the bytes that follow; no pad.
    RiffBuilder& rawChunk(std::string_view id, std::uint32_t declaredSize, const Bytes& data);
    // A LIST chunk with the given list type around data; pad byte when odd.
    RiffBuilder& list(std::string_view listType, const Bytes& data);
    RiffBuilder& fmt(const Bytes& data) { return chunk("fmt ", data); }
    RiffBuilder& data(const Bytes& data) { return chunk("data", data); }
    // Bytes appended after everything, outside any chunk.
    RiffBuilder& trailing(const Bytes& bytes);
    // Overrides the size declared at offset 4 (normally the length of everything after it).
    RiffBuilder& riffSize(std::uint32_t declared);

    Bytes bytes() const;
    // One chunk on its own (header, data, pad byte), for nesting and trailing bytes.
    static Bytes chunkBytes(std::string_view id, const Bytes& data);

private:
    std::string riffId_;
    std::string form_;
    Bytes body_;
    Bytes trailing_;
    bool sizeOverridden_ = false;
    std::uint32_t riffSize_ = 0;
};

// A scratch directory removed with the object.
class TempDir {
public:
    TempDir() = default;

    std::string path(std::string_view name) const;
    std::string write(std::string_view name, const Bytes& bytes) const;
    std::string write(std::string_view name, const RiffBuilder& file) const {
        return write(name, file.bytes());
    }

private:
    ScratchDirectory dir_;
};

} // namespace quovent::test
