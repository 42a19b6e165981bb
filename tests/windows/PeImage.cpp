// A bounds-checked walk through the PE headers, section table, export directory and
// import directories.
#include "PeImage.hpp"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace quovent::test {

namespace {

constexpr std::uint16_t kPe32 = 0x10b;
constexpr std::uint16_t kPe32Plus = 0x20b;
constexpr std::size_t kExportDirectory = 0;
constexpr std::size_t kImportDirectory = 1;
constexpr std::size_t kDelayImportDirectory = 13;
constexpr std::size_t kMaxEntries = 4096; // more names than any sane DLL of ours has

class Bytes {
public:
    explicit Bytes(std::vector<unsigned char> data) : data_(std::move(data)) {}

    bool has(std::size_t offset, std::size_t size) const {
        return offset <= data_.size() && size <= data_.size() - offset;
    }
    std::uint32_t u16(std::size_t offset) const { return get(offset, 2); }
    std::uint32_t u32(std::size_t offset) const { return get(offset, 4); }
    std::optional<std::string> text(std::size_t offset) const {
        std::string s;
        for (std::size_t i = offset; i < data_.size(); ++i) {
            if (data_[i] == 0) {
                return s;
            }
            s.push_back(static_cast<char>(data_[i]));
        }
        return std::nullopt;
    }

private:
    std::uint32_t get(std::size_t offset, std::size_t size) const {
        if (!has(offset, size)) {
            throw std::out_of_range("past the end of the image");
        }
        std::uint32_t v = 0;
        for (std::size_t i = 0; i < size; ++i) {
            v |= static_cast<std::uint32_t>(data_[offset + i]) << (8 * i);
        }
        return v;
    }
    std::vector<unsigned char> data_;
};

struct Section {
    std::uint32_t address = 0;
    std::uint32_t size = 0;
    std::uint32_t fileOffset = 0;
};

class Walker {
public:
    explicit Walker(const Bytes& b) : b_(b) {}

    bool headers(PeImage& image) {
        if (b_.u16(0) != 0x5a4d) { // "MZ"
            return false;
        }
        const std::size_t pe = b_.u32(0x3c);
        if (b_.u32(pe) != 0x00004550) { // "PE\0\0"
            return false;
        }
        image.machine = static_cast<std::uint16_t>(b_.u16(pe + 4));
        const std::size_t sections = b_.u16(pe + 6);
        const std::size_t optionalSize = b_.u16(pe + 20);
        const std::size_t optional = pe + 24;
        const std::uint32_t magic = b_.u16(optional);
        if (magic != kPe32 && magic != kPe32Plus) {
            return false;
        }
        const std::size_t countAt = optional + (magic == kPe32 ? 92 : 108);
        directoryCount_ = b_.u32(countAt);
        directories_ = countAt + 4;
        const std::size_t table = optional + optionalSize;
        for (std::size_t i = 0; i < sections && i < kMaxEntries; ++i) {
            const std::size_t s = table + i * 40;
            const std::uint32_t virtualSize = b_.u32(s + 8);
            const std::uint32_t rawSize = b_.u32(s + 16);
            sections_.push_back(
                {b_.u32(s + 12), virtualSize > rawSize ? virtualSize : rawSize, b_.u32(s + 20)});
        }
        return true;
    }

    std::uint32_t directory(std::size_t index) const {
        return index < directoryCount_ ? b_.u32(directories_ + index * 8) : 0;
    }

    std::size_t offsetOf(std::uint32_t rva) const {
        for (const Section& s : sections_) {
            if (rva >= s.address && rva - s.address < s.size) {
                return s.fileOffset + (rva - s.address);
            }
        }
        throw std::out_of_range("address outside every section");
    }

    std::string textAt(std::uint32_t rva) const {
        const std::optional<std::string> t = b_.text(offsetOf(rva));
        if (!t) {
            throw std::out_of_range("unterminated name");
        }
        return *t;
    }

    void exports(PeImage& image) const {
        const std::uint32_t rva = directory(kExportDirectory);
        if (rva == 0) {
            return;
        }
        const std::size_t d = offsetOf(rva);
        const std::size_t names = b_.u32(d + 24);
        const std::uint32_t functions = b_.u32(d + 28);
        const std::uint32_t nameTable = b_.u32(d + 32);
        const std::uint32_t ordinals = b_.u32(d + 36);
        for (std::size_t i = 0; i < names && i < kMaxEntries; ++i) {
            const std::string name = textAt(b_.u32(offsetOf(nameTable) + 4 * i));
            const std::uint32_t ordinal = b_.u16(offsetOf(ordinals) + 2 * i);
            image.exports[name] = b_.u32(offsetOf(functions) + std::size_t{4} * ordinal);
        }
    }

    void imports(PeImage& image) const {
        if (const std::uint32_t rva = directory(kImportDirectory); rva != 0) {
            for (std::size_t d = offsetOf(rva), i = 0; i < kMaxEntries; ++i, d += 20) {
                const std::uint32_t name = b_.u32(d + 12);
                if (name == 0) {
                    break;
                }
                image.imports.push_back(textAt(name));
            }
        }
        if (const std::uint32_t rva = directory(kDelayImportDirectory); rva != 0) {
            for (std::size_t d = offsetOf(rva), i = 0; i < kMaxEntries; ++i, d += 32) {
                const std::uint32_t name = b_.u32(d + 4);
                if (name == 0) {
                    break;
                }
                image.imports.push_back(textAt(name));
            }
        }
    }

private:
    const Bytes& b_;
    std::vector<Section> sections_;
    std::size_t directoryCount_ = 0;
    std::size_t directories_ = 0;
};

} // namespace

std::optional<PeImage> PeImage::read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    const Bytes bytes(std::vector<unsigned char>((std::istreambuf_iterator<char>(in)),
                                                 std::istreambuf_iterator<char>()));
    try {
        PeImage image;
        Walker walker(bytes);
        if (!walker.headers(image)) {
            return std::nullopt;
        }
        walker.exports(image);
        walker.imports(image);
        return image;
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
}

} // namespace quovent::test
