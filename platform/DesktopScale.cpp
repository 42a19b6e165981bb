// Reading the desktop's scale factor from its published settings.
#include "platform/DesktopScale.hpp"

#include <charconv>
#include <cmath>
#include <optional>

namespace quovent::platform {
namespace {

// Factors a desktop may really ask for; anything else is a typo or garbage.
constexpr double kLowest = 0.5;
constexpr double kHighest = 8.0;

// The whole text as a finite number (blanks around it allowed), else nullopt.
std::optional<double> number(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> factor(std::optional<double> value) {
    if (value && *value >= kLowest && *value <= kHighest) {
        return value;
    }
    return std::nullopt;
}

} // namespace

double desktopScaleFrom(std::string_view xftDpi, const char* gdkScale, const char* qtScaleFactor) {
    if (const auto dpi = number(xftDpi)) {
        if (const auto f = factor(*dpi / kDesktopDpiAtOne)) {
            return *f;
        }
    }
    if (gdkScale != nullptr) {
        // GDK takes whole factors only.
        const auto f = factor(number(gdkScale));
        if (f && *f == std::floor(*f)) {
            return *f;
        }
    }
    if (qtScaleFactor != nullptr) {
        if (const auto f = factor(number(qtScaleFactor))) {
            return *f;
        }
    }
    return 1.0;
}

} // namespace quovent::platform
