// The host window, its waits, drops and screen pictures of the GUI tests (see the header).
#include "tests/support/EditorWindowFixture.hpp"

#include "tests/support/XdndSource.hpp"

#include <X11/Xutil.h>
#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <utility>

namespace quovent::test {

namespace {

// A just started or busy server refuses a connection now and then: a second's worth of tries.
constexpr int kConnectAttempts = 50;
constexpr std::chrono::milliseconds kBetweenAttempts{20};

// One colour channel of an X pixel, scaled to 0..255.
std::uint32_t channel(unsigned long pixel, unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return static_cast<std::uint32_t>(((pixel >> shift) & mask) * 255 / (mask != 0 ? mask : 1));
}

// The part of `area` (screen pixels) on the screen; empty when none of it is.
EditorWindowFixture::Picture capture(Display* dpy, Rect area) {
    XSync(dpy, False);
    const int screen = DefaultScreen(dpy);
    area = area.intersection({0, 0, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)});
    XImage* image = area.empty()
                        ? nullptr
                        : XGetImage(dpy, DefaultRootWindow(dpy), area.left, area.top,
                                    static_cast<unsigned>(area.width()),
                                    static_cast<unsigned>(area.height()), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return {};
    }
    EditorWindowFixture::Picture p{area.width(), area.height(), {}};
    for (int y = 0; y < p.height; ++y) {
        for (int x = 0; x < p.width; ++x) {
            const unsigned long v = XGetPixel(image, x, y);
            p.pixels.push_back((channel(v, image->red_mask) << 16) |
                               (channel(v, image->green_mask) << 8) | channel(v, image->blue_mask));
        }
    }
    XDestroyImage(image);
    return p;
}

} // namespace

void EditorWindowFixture::SetUp() {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no X display (the test suite runs these under xvfb-run)";
    }
    dpy = XInput::openDisplay(nullptr, kConnectAttempts, kBetweenAttempts);
    ASSERT_NE(dpy, nullptr) << "DISPLAY is set but its server takes no connection";
    ASSERT_TRUE(XInput::hasXTest(dpy));
    setUpEditor();
}

void EditorWindowFixture::TearDown() {
    if (dpy == nullptr) {
        return;
    }
    input.releaseAll();
    tearDownEditor();
    closeParent();
    XCloseDisplay(dpy);
    dpy = nullptr;
}

void EditorWindowFixture::openParent(Size pixels) {
    closeParent();
    parent =
        XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, static_cast<unsigned>(pixels.width),
                            static_cast<unsigned>(pixels.height), 0, 0, 0);
    XSelectInput(dpy, parent, StructureNotifyMask);
    XMapWindow(dpy, parent);
    for (XEvent e{}; e.type != MapNotify;) {
        XWindowEvent(dpy, parent, StructureNotifyMask, &e);
    }
}

void EditorWindowFixture::closeParent() {
    if (parent != 0) {
        XDestroyWindow(dpy, parent);
        XSync(dpy, False);
        parent = 0;
    }
}

void EditorWindowFixture::resizeParent(Size pixels) {
    XResizeWindow(dpy, parent, static_cast<unsigned>(pixels.width),
                  static_cast<unsigned>(pixels.height));
    XSync(dpy, False);
}

void* EditorWindowFixture::parentId() const {
    return reinterpret_cast<void*>(parent); // NOLINT(performance-no-int-to-ptr): an X11 id
}

void EditorWindowFixture::attach(XInput::Idle serve, std::chrono::milliseconds patience) {
    input = XInput(
        dpy,
        [this](Point units) {
            const Window shown = editorWindow();
            return XInput::windowToScreen(dpy, shown != 0 ? shown : parent, zoom().toPixels(units));
        },
        std::move(serve), patience);
}

std::vector<Window> EditorWindowFixture::editorWindows() const {
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (parent == 0 || XQueryTree(dpy, parent, &root, &up, &children, &count) == 0) {
        return {};
    }
    std::vector<Window> all(children, children + count);
    XFree(children);
    return all;
}

Window EditorWindowFixture::editorWindow() const {
    const std::vector<Window> shown = editorWindows();
    return shown.empty() ? 0 : shown.front();
}

EditorWindowFixture::Size EditorWindowFixture::editorSize() const {
    XWindowAttributes a{};
    const Window shown = editorWindow();
    if (shown == 0 || XGetWindowAttributes(dpy, shown, &a) == 0) {
        return {};
    }
    return {a.width, a.height};
}

