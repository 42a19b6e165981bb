// Base64 both ways, six bits a digit.
#include "tests/support/Base64.hpp"

#include <cstdint>

namespace quovent::test {

namespace {

constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr int kNotADigit = -1;
constexpr int kSpace = -2;

int digitValue(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    if (c == '+') {
        return 62;
    }
    if (c == '/') {
        return 63;
    }
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        return kSpace;
    }
    return kNotADigit;
}

} // namespace

std::string base64Encode(const std::string& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::uint32_t v = 0;
    int bits = 0;
    for (const char c : bytes) {
        v = (v << 8) | static_cast<unsigned char>(c);
        bits += 8;
        while (bits >= 6) {
            bits -= 6;
            out += kDigits[(v >> bits) & 63];
        }
    }
    if (bits > 0) {
        out += kDigits[(v << (6 - bits)) & 63];
    }
    while (out.size() % 4 != 0) {
        out += '=';
    }
    return out;
}

std::optional<std::string> base64Decode(const std::string& text) {
    std::string out;
    std::uint32_t v = 0;
    int bits = 0;
    for (const char c : text) {
        if (c == '=') {
            break;
        }
        const int d = digitValue(c);
        if (d == kSpace) {
            continue;
        }
        if (d == kNotADigit) {
            return std::nullopt;
        }
        v = (v << 6) | static_cast<std::uint32_t>(d);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((v >> bits) & 0xFF);
        }
    }
    return out;
}

} // namespace quovent::test
