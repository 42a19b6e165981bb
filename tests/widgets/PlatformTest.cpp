// Backend-neutral platform pieces and the parts of the X11 backend that need no display:
// dropped URI lists, PNG decoding into bitmaps, text conversion, helper processes.
#include "platform/ChildProcess.hpp"
#include "platform/UriList.hpp"
#include "platform/linux/CairoCanvas.hpp"
#include "platform/stub/StubCanvas.hpp"
#include "tests/support/ScratchDirectory.hpp"
#include "widgets/Bitmap.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace quovent::test {
namespace {

namespace fs = std::filesystem;
using platform::parseUriList;

// A 3 x 2 RGBA picture: red, half-transparent green, transparent blue / three greys.
const std::vector<unsigned char> kPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x9d,
    0x74, 0x66, 0x1a, 0x00, 0x00, 0x00, 0x1e, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
    0xcf, 0xc0, 0xf0, 0x1f, 0x08, 0x1b, 0x40, 0x14, 0x03, 0x97, 0x88, 0xdc, 0x7f, 0x0d, 0x23,
    0x9b, 0xff, 0x6e, 0x01, 0x51, 0xff, 0x01, 0x72, 0xfb, 0x09, 0x3c, 0x0d, 0x06, 0xa6, 0x9e,
    0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

TEST(UriListTest, FileUrisBecomeDecodedPathsAndEverythingElseIsLeftOut) {
    const std::string list = "# dragged from a file manager\r\n"
                             "file:///home/user/My%20Samples/kick%2301.wav\r\n"
                             "file://localhost/tmp/snare.wav\r\n"
                             "file://otherhost/srv/hat.wav\n"
                             "http://example.com/a.wav\r\n"
                             "file:///bad%00name.wav\r\n"
                             "file:/short/form.wav\r\n"
                             "file:///percent%zzkept.wav\r\n"
                             "\r\n";
    EXPECT_EQ(parseUriList(list),
              (std::vector<std::string>{"/home/user/My Samples/kick#01.wav", "/tmp/snare.wav",
                                        "/srv/hat.wav", "/short/form.wav", "/percent%zzkept.wav"}));
    EXPECT_TRUE(parseUriList("file://nopath").empty());
    EXPECT_TRUE(parseUriList("file:///" + std::string(1100, 'a')).empty()) << "too long";
    EXPECT_EQ(parseUriList(std::string("file:///a.wav\r\n\0", 16)),
              (std::vector<std::string>{"/a.wav"}));
}

TEST(UriListTest, SymbolicLinksAreResolvedToTheirTargets) {
    const ScratchDirectory scratch;
    const fs::path& dir = scratch.path();
    const fs::path target = dir / "real sample.wav";
    std::ofstream(target) << "x";
    fs::create_symlink(target, dir / "link.wav");
    const auto paths = parseUriList("file://" + (dir / "link.wav").string());
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], fs::canonical(target).string());
    // A dangling link still names what was dropped.
    fs::create_symlink(dir / "gone.wav", dir / "dangling.wav");
    EXPECT_EQ(parseUriList("file://" + (dir / "dangling.wav").string()),
              (std::vector<std::string>{(dir / "dangling.wav").string()}));
}

