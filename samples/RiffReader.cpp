// RIFF chunk navigation over a byte-mode file.
#include "samples/RiffReader.hpp"

#include <cstring>

namespace quovent {

namespace {

constexpr std::size_t kIdBytes = 4;
constexpr std::uint32_t kFormTypeBytes = 4;

bool sameId(const char* a, const char* b) noexcept {
    // Byte-wise and case-sensitive: "FMT " or "Data" are different chunks.
    return std::memcmp(a, b, kIdBytes) == 0;
}

std::uint32_t littleEndian32(const unsigned char* p) noexcept {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

} // namespace

RiffReader::RiffReader(const char* path) noexcept {
    if (!file_.open(path)) {
        return;
    }
    if (!enterFirstChunk()) {
        close();
    }
}

RiffReader::~RiffReader() {
    close();
}

void RiffReader::close() noexcept {
    file_.close();
    depth_ = 0;
}

bool RiffReader::seek(std::int64_t offset) noexcept {
    return file_.seek(offset);
}

std::int64_t RiffReader::tell() noexcept {
    return file_.tell();
}

std::size_t RiffReader::read(void* buffer, std::size_t bytes) noexcept {
    return file_.read(buffer, bytes);
}

bool RiffReader::readHeader(RiffChunk& chunk) noexcept {
    unsigned char header[8];
    if (read(header, sizeof header) != sizeof header) {
        return false;
    }
    chunk = RiffChunk{};
    std::memcpy(chunk.id, header, kIdBytes);
    chunk.size = littleEndian32(header + kIdBytes);
    // A RIFF or LIST chunk declaring fewer than 4 bytes has no room for a form type; it is
    // then taken as a plain chunk of its declared size instead of letting size - 4 wrap.
    const bool isList = sameId(chunk.id, "RIFF") || sameId(chunk.id, "LIST");
    if (isList && chunk.size >= kFormTypeBytes) {
        if (read(chunk.formType, kFormTypeBytes) != kFormTypeBytes) {
            return false;
        }
        chunk.size -= kFormTypeBytes;
    }
    chunk.dataStart = tell();
    if (chunk.dataStart < 0) {
        return false;
    }
    chunk.dataEnd = chunk.dataStart + chunk.size;
    if (chunk.dataEnd % 2 != 0) {
        ++chunk.dataEnd; // pad byte
    }
    return true;
}

bool RiffReader::enterFirstChunk() noexcept {
    depth_ = 0;
    if (!file_.seekToEnd()) {
        return false;
    }
    fileSize_ = tell();
    if (fileSize_ < 0 || !seek(0)) {
        return false;
    }
    RiffChunk chunk;
    if (!readHeader(chunk) || !sameId(chunk.id, "RIFF")) {
        return false;
    }
    return push(chunk);
}

bool RiffReader::push(const RiffChunk& chunk) noexcept {
    if (depth_ >= static_cast<int>(stack_.size())) {
        return false;
    }
    stack_[static_cast<std::size_t>(depth_++)] = chunk;
    return true;
}

const RiffChunk* RiffReader::current() const noexcept {
    return depth_ > 0 ? &stack_[static_cast<std::size_t>(depth_ - 1)] : nullptr;
}

std::uint32_t RiffReader::size() const noexcept {
    const RiffChunk* c = current();
    return c != nullptr ? c->size : 0;
}

const char* RiffReader::id() const noexcept {
    const RiffChunk* c = current();
    return c != nullptr ? c->id : nullptr;
}

const char* RiffReader::formType() const noexcept {
    const RiffChunk* c = current();
    return c != nullptr && c->formType[0] != '\0' ? c->formType : nullptr;
}

bool RiffReader::descend(const char* wanted) noexcept {
    const RiffChunk* parentPtr = current();
    if (!file_.isOpen() || parentPtr == nullptr) {
        return false;
    }
    const RiffChunk parent = *parentPtr;
    // Every search starts again at the first child, so chunk order does not matter.
    if (!seek(parent.dataStart)) {
        return false;
    }
    std::int64_t position = parent.dataStart;
    while (position < parent.dataEnd) {
        RiffChunk child;
        if (!readHeader(child)) {
            break;
        }
        if (sameId(child.id, wanted) && push(child)) {
            return true;
        }
        if (!seek(child.dataEnd)) {
            return false;
        }
        position = child.dataEnd; // at least 8 bytes further on: the loop ends
    }
    seek(parent.dataStart);
    return false;
}

bool RiffReader::ascend() noexcept {
    if (depth_ < 2) {
        return false;
    }
    const RiffChunk* c = current();
    if (!seek(c->dataEnd)) {
        return false;
    }
    --depth_;
    return true;
}

} // namespace quovent