platform::Scale EditorWindowFixture::zoom() const {
    const int width = editorSize().width;
    return platform::Scale{width == 0 ? 100 : (width * 100 + layoutWidth / 2) / layoutWidth};
}

std::vector<Window> EditorWindowFixture::windowsTitled(const std::string& title) const {
    std::vector<Window> found;
    Window root = 0;
    Window up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    XSync(dpy, False);
    if (XQueryTree(dpy, DefaultRootWindow(dpy), &root, &up, &children, &count) == 0) {
        return found;
    }
    for (unsigned i = 0; i < count; ++i) {
        char* name = nullptr;
        XWindowAttributes a{};
        if (XGetWindowAttributes(dpy, children[i], &a) != 0 && a.map_state == IsViewable &&
            XFetchName(dpy, children[i], &name) != 0 && name != nullptr) {
            if (title == name) {
                found.push_back(children[i]);
            }
            XFree(name);
        }
    }
    XFree(children);
    return found;
}

void EditorWindowFixture::press(Point at, XInput::Script steps, unsigned b) {
    ASSERT_TRUE(input.press(at, std::move(steps), b)) << "script stalled";
}

void EditorWindowFixture::drag(const std::vector<Point>& path, unsigned b) {
    XInput::Script steps;
    for (std::size_t i = 1; i < path.size(); ++i) {
        steps.push_back(input.moveStep(path[i]));
    }
    steps.push_back(input.buttonStep(b, false));
    press(path.front(), std::move(steps), b);
}

::testing::AssertionResult EditorWindowFixture::dropFile(const std::filesystem::path& file,
                                                         Point at) {
    const Window target = editorWindow();
    XdndSource source(dpy, "file://" + file.string() + "\r\n");
    const auto settle = [&](const std::function<bool()>& until) {
        return input.pumpUntil([&] {
            source.serve();
            return until();
        });
    };
    const Point s = input.screen(at);
    source.send(target, "XdndEnter", 5L << 24, static_cast<long>(source.atom("text/uri-list")), 0,
                0);
    source.send(target, "XdndPosition", 0, static_cast<long>((s.x << 16) | s.y), CurrentTime,
                static_cast<long>(source.atom("XdndActionCopy")));
    if (!settle([&] { return source.statuses == 1; })) {
        return ::testing::AssertionFailure() << "no one status for the position";
    }
    if (!source.accepted) {
        return ::testing::AssertionFailure() << "the position was refused";
    }
    source.send(target, "XdndDrop", 0, CurrentTime, 0, 0);
    if (!settle([&] { return source.finished; })) {
        return ::testing::AssertionFailure() << "the drop was never finished";
    }
    if (!source.finishedAccepted) {
        return ::testing::AssertionFailure() << "the drop was refused";
    }
    return ::testing::AssertionSuccess();
}

EditorWindowFixture::Picture EditorWindowFixture::saveEditor(const std::string& name, Rect units) {
    const Window shown = editorWindow();
    if (shown == 0) {
        ADD_FAILURE() << "no editor window for " << name;
        return {};
    }
    const Size size = editorSize();
    const Point origin = XInput::windowToScreen(dpy, shown, {0, 0});
    const Rect area =
        units.empty() ? Rect::sized(0, 0, size.width, size.height) : zoom().toPixels(units);
    // Only what the host window shows of it.
    XWindowAttributes host{};
    XGetWindowAttributes(dpy, parent, &host);
    const Point corner = XInput::windowToScreen(dpy, parent, {0, 0});
    const Rect visible = Rect::sized(corner.x, corner.y, host.width, host.height);
    return saveScreen(area.offset(origin.x, origin.y).intersection(visible), name);
}

EditorWindowFixture::Picture EditorWindowFixture::saveScreen(Rect pixels, const std::string& name) {
    const std::string path = std::string(QUOVENT_BUILD_DIR) + "/" + name;
    Picture p = capture(dpy, pixels);
    cairo_surface_t* s =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(p.pixels.data()),
                                            CAIRO_FORMAT_RGB24, p.width, p.height, 4 * p.width);
    EXPECT_TRUE(!p.pixels.empty() &&
                cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS)
        << path;
    cairo_surface_destroy(s);
    return p;
}

} // namespace quovent::test