TEST(BitmapTest, PngDataDecodesToPremultipliedPixels) {
    const BitmapPtr b = Bitmap::fromPng(kPng, 140);
    ASSERT_EQ(b->width(), 3);
    ASSERT_EQ(b->height(), 2);
    EXPECT_EQ(b->resourceId(), 140);
    const platform::Image& img = *b->image();
    EXPECT_EQ(img.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(img.pixel(1, 0), 0x80008000u) << "green at half alpha, premultiplied";
    EXPECT_EQ(img.pixel(2, 0), 0x00000000u);
    EXPECT_EQ(img.pixel(2, 1), 0xFF46505Au);
}

TEST(BitmapTest, MissingOrBrokenPicturesGiveEmptyBitmapsThatDrawNothing) {
    platform::stub::StubCanvas canvas(100, 100);
    const BitmapPtr missing = Bitmap::fromResource(99999);
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(missing->empty());
    missing->drawFrame(canvas, {0, 0, 10, 10}, 3, 10);
    EXPECT_TRUE(canvas.calls.empty());

    std::vector<unsigned char> truncated(kPng.begin(), kPng.begin() + 50);
    EXPECT_TRUE(Bitmap::fromPng(truncated)->empty());
    std::vector<unsigned char> huge = kPng;
    huge[16] = 0x7F; // width in the header: two billion pixels
    EXPECT_TRUE(Bitmap::fromPng(huge)->empty());
    std::vector<unsigned char> garbage(200, 0x42);
    EXPECT_TRUE(Bitmap::fromPng(garbage)->empty());
}

TEST(BitmapTest, FramesAreDrawnByVerticalOffsetAndClampedToTheLast) {
    auto image = std::make_shared<platform::Image>(20, 60);
    const BitmapPtr b = Bitmap::fromImage(image);
    platform::stub::StubCanvas canvas(100, 100);
    b->drawFrame(canvas, {5, 5, 25, 25}, 1, 20);
    b->drawFrame(canvas, {5, 5, 25, 25}, 9, 20);
    b->drawFrame(canvas, {5, 5, 25, 25}, -2, 20);
    ASSERT_EQ(canvas.calls.size(), 3u);
    EXPECT_EQ(canvas.calls[0].from, (Point{0, 20}));
    EXPECT_EQ(canvas.calls[1].from, (Point{0, 40}));
    EXPECT_EQ(canvas.calls[2].from, (Point{0, 0}));
}

TEST(CairoTextTest, TextThatIsNotUtf8IsTakenAsLatin1) {
    using platform::linux_x11::CairoCanvas;
    EXPECT_EQ(CairoCanvas::toUtf8("plain"), "plain");
    EXPECT_EQ(CairoCanvas::toUtf8("caf\xc3\xa9"), "caf\xc3\xa9");
    EXPECT_EQ(CairoCanvas::toUtf8("caf\xe9"), "caf\xc3\xa9");
    EXPECT_EQ(CairoCanvas::toUtf8("\xc0\xaf"), "\xc3\x80\xc2\xaf") << "overlong form";
    EXPECT_EQ(CairoCanvas::toUtf8("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xc2\x80") << "surrogate";
    EXPECT_EQ(CairoCanvas::toUtf8("a\xe2\x82"), "a\xc3\xa2\xc2\x82") << "cut sequence";
    EXPECT_EQ(CairoCanvas::toUtf8("two\nlines\t!"), "two lines !") << "drawn on one line";
}

TEST(ChildProcessTest, CollectsOutputAndExitStatusWithoutWaiting) {
    platform::ChildProcess child;
    ASSERT_TRUE(child.start({"sh", "-c", "echo one; echo two; exit 3"}));
    for (int i = 0; i < 500 && child.poll(); ++i) {
        ::usleep(10000);
    }
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.exitCode(), 3);
    EXPECT_EQ(child.output(), "one\ntwo\n");

    platform::ChildProcess missing;
    EXPECT_FALSE(missing.start({"quovent-no-such-program"}));
    EXPECT_FALSE(platform::ChildProcess::findProgram("sh").empty());
    EXPECT_TRUE(platform::ChildProcess::findProgram("quovent-no-such-program").empty());
}

TEST(ChildProcessTest, KillEndsAChildThatIsStillRunning) {
    platform::ChildProcess child;
    ASSERT_TRUE(child.start({"sleep", "30"}));
    EXPECT_TRUE(child.poll());
    child.kill();
    EXPECT_FALSE(child.running());
    EXPECT_EQ(child.exitCode(), -1);
}

} // namespace
} // namespace quovent::test
