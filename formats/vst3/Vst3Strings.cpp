#include "formats/vst3/Vst3Strings.hpp"

namespace quovent {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The next character of UTF-8 text from position i (advanced past it).
char32_t decode(std::string_view text, std::size_t& i) noexcept {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i++);
    if (lead < 0x80) {
        return lead;
    }
    int more = 0;
    char32_t c = 0;
    if ((lead & 0xE0) == 0xC0) {
        more = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        more = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        more = 3;
        c = lead & 0x07;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < more; ++k) {
        if (i >= text.size() || (byte(i) & 0xC0) != 0x80) {
            return kReplacement;
        }
        c = (c << 6) | (byte(i++) & 0x3F);
    }
    const bool overlong =
        (more == 1 && c < 0x80) || (more == 2 && c < 0x800) || (more == 3 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        return kReplacement;
    }
    return c;
}

} // namespace

void Vst3Strings::copy(std::string_view text, vst3::char8* field, std::size_t size) noexcept {
    if (field == nullptr || size == 0) {
        return;
    }
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    for (std::size_t i = 0; i < n; ++i) {
        field[i] = text[i];
    }
    field[n] = '\0';
}

void Vst3Strings::copy(std::string_view text, vst3::char16* field, std::size_t units) noexcept {
    if (field == nullptr || units == 0) {
        return;
    }
    std::size_t out = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char32_t c = decode(text, i);
        const std::size_t needed = c >= 0x10000 ? 2 : 1;
        if (out + needed > units - 1) {
            break;
        }
        if (needed == 2) {
            const char32_t v = c - 0x10000;
            field[out++] = static_cast<vst3::char16>(0xD800 + (v >> 10));
            field[out++] = static_cast<vst3::char16>(0xDC00 + (v & 0x3FF));
        } else {
            field[out++] = static_cast<vst3::char16>(c);
        }
    }
    field[out] = u'\0';
}

std::optional<std::string_view> Vst3Strings::toAscii(const vst3::char16* text, std::size_t units,
                                                     char* out, std::size_t capacity) noexcept {
    if (text == nullptr || out == nullptr || capacity == 0) {
        return std::nullopt;
    }
    std::size_t n = 0;
    for (; n < units && text[n] != u'\0'; ++n) {
        if (text[n] >= 0x80 || n + 1 >= capacity) {
            return std::nullopt;
        }
        out[n] = static_cast<char>(text[n]);
    }
    out[n] = '\0';
    return std::string_view(out, n);
}

} // namespace quovent
