// The GDI fonts of one window system: the font table's faces at the sizes a scale asks for,
// made on first use and deleted with the cache, and a memory device context with a scratch
// DIB section in which text is set as a grey coverage mask. Owned by the window system, so
// closing the editor leaves no GDI object behind. Editor thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <tuple>

namespace quovent::platform::win32 {

class FontCache {
public:
    FontCache();
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // The font for a table id, style bits and pixel scale (percent); selected into dc() by
    // select().
    HFONT font(int id, int fontStyle, int percent);
    // The context for measuring and setting text with the font selected.
    HDC select(int id, int fontStyle, int percent);
    // A scratch mask of at least width x height pixels, zeroed, selected into dc(); null
    // when it cannot be made. Its rows are `maskStride()` pixels apart.
    std::uint32_t* mask(int width, int height);
    int maskStride() const noexcept { return maskWidth_; }
    HDC dc() const noexcept { return dc_; }

private:
    HDC dc_ = nullptr;
    HGDIOBJ originalFont_ = nullptr;
    HGDIOBJ originalBitmap_ = nullptr;
    HBITMAP mask_ = nullptr;
    std::uint32_t* maskPixels_ = nullptr;
    int maskWidth_ = 0;
    int maskHeight_ = 0;
    std::map<std::tuple<int, int, int>, HFONT> fonts_;
};

} // namespace quovent::platform::win32
