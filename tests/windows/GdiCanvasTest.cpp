// The Win32 drawing and its helpers without a window: blending that rounds as the Linux canvas
// does (so both editors give equal pixels), clipping of pictures, unit edges on the same
// pixels for offscreen and window canvases at 150 %, text that shows on a transparent
// offscreen, text conversion, the dialogs' filter list and shortcut resolution.
#include "platform/win32/GdiCanvas.hpp"
#include "platform/win32/FontCache.hpp"
#include "platform/win32/OleDropTarget.hpp"
#include "platform/win32/Win32Dialogs.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace quovent::platform::win32 {
namespace {

namespace fs = std::filesystem;

// A canvas of width x height units at a scale, on a surface of its own.
struct TestCanvas {
    TestCanvas(int width, int height, Scale scale = Scale{})
        : canvas(GdiCanvas::createSurface(scale.toPixels(width), scale.toPixels(height)), true,
                 fonts, width, height, scale, {}, nullptr) {}
    std::uint32_t at(int x, int y) const {
        const auto& s = canvas.surface();
        return s.pixels[static_cast<std::ptrdiff_t>(y) * s.width + x];
    }
    FontCache fonts;
    GdiCanvas canvas;
};

TEST(GdiCanvas, BlendingRoundsAsTheLinuxCanvasDoes) {
    // Half-covered grey over white, per channel 0x40 + 255 * 127 / 255 rounded.
    EXPECT_EQ(GdiCanvas::over(0x80404040u, 0xFFFFFFFFu), 0xFFBFBFBFu);
    EXPECT_EQ(GdiCanvas::over(0x00000000u, 0xFF123456u), 0xFF123456u);
    EXPECT_EQ(GdiCanvas::over(0xFF654321u, 0xFF123456u), 0xFF654321u);
    // A translucent colour goes through 16-bit shorts as the Linux library takes it.
    TestCanvas c(4, 4);
    c.canvas.fillRect({0, 0, 4, 4}, colors::kWhite);
    c.canvas.fillRect({1, 1, 3, 3}, Color{255, 0, 0, 128});
    EXPECT_EQ(c.at(1, 1), 0xFFFF7F7Fu);
    EXPECT_EQ(c.at(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(c.at(3, 3), 0xFFFFFFFFu);
}

TEST(GdiCanvas, PicturesAreClippedToTheCanvasTheClipAndThemselves) {
    Image red(4, 4);
    red.fill({0, 0, 4, 4}, Color{255, 0, 0, 255});
    TestCanvas c(10, 10);
    c.canvas.drawImage(red, {8, 8, 12, 12}, {0, 0});
    EXPECT_EQ(c.at(9, 9), 0xFFFF0000u);
    EXPECT_EQ(c.at(7, 7), 0u);
    // A source corner past the picture: only what the picture has is drawn.
    c.canvas.drawImage(red, {0, 0, 4, 4}, {2, 3});
    EXPECT_EQ(c.at(1, 0), 0xFFFF0000u);
    EXPECT_EQ(c.at(2, 0), 0u);
    EXPECT_EQ(c.at(0, 1), 0u);
    c.canvas.setClip({4, 4, 5, 5});
    c.canvas.drawImage(red, {3, 3, 7, 7}, {0, 0});
    EXPECT_EQ(c.at(4, 4), 0xFFFF0000u);
    EXPECT_EQ(c.at(5, 5), 0u);
    EXPECT_EQ(c.at(3, 3), 0u);
    c.canvas.resetClip();
    c.canvas.drawImage(red, {5, 5, 7, 7}, {0, 0});
    EXPECT_EQ(c.at(5, 5), 0xFFFF0000u);
}

TEST(GdiCanvas, AnOffscreenAt150PercentLinesUpWithTheWindowsPixels) {
    const Scale scale(150);
    TestCanvas window(4, 2, scale);
    // Units 1..3 are pixels 2..4 (unit edges 1.5 and 4.5 round up).
    auto offscreen = window.canvas.createOffscreen({1, 0, 3, 1});
    ASSERT_NE(offscreen, nullptr);
    offscreen->fillRect({0, 0, 2, 1}, colors::kBlue);
    window.canvas.drawCanvas(*offscreen, {1, 0});
    EXPECT_EQ(window.at(1, 0), 0u);
    EXPECT_EQ(window.at(2, 0), 0xFF0000FFu);
    EXPECT_EQ(window.at(4, 1), 0xFF0000FFu);
    EXPECT_EQ(window.at(5, 0), 0u);
    EXPECT_EQ(window.at(2, 2), 0u);
}

TEST(GdiCanvas, TextShowsOnATransparentOffscreenAndStaysInItsRectangle) {
    TestCanvas window(60, 20);
    auto offscreen = window.canvas.createOffscreen({0, 0, 60, 20});
    ASSERT_NE(offscreen, nullptr);
    TextStyle style;
    style.font = 1; // Arial 18
    style.color = colors::kBlack;
    offscreen->drawText("WWWWWWWWWW", {5, 2, 40, 18}, style);
    window.canvas.fillRect({0, 0, 60, 20}, colors::kWhite);
    window.canvas.drawCanvas(*offscreen, {0, 0});
    int dark = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 60; ++x) {
            const bool isDark = (window.at(x, y) & 0xFF) < 0x80;
            dark += isDark ? 1 : 0;
            if (x < 5 || x >= 40 || y < 2 || y >= 18) {
                EXPECT_FALSE(isDark) << x << "," << y << ": outside the text's rectangle";
            }
        }
    }
    EXPECT_GT(dark, 40);
    EXPECT_GT(window.canvas.textWidth("WWWW", 1, 0), window.canvas.textWidth("iiii", 1, 0));
    EXPECT_GE(window.canvas.lineHeight(1, 0), 18);
}

TEST(GdiCanvas, TextThatIsNoUtf8IsLatin1AndControlsAreBlanks) {
    EXPECT_EQ(GdiCanvas::toWide("caf\xe9\tx"), L"caf\u00e9 x");
    EXPECT_EQ(GdiCanvas::toWide("caf\xc3\xa9"), L"caf\u00e9");
    EXPECT_EQ(GdiCanvas::toWide(std::string_view("ab\0cd", 5)), L"ab");
}

TEST(Win32Dialogs, FiltersOfferEachTypeAllTypesWhenSeveralAndAnyType) {
    NativeDialogs::FileRequest one;
    one.types = {{"wav file", "wav"}};
    const auto single = Win32Dialogs::filters(one);
    ASSERT_EQ(single.size(), 2u);
    EXPECT_EQ(single[0], std::make_pair(std::string("wav file (*.wav)"), std::string("*.wav")));
    EXPECT_EQ(single[1], std::make_pair(std::string("Any Type (*.*)"), std::string("*.*")));
    NativeDialogs::FileRequest two;
    two.types = {{"wav file", "wav"}, {"no extension", ""}, {"quovent bank", "json"}};
    const auto both = Win32Dialogs::filters(two);
    ASSERT_EQ(both.size(), 4u);
    EXPECT_EQ(both[1].first, "quovent bank (*.json)");
    EXPECT_EQ(both[2].first, "All Types: (*.wav;*.json)");
    EXPECT_EQ(both[2].second, "*.wav;*.json");
    EXPECT_EQ(both[3].first, "Any Type (*.*)");
}

TEST(OleDropTarget, OnlyShortcutsAreResolvedAndABrokenOneGivesNothing) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const fs::path dir = fs::temp_directory_path() / "quovent-drop-test";
    fs::create_directories(dir);
    EXPECT_EQ(OleDropTarget::resolveShortcut("C:\\samples\\kick.wav"), "C:\\samples\\kick.wav");
    const fs::path broken = dir / "broken.lnk";
    std::ofstream(broken) << "not a shortcut";
    EXPECT_EQ(OleDropTarget::resolveShortcut(broken.string()), std::nullopt)
        << "a drop would otherwise hand the shortcut file itself to the slot";
    EXPECT_EQ(OleDropTarget::resolveShortcut("bad \xff name.lnk"), std::nullopt);
    fs::remove_all(dir);
    CoUninitialize();
}

} // namespace
} // namespace quovent::platform::win32
