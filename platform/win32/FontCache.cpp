// GDI fonts and the text mask surface.
#include "platform/win32/FontCache.hpp"

#include "platform/FontTable.hpp"
#include "platform/win32/WideText.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace quovent::platform::win32 {

FontCache::FontCache() : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_ != nullptr) {
        originalFont_ = GetCurrentObject(dc_, OBJ_FONT);
        originalBitmap_ = GetCurrentObject(dc_, OBJ_BITMAP);
        SetBkMode(dc_, TRANSPARENT);
        SetTextColor(dc_, RGB(255, 255, 255));
        SetTextAlign(dc_, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    }
}

FontCache::~FontCache() {
    if (dc_ != nullptr) {
        SelectObject(dc_, originalFont_);
        SelectObject(dc_, originalBitmap_);
        DeleteDC(dc_);
    }
    for (auto& entry : fonts_) {
        DeleteObject(entry.second);
    }
    if (mask_ != nullptr) {
        DeleteObject(mask_);
    }
}

HFONT FontCache::font(int id, int fontStyle, int percent) {
    const FontEntry& entry = fontEntry(id);
    const int style = fontStyle & (kFontBold | kFontItalic);
    const auto key = std::make_tuple(normalizedFontId(id), style, percent);
    if (const auto it = fonts_.find(key); it != fonts_.end()) {
        return it->second;
    }
    const bool bold = entry.bold || (style & kFontBold) != 0;
    const bool symbol = std::strcmp(entry.face, "Symbol") == 0;
    LOGFONTW lf{};
    // A negative height is the character (em) height, as the font table counts sizes.
    lf.lfHeight = -static_cast<LONG>(std::lround(entry.pixelSize * percent / 100.0));
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = (style & kFontItalic) != 0 ? TRUE : FALSE;
    lf.lfCharSet = symbol ? SYMBOL_CHARSET : DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    // Grey antialiasing, never ClearType: the mask is a coverage, not three sub-pixels.
    lf.lfQuality = ANTIALIASED_QUALITY;
    lf.lfPitchAndFamily = VARIABLE_PITCH | (symbol ? FF_DECORATIVE : FF_SWISS);
    const std::wstring face = WideText::fromUtf8(entry.face).value_or(L"Arial");
    wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    HFONT made = CreateFontIndirectW(&lf);
    if (made == nullptr) {
        made = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        return made; // stock objects are not ours to delete
    }
    fonts_.emplace(key, made);
    return made;
}

HDC FontCache::select(int id, int fontStyle, int percent) {
    if (dc_ != nullptr) {
        SelectObject(dc_, font(id, fontStyle, percent));
    }
    return dc_;
}

std::uint32_t* FontCache::mask(int width, int height) {
    if (dc_ == nullptr || width <= 0 || height <= 0) {
        return nullptr;
    }
    if (width > maskWidth_ || height > maskHeight_) {
        const int w = std::max(width, maskWidth_);
        const int h = std::max(height, maskHeight_);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h; // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP made = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (made == nullptr) {
            return nullptr;
        }
        SelectObject(dc_, made);
        if (mask_ != nullptr) {
            DeleteObject(mask_);
        }
        mask_ = made;
        maskPixels_ = static_cast<std::uint32_t*>(bits);
        maskWidth_ = w;
        maskHeight_ = h;
    }
    GdiFlush();
    for (int y = 0; y < height; ++y) {
        std::memset(maskPixels_ + static_cast<std::ptrdiff_t>(y) * maskWidth_, 0,
                    static_cast<std::size_t>(width) * 4);
    }
    return maskPixels_;
}

} // namespace quovent::platform::win32
