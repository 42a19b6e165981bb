// The toolkit's eight fonts. Sizes are character heights in pixels; faces are looked up
// through the system's font matching, which substitutes a metric-compatible face (Liberation
// Sans for Arial) or the default sans face where a face is missing.
#pragma once

#include "platform/Capacities.hpp"

namespace quovent::platform {

// Style bits a caller may add to a font.
inline constexpr int kFontBold = 1;
inline constexpr int kFontItalic = 2;
inline constexpr int kFontUnderline = 4;

struct FontEntry {
    const char* face;
    int pixelSize;
    bool bold; // drawn bold whatever the style bits say
};

inline constexpr FontEntry kFontTable[capacity::kFonts] = {
    {"Arial", 12, true},  {"Arial", 18, false}, {"Arial", 14, false}, {"Arial", 12, false},
    {"Arial", 11, false}, {"Arial", 10, false}, {"Arial", 9, false},  {"Symbol", 13, false},
};

// An id outside 0..7 is font 0.
constexpr int normalizedFontId(int id) noexcept {
    return id >= 0 && id < capacity::kFonts ? id : 0;
}
constexpr const FontEntry& fontEntry(int id) noexcept {
    return kFontTable[normalizedFontId(id)];
}

} // namespace quovent::platform
