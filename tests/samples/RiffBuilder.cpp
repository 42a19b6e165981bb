// Test support: RIFF file layout and scratch files.
#include "tests/samples/RiffBuilder.hpp"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace quovent::test {

namespace {
void putId(Bytes& out, std::string_view id) {
    for (std::size_t i = 0; i < 4; ++i) {
        out.push_back(i < id.size() ? static_cast<unsigned char>(id[i]) : ' ');
    }
}
} // namespace

void putLe16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void putLe32(Bytes& out, std::uint32_t v) {
    putLe16(out, v & 0xFFFF);
    putLe16(out, v >> 16);
}

Bytes fmtData(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
              int blockAlign, std::size_t extraBytes) {
    const auto align =
        static_cast<std::uint32_t>(blockAlign >= 0 ? blockAlign : channels * ((bits + 7) / 8));
    Bytes out;
    putLe16(out, tag);
    putLe16(out, channels);
    putLe32(out, rate);
    putLe32(out, rate * align);
    putLe16(out, align);
    putLe16(out, bits);
    out.resize(out.size() + extraBytes, 0);
    return out;
}

Bytes extensibleFmtData(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate,
                        std::uint16_t bits) {
    Bytes out = fmtData(0xFFFE, channels, rate, bits);
    putLe16(out, 22);   // cbSize
    putLe16(out, bits); // valid bits
    putLe32(out, 0);    // channel mask
    putLe32(out, subTag);
    for (const unsigned char b :
         {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}) {
        out.push_back(b);
    }
    return out;
}

Bytes pcm16(std::initializer_list<std::int16_t> values) {
    return pcm16(std::vector<std::int16_t>(values));
}

Bytes pcm16(const std::vector<std::int16_t>& values) {
    Bytes out;
    out.reserve(values.size() * 2);
    for (const std::int16_t v : values) {
        putLe16(out, static_cast<std::uint16_t>(v));
    }
    return out;
}

RiffBuilder::RiffBuilder(std::string_view form, std::string_view riffId)
    : riffId_(riffId), form_(form) {}

RiffBuilder& RiffBuilder::chunk(std::string_view id, const Bytes& data) {
    rawChunk(id, static_cast<std::uint32_t>(data.size()), data);
    if (data.size() % 2 != 0) {
        body_.push_back(0);
    }
    return *this;
}

RiffBuilder& RiffBuilder::rawChunk(std::string_view id, std::uint32_t declaredSize,
                                   const Bytes& data) {
    putId(body_, id);
    putLe32(body_, declaredSize);
    body_.insert(body_.end(), data.begin(), data.end());
    return *this;
}

RiffBuilder& RiffBuilder::list(std::string_view listType, const Bytes& data) {
    Bytes inner;
    putId(inner, listType);
    inner.insert(inner.end(), data.begin(), data.end());
    return chunk("LIST", inner);
}

RiffBuilder& RiffBuilder::trailing(const Bytes& bytes) {
    trailing_.insert(trailing_.end(), bytes.begin(), bytes.end());
    return *this;
}

RiffBuilder& RiffBuilder::riffSize(std::uint32_t declared) {
    sizeOverridden_ = true;
    riffSize_ = declared;
    return *this;
}

Bytes RiffBuilder::bytes() const {
    Bytes out;
    putId(out, riffId_);
    const auto natural = static_cast<std::uint32_t>(form_.size() + body_.size());
    putLe32(out, sizeOverridden_ ? riffSize_ : natural);
    out.insert(out.end(), form_.begin(), form_.end());
    out.insert(out.end(), body_.begin(), body_.end());
    out.insert(out.end(), trailing_.begin(), trailing_.end());
    return out;
}

Bytes RiffBuilder::chunkBytes(std::string_view id, const Bytes& data) {
    RiffBuilder one;
    one.chunk(id, data);
    return one.body_;
}

std::string TempDir::path(std::string_view name) const {
    return (dir_.path() / name).string();
}

std::string TempDir::write(std::string_view name, const Bytes& bytes) const {
    std::string p = path(name);
    std::FILE* f = std::fopen(p.c_str(), "wb");
    if (f == nullptr) {
        throw std::runtime_error("cannot write " + p);
    }
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        throw std::runtime_error("cannot write " + p);
    }
    return p;
}

} // namespace quovent::test
