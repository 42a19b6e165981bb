// The embedded skin: every bitmap the editor loads decodes, at every scale, to the size and
// frame layout the editor cuts it by, and frames that stand for different states really
// look different.
#include "resources/Resources.hpp"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace {

using quovent::resources::png;

struct Layout {
    int id;
    int width;
    int frames;
    int frameHeight;
};

// The editor's bitmap table: id, width, frame count, frame height.
constexpr Layout layouts[] = {
    {128, 657, 1, 590}, {130, 22, 2, 16}, {131, 20, 70, 34}, {132, 22, 2, 14},  {135, 35, 2, 14},
    {136, 35, 2, 14},   {137, 16, 2, 15}, {139, 36, 1, 14},  {140, 163, 1, 14}, {141, 12, 1, 55},
    {142, 11, 1, 18},   {143, 22, 2, 22}, {144, 22, 2, 22},  {145, 263, 1, 19}, {146, 20, 1, 13},
    {147, 13, 2, 50},   {148, 18, 2, 12}, {149, 615, 1, 77}, {150, 10, 2, 7},   {151, 53, 5, 16},
    {153, 30, 37, 30},  {155, 49, 2, 15}, {156, 26, 4, 40},  {157, 20, 37, 20}, {158, 57, 2, 38},
    {159, 41, 2, 20},   {160, 41, 2, 20}, {161, 16, 2, 15},  {162, 20, 37, 20}, {163, 18, 1, 12},
};

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

struct Reader {
    std::span<const unsigned char> bytes;
    std::size_t offset = 0;
};

cairo_status_t readBytes(void* closure, unsigned char* out, unsigned int length) {
    auto* reader = static_cast<Reader*>(closure);
    if (reader->bytes.size() - reader->offset < length) {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(out, reader->bytes.data() + reader->offset, length);
    reader->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

Surface decode(int id, int percent = 100) {
    Reader reader{png(id, percent)};
    Surface surface(cairo_image_surface_create_from_png_stream(readBytes, &reader));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    // A decoder that stops early would hide trailing junk or a second image.
    EXPECT_EQ(reader.offset, reader.bytes.size()) << "bitmap " << id;
    return surface;
}

// Mean absolute difference per channel (0..255) between two frames of one bitmap.
double frameDifference(cairo_surface_t* s, int frameHeight, int a, int b) {
    cairo_surface_flush(s);
    const int width = cairo_image_surface_get_width(s);
    const std::ptrdiff_t stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    long total = 0;
    for (int y = 0; y < frameHeight; ++y) {
        const auto* rowA =
            reinterpret_cast<const std::uint32_t*>(data + stride * (a * frameHeight + y));
        const auto* rowB =
            reinterpret_cast<const std::uint32_t*>(data + stride * (b * frameHeight + y));
        for (int x = 0; x < width; ++x) {
            for (int shift = 0; shift < 32; shift += 8) {
                total += std::abs(static_cast<int>((rowA[x] >> shift) & 0xff) -
                                  static_cast<int>((rowB[x] >> shift) & 0xff));
            }
        }
    }
    return static_cast<double>(total) / (4.0 * width * frameHeight);
}

struct Rgb {
    int r;
    int g;
    int b;
};

// Colour of pixel (x, y) of frame `frame`, ignoring alpha (cairo stores premultiplied ARGB).
Rgb pixel(cairo_surface_t* s, int frameHeight, int frame, int x, int y) {
    const std::ptrdiff_t stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const auto* row =
        reinterpret_cast<const std::uint32_t*>(data + stride * (frame * frameHeight + y));
    const std::uint32_t v = row[x];
    return {static_cast<int>((v >> 16) & 0xff), static_cast<int>((v >> 8) & 0xff),
            static_cast<int>(v & 0xff)};
}

// Where a knob's pointer points: the centroid of its near-white pixels relative to the
// knob's centre, in pixels (y grows downwards).
struct Offset {
    double x;
    double y;
};

Offset pointerDirection(cairo_surface_t* s, int size, int frame) {
    double sx = 0;
    double sy = 0;
    int count = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const Rgb c = pixel(s, size, frame, x, y);
            if (c.r > 200 && c.g > 200 && c.b > 200) {
                sx += x + 0.5 - size / 2.0;
                sy += y + 0.5 - size / 2.0;
                ++count;
            }
        }
    }
    return count == 0 ? Offset{0, 0} : Offset{sx / count, sy / count};
}

long brightness(cairo_surface_t* s, int frameHeight, int frame) {
    long sum = 0;
    const int width = cairo_image_surface_get_width(s);
    for (int y = 0; y < frameHeight; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(s, frameHeight, frame, x, y);
            sum += c.r + c.g + c.b;
        }
    }
    return sum;
}

