// Drawing at a scale without a display: how units become pixels, where the desktop's factor
// comes from, that a layered control lands on the very pixels direct drawing would, that
// text is set at the scaled size, and that the skin's pictures are picked per scale with
// frames that never show a row of their neighbour.
#include "platform/Scale.hpp"
#include "platform/DesktopScale.hpp"
#include "platform/linux/CairoCanvas.hpp"
#include "platform/stub/StubCanvas.hpp"
#include "widgets/Bitmap.hpp"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>
#include <memory>

namespace quovent::test {
namespace {

using platform::Scale;
using platform::linux_x11::CairoCanvas;
using platform::stub::DrawCall;
using platform::stub::StubCanvas;

TEST(ScaleTest, UnitsAndPixelsConvertBothWaysAndNeighboursStayNeighbours) {
    for (const int percent : {100, 125, 150, 175, 200, 300}) {
        SCOPED_TRACE(percent);
        const Scale s{percent};
        for (int x = -60; x <= 60; ++x) {
            EXPECT_EQ(s.toUnits(s.toPixels(x)), x);
            // Every unit owns at least one pixel, and the pixels between two unit edges
            // belong to the first unit.
            EXPECT_GE(s.toPixels(x + 1) - s.toPixels(x), 1);
            for (int p = s.toPixels(x); p < s.toPixels(x + 1); ++p) {
                EXPECT_EQ(s.toUnits(p), x) << p;
            }
        }
    }
    const Scale half{150};
    // A 15-unit frame covers 23 or 22 pixels by where it starts; touching rectangles touch.
    EXPECT_EQ(half.toPixels(Rect{0, 44, 16, 59}), (Rect{0, 66, 24, 89}));
    EXPECT_EQ(half.toPixels(Rect{0, 45, 16, 60}), (Rect{0, 68, 24, 90}));
    EXPECT_EQ(half.toPixels(Rect{394, 45, 410, 60}).right,
              half.toPixels(Rect{410, 45, 426, 60}).left);
    EXPECT_EQ(half.unitsCovering(Rect{67, 68, 69, 90}), (Rect{44, 45, 46, 60}));
    EXPECT_EQ(Scale{100}.toPixels(Rect{3, 4, 5, 6}), (Rect{3, 4, 5, 6}));
    EXPECT_EQ(Scale{9000}.percent(), Scale::kMaxPercent);
}

TEST(DesktopScaleTest, XftDpiComesFirstThenGdkThenQtAndNonsenseCountsAsUnset) {
    using platform::desktopScaleFrom;
    EXPECT_DOUBLE_EQ(desktopScaleFrom("144", "2", "3"), 1.5);
    EXPECT_DOUBLE_EQ(desktopScaleFrom(" 192\n", nullptr, nullptr), 2.0);
    EXPECT_DOUBLE_EQ(desktopScaleFrom("96", "2", nullptr), 1.0) << "an explicit 96 dpi is 100 %";
    EXPECT_DOUBLE_EQ(desktopScaleFrom("", "2", "1.5"), 2.0);
    EXPECT_DOUBLE_EQ(desktopScaleFrom("", "1.5", "1.25"), 1.25) << "GDK takes whole factors";
    EXPECT_DOUBLE_EQ(desktopScaleFrom("abc", nullptr, "1.75"), 1.75);
    EXPECT_DOUBLE_EQ(desktopScaleFrom("96000", "0", "-2"), 1.0);
    EXPECT_DOUBLE_EQ(desktopScaleFrom("144dpi", "", "nan"), 1.0);
    EXPECT_DOUBLE_EQ(desktopScaleFrom("", nullptr, "1e308"), 1.0);
    EXPECT_DOUBLE_EQ(desktopScaleFrom("", nullptr, nullptr), 1.0);
}

// A window-like canvas: an opaque surface of the pixel size of width x height units.
std::unique_ptr<CairoCanvas> windowCanvas(int width, int height, Scale scale) {
    const Point pixels = CairoCanvas::pixelSize(width, height, scale, {});
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, pixels.x, pixels.y);
    return std::make_unique<CairoCanvas>(s, width, height, CairoCanvas::Hooks{}, scale);
}

bool samePixels(const CairoCanvas& a, const CairoCanvas& b) {
    cairo_surface_flush(a.surface());
    cairo_surface_flush(b.surface());
    const int h = cairo_image_surface_get_height(a.surface());
    const int stride = cairo_image_surface_get_stride(a.surface());
    return h == cairo_image_surface_get_height(b.surface()) &&
           stride == cairo_image_surface_get_stride(b.surface()) &&
           std::memcmp(cairo_image_surface_get_data(a.surface()),
                       cairo_image_surface_get_data(b.surface()),
                       static_cast<std::size_t>(stride) * static_cast<std::size_t>(h)) == 0;
}

std::uint32_t pixelAt(const CairoCanvas& c, int x, int y) {
    cairo_surface_flush(c.surface());
    const int stride = cairo_image_surface_get_stride(c.surface());
    const auto* row = reinterpret_cast<const std::uint32_t*>(
        cairo_image_surface_get_data(c.surface()) + static_cast<std::ptrdiff_t>(y) * stride);
    return row[x] & 0xFFFFFFu;
}

// Layered drawing (an offscreen for a control's area, copied back) must give exactly the
// pixels of drawing straight into the window, at odd places too: at 150 % a unit is one
// or two pixels wide by where it lies.
TEST(CairoScaleTest, AnOffscreenForAnAreaLandsOnTheWindowsOwnPixels) {
    for (const int percent : {100, 150, 200}) {
        SCOPED_TRACE(percent);
        const Scale scale{percent};
        // A picture drawn for the scale, as the skin's are, with a transparent border.
        const int side = scale.toPixels(6);
        auto picture = std::make_shared<platform::Image>(side, side, scale);
        picture->fill({1, 1, side - 1, side - 1}, colors::kYellow);
        picture->fill({2, 2, 4, 3}, Color{0, 200, 0, 128});
        auto direct = windowCanvas(60, 40, scale);
        auto layered = windowCanvas(60, 40, scale);
        const auto paint = [&](platform::Canvas& c, Point at) {
            c.fillRect(Rect::sized(at.x + 2, at.y + 1, 7, 5), colors::kBlue);
            c.strokeRect(Rect::sized(at.x + 1, at.y + 3, 9, 9), colors::kWhite);
            c.drawLine({at.x, at.y + 13}, {at.x + 10, at.y + 13}, colors::kGrey);
            c.drawImage(*picture, Rect::sized(at.x + 3, at.y + 5, 6, 6), {});
        };
        for (const Point corner : {Point{11, 5}, Point{30, 17}, Point{45, 23}}) {
            paint(*direct, corner);
            auto off = layered->createOffscreen(Rect::sized(corner.x, corner.y, 13, 15));
            ASSERT_NE(off, nullptr);
            // Nested the way a control paints those beneath it into its own offscreen.
            auto inner = off->createOffscreen(Rect::sized(0, 0, 13, 15));
            paint(*inner, {0, 0});
            off->drawCanvas(*inner, {0, 0});
            layered->drawCanvas(*off, corner);
        }
        EXPECT_TRUE(samePixels(*direct, *layered));
    }
}

TEST(CairoScaleTest, TextIsSetAtTheScaledSizeAndMeasuredInUnits) {
    auto one = windowCanvas(100, 40, Scale{100});
    auto two = windowCanvas(100, 40, Scale{200});
    for (const char* text : {"Out: 6", "Set some dir with wav's..", "174"}) {
        SCOPED_TRACE(text);
        // Hinting rounds small glyph advances up: a long line at 9 pixels runs a few
        // percent wider than at 18.
        const int width = one->textWidth(text, 6, 0);
        EXPECT_NEAR(two->textWidth(text, 6, 0), width, 1.0 + 0.1 * width);
        EXPECT_NEAR(two->lineHeight(6, 0), one->lineHeight(6, 0), 1);
        platform::TextStyle style;
        style.font = 6;
        const Rect area{2, 3, 90, 17};
        const Rect inkOne = one->textInkBox(text, area, style);
        const Rect inkTwo = two->textInkBox(text, area, style);
        // Twice the pixels, not the same glyphs magnified: the height doubles within hinting.
        EXPECT_NEAR(inkTwo.height(), 2 * inkOne.height(), 2);
        EXPECT_NEAR(inkTwo.left, 2 * inkOne.left, 2);
    }
}

TEST(CairoScaleTest, APictureOfAnotherScaleIsResampledToItsPlace) {
    auto canvas = windowCanvas(20, 20, Scale{200});
    auto picture = std::make_shared<platform::Image>(4, 4); // a 100 % picture
    picture->fill({0, 0, 4, 4}, colors::kYellow);
    canvas->drawImage(*picture, Rect::sized(5, 6, 4, 4), {});
    EXPECT_EQ(pixelAt(*canvas, 11, 13), 0xFFFF00u);
    EXPECT_EQ(pixelAt(*canvas, 17, 19), 0xFFFF00u);
    EXPECT_EQ(pixelAt(*canvas, 9, 13), 0u);
    EXPECT_EQ(pixelAt(*canvas, 19, 13), 0u);
}

// The pattern key picture (16 x 15 units, two frames) at each scale: whole scales draw a
// frame from the strip at its unit offset; at 150 % frames lie 23 pixels apart and each is
// cut out, so a 22- or 23-pixel control shows nothing of the other frame.
TEST(BitmapScaleTest, EachScaleDrawsItsOwnPictureAndFramesNeverBleed) {
    const BitmapPtr key = Bitmap::fromResource(137);
    ASSERT_EQ(key->width(), 16);
    ASSERT_EQ(key->height(), 30);
    for (const int percent : {100, 150, 200}) {
        SCOPED_TRACE(percent);
        StubCanvas canvas(100, 100, Scale{percent});
        key->drawFrame(canvas, {10, 10, 26, 25}, 1, 15);
        ASSERT_EQ(canvas.calls.size(), 1u);
        const DrawCall& call = canvas.calls[0];
        ASSERT_NE(call.image, nullptr);
        EXPECT_EQ(call.image->scale(), Scale{percent});
        EXPECT_EQ(call.image->width(), Scale{percent}.toPixels(16));
        EXPECT_EQ(call.rect, (Rect{10, 10, 26, 25}));
        if (percent == 150) {
            EXPECT_EQ(call.image->height(), 23);
            EXPECT_EQ(call.from, (Point{0, 0}));
        } else {
            EXPECT_EQ(call.image->height(), 2 * Scale{percent}.toPixels(15));
            EXPECT_EQ(call.from, (Point{0, 15}));
        }
    }
    // A scale without pictures of its own borrows the next larger one.
    StubCanvas between(100, 100, Scale{125});
    key->drawFrame(between, {0, 0, 16, 15}, 0, 15);
    ASSERT_EQ(between.calls.size(), 1u);
    EXPECT_EQ(between.calls[0].image->scale(), Scale{150});
}

TEST(BitmapScaleTest, ACutFrameHoldsExactlyThatFramesRows) {
    // A 150 % picture of three 5-unit frames (8 pixels apart), each row marked by its frame.
    auto strip = std::make_shared<platform::Image>(3, 24, Scale{150});
    for (int f = 0; f < 3; ++f) {
        strip->fill({0, 8 * f, 3, 8 * f + 8}, Color{static_cast<std::uint8_t>(f * 100), 0, 0, 255});
    }
    const BitmapPtr b = Bitmap::fromImage(strip);
    EXPECT_EQ(b->height(), 16) << "24 pixels at 150 % are 16 units";
    StubCanvas canvas(50, 50, Scale{150});
    b->drawFrame(canvas, {0, 0, 2, 5}, 2, 5);
    b->drawFrame(canvas, {0, 0, 2, 5}, 2, 5);
    ASSERT_EQ(canvas.calls.size(), 2u);
    const platform::Image* cut = canvas.calls[0].image;
    EXPECT_EQ(cut, canvas.calls[1].image) << "cut once, then reused";
    EXPECT_EQ(cut->height(), 8);
    EXPECT_EQ(cut->pixel(1, 0), platform::Image::premultiply({200, 0, 0, 255}));
    EXPECT_EQ(cut->pixel(1, 7), platform::Image::premultiply({200, 0, 0, 255}));
}

} // namespace
} // namespace quovent::test