// At a scale s a picture is round(width x s) wide and its frames lie round(frame height x s)
// pixels apart: the layout's edges mapped one by one, as the editor's canvas maps them.
TEST(Resources, EveryScaleHasEveryBitmapAtItsPixelSize) {
    for (const int percent : quovent::resources::kScalePercents) {
        const auto pixels = [percent](int units) { return (units * percent + 50) / 100; };
        for (const Layout& l : layouts) {
            SCOPED_TRACE(std::to_string(l.id) + " at " + std::to_string(percent));
            const Surface surface = decode(l.id, percent);
            ASSERT_NE(surface, nullptr);
            EXPECT_EQ(cairo_image_surface_get_width(surface.get()), pixels(l.width));
            EXPECT_EQ(cairo_image_surface_get_height(surface.get()),
                      l.frames * pixels(l.frameHeight));
        }
    }
}

TEST(Resources, IdsOutsideTheTableHaveNoBitmap) {
    for (const int id : {-1, 0, 1, 127, 129, 133, 134, 138, 152, 154, 164, 200, 1000}) {
        EXPECT_TRUE(png(id).empty()) << id;
    }
    for (const int percent : {0, 99, 125, 175, 300}) {
        EXPECT_TRUE(png(128, percent).empty()) << percent;
    }
}

// Every frame of a multi-frame bitmap shows another state or level than its neighbour;
// a frame drawn twice or a strip cut at the wrong height would repeat one.
TEST(Resources, NeighbouringFramesDiffer) {
    for (const int percent : quovent::resources::kScalePercents) {
        for (const Layout& l : layouts) {
            if (l.frames < 2) {
                continue;
            }
            SCOPED_TRACE(std::to_string(l.id) + " at " + std::to_string(percent));
            const Surface surface = decode(l.id, percent);
            ASSERT_NE(surface, nullptr);
            const int pitch = cairo_image_surface_get_height(surface.get()) / l.frames;
            for (int f = 1; f < l.frames; ++f) {
                if (l.id == 131 && f == 35) {
                    continue; // the first "off" frame follows the last "on" frame
                }
                EXPECT_GT(frameDifference(surface.get(), pitch, f - 1, f), 0.0) << f;
            }
        }
    }
}

// An on step and an off step of the same lane level must read apart at a glance: the
// whole pad changes, which is more than a level change of four pixels does.
TEST(Resources, OnAndOffStepsAreFarApartAtEveryLevel) {
    const Surface steps = decode(131);
    ASSERT_NE(steps, nullptr);
    const double fourLevels = frameDifference(steps.get(), 34, 17, 21);
    for (int level = 0; level < 35; ++level) {
        EXPECT_GT(frameDifference(steps.get(), 34, level, 35 + level), fourLevels) << level;
    }
}

// Knobs turn clockwise over 270 degrees: the first frame points to 7:30, the middle one
// straight up, the last to 4:30.
TEST(Resources, KnobsTurnFromSevenThirtyToFourThirty) {
    for (const int percent : quovent::resources::kScalePercents) {
        for (const auto& [id, units] :
             {std::pair{153, 30}, std::pair{157, 20}, std::pair{162, 20}}) {
            SCOPED_TRACE(std::to_string(id) + " at " + std::to_string(percent));
            const Surface knob = decode(id, percent);
            ASSERT_NE(knob, nullptr);
            const int size = (units * percent + 50) / 100;
            const double unit = percent / 100.0; // one unit in pixels
            cairo_surface_flush(knob.get());
            const Offset first = pointerDirection(knob.get(), size, 0);
            const Offset middle = pointerDirection(knob.get(), size, 18);
            const Offset last = pointerDirection(knob.get(), size, 36);
            EXPECT_LT(first.x, -unit);
            EXPECT_GT(first.y, unit);
            EXPECT_NEAR(middle.x, 0, 0.5 * unit);
            EXPECT_LT(middle.y, -unit);
            EXPECT_GT(last.x, unit);
            EXPECT_GT(last.y, unit);
        }
    }
}

// Within each half of the step bitmap the bar rises with the frame, so a higher lane value
// always shows as more of the bright bar.
TEST(Resources, StepBarsRiseWithTheLevel) {
    const Surface steps = decode(131);
    ASSERT_NE(steps, nullptr);
    cairo_surface_flush(steps.get());
    for (const int half : {0, 35}) {
        for (int level = 1; level < 35; ++level) {
            EXPECT_GT(brightness(steps.get(), 34, half + level),
                      brightness(steps.get(), 34, half + level - 1))
                << half + level;
        }
    }
}

} // namespace
