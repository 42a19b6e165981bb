// Win32 window: messages to events, DIB back buffer, focus, capture, drop target.
#include "platform/win32/Win32Window.hpp"

#include "platform/win32/GdiCanvas.hpp"
#include "platform/win32/OleDropTarget.hpp"
#include "platform/win32/Win32WindowSystem.hpp"

#include <ole2.h>
#include <windowsx.h>

namespace quovent::platform::win32 {
namespace {

// The mouse:: bits of a mouse message's key state (logical buttons, already swapped as
// the user set them); alt is not in it and is read from the message's key state.
unsigned messageState(WPARAM wParam) {
    unsigned bits = 0;
    if ((wParam & MK_LBUTTON) != 0) {
        bits |= mouse::kLeft;
    }
    if ((wParam & MK_MBUTTON) != 0) {
        bits |= mouse::kMiddle;
    }
    if ((wParam & MK_RBUTTON) != 0) {
        bits |= mouse::kRight;
    }
    if ((wParam & MK_SHIFT) != 0) {
        bits |= mouse::kShift;
    }
    if ((wParam & MK_CONTROL) != 0) {
        bits |= mouse::kControl;
    }
    if (GetKeyState(VK_MENU) < 0) {
        bits |= mouse::kAlt;
    }
    return bits;
}

unsigned keyModifiers() {
    unsigned bits = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        bits |= mouse::kShift;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        bits |= mouse::kControl;
    }
    if (GetKeyState(VK_MENU) < 0) {
        bits |= mouse::kAlt;
    }
    return bits;
}

// Keys that type nothing (or a blank) come from WM_KEYDOWN; printable ones from WM_CHAR.
bool specialKey(WPARAM vk, Key& key) {
    switch (vk) {
    case VK_BACK:
        key = Key::Backspace;
        return true;
    case VK_TAB:
        key = Key::Tab;
        return true;
    case VK_RETURN:
        key = Key::Return;
        return true;
    case VK_ESCAPE:
        key = Key::Escape;
        return true;
    case VK_DELETE:
        key = Key::Delete;
        return true;
    case VK_LEFT:
        key = Key::Left;
        return true;
    case VK_UP:
        key = Key::Up;
        return true;
    case VK_RIGHT:
        key = Key::Right;
        return true;
    case VK_DOWN:
        key = Key::Down;
        return true;
    case VK_HOME:
        key = Key::Home;
        return true;
    case VK_END:
        key = Key::End;
        return true;
    case VK_PRIOR:
        key = Key::PageUp;
        return true;
    case VK_NEXT:
        key = Key::PageDown;
        return true;
    case VK_SPACE:
        key = Key::Space;
        return true;
    default:
        return false;
    }
}

Point messagePoint(LPARAM lParam) {
    return {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
}

} // namespace

Win32Window::Win32Window(Win32WindowSystem& system, Rect units, WindowHandler& handler, Kind kind,
                         Scale scale)
    : system_(system), size_(units), handler_(handler), kind_(kind), scale_(scale) {}

Win32Window::~Win32Window() {
    if (system_.keyboardGrab() == this) {
        system_.setKeyboardGrab(nullptr);
    }
    setDropTarget(false);
    destroying_ = true;
    if (hwnd_ != nullptr && !destroyed_) {
        if (captured_ || grabbed_) {
            ReleaseCapture();
        }
        DestroyWindow(hwnd_);
    }
    canvas_.reset();
    releaseBuffer();
    Win32WindowSystem::windowGone();
}

bool Win32Window::isAlive() const {
    return hwnd_ != nullptr && !destroyed_;
}

void Win32Window::show() {
    if (!isAlive()) {
        return;
    }
    ShowWindow(hwnd_, kind_ == kPopup ? SW_SHOWNOACTIVATE : SW_SHOW);
    if (kind_ == kPopup) {
        SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    }
    UpdateWindow(hwnd_);
}

void Win32Window::hide() {
    if (isAlive()) {
        ShowWindow(hwnd_, SW_HIDE);
    }
}

void Win32Window::invalidate(Rect area) {
    if (!isAlive() || area.empty()) {
        return;
    }
    const Rect p = scale_.toPixels(area);
    const RECT r{p.left, p.top, p.right, p.bottom};
    InvalidateRect(hwnd_, &r, FALSE);
}

void Win32Window::ensureBuffer() {
    if (canvas_) {
        return;
    }
    const Point pixels{scale_.toPixels(size_.width()), scale_.toPixels(size_.height())};
    GdiCanvas::Surface surface = GdiCanvas::createSurface(pixels.x, pixels.y);
    buffer_ = surface.bitmap;
    if (buffer_ != nullptr) {
        bufferDc_ = CreateCompatibleDC(nullptr);
        if (bufferDc_ != nullptr) {
            previousBitmap_ = SelectObject(bufferDc_, buffer_);
        }
    }
    // The window owns the bitmap (it is selected into bufferDc_); the canvas only draws.
    canvas_ =
        std::make_unique<GdiCanvas>(surface, false, system_.fonts(), size_.width(), size_.height(),
                                    scale_, Point{}, [this](Rect area) { present(area); });
}

void Win32Window::releaseBuffer() {
    if (bufferDc_ != nullptr) {
        SelectObject(bufferDc_, previousBitmap_);
        DeleteDC(bufferDc_);
        bufferDc_ = nullptr;
    }
    if (buffer_ != nullptr) {
        DeleteObject(buffer_);
        buffer_ = nullptr;
    }
}

Canvas& Win32Window::canvas() {
    ensureBuffer();
    return *canvas_;
}

void Win32Window::present(Rect area) {
    if (!isAlive() || bufferDc_ == nullptr || area.empty()) {
        return;
    }
    HDC dc = GetDC(hwnd_);
    if (dc != nullptr) {
        BitBlt(dc, area.left, area.top, area.width(), area.height(), bufferDc_, area.left, area.top,
               SRCCOPY);
        ReleaseDC(hwnd_, dc);
    }
}

void Win32Window::paintMessage() {
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(hwnd_, &ps);
    if (dc == nullptr) {
        return;
    }
    const Rect area{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom};
    ensureBuffer();
    if (!area.empty()) {
        Event e;
        e.type = EventType::Paint;
        e.area = scale_.unitsCovering(area);
        deliver(e); // draws into the back buffer (and may show it already)
    }
    if (isAlive() && bufferDc_ != nullptr && !area.empty()) {
        GdiFlush();
        BitBlt(dc, area.left, area.top, area.width(), area.height(), bufferDc_, area.left, area.top,
               SRCCOPY);
    }
    EndPaint(hwnd_, &ps);
}

Point Win32Window::pointer() {
    if (!isAlive()) {
        return lastPointer_;
    }
    POINT p{};
    if (GetCursorPos(&p) && ScreenToClient(hwnd_, &p)) {
        lastPointer_ = toUnits({p.x, p.y});
    }
    return lastPointer_;
}

Point Win32Window::toScreen(Point p) {
    if (!isAlive()) {
        return p;
    }
    const Point pixels = scale_.toPixels(p);
    POINT s{pixels.x, pixels.y};
    ClientToScreen(hwnd_, &s);
    return system_.scale().toUnits(Point{s.x, s.y});
}

void Win32Window::takeFocus() {
    if (isAlive() && GetFocus() != hwnd_) {
        SetFocus(hwnd_);
    }
}

bool Win32Window::grabInput() {
    if (!isAlive()) {
        return false;
    }
    SetCapture(hwnd_);
    grabbed_ = GetCapture() == hwnd_;
    system_.setKeyboardGrab(this);
    return grabbed_;
}

void Win32Window::releaseInput() {
    if (system_.keyboardGrab() == this) {
        system_.setKeyboardGrab(nullptr);
    }
    if (grabbed_ && GetCapture() == hwnd_) {
        ReleaseCapture();
    }
    grabbed_ = false;
}

void Win32Window::discardMouseEvents() {
    if (!isAlive()) {
        return;
    }
    GetQueueStatus(QS_INPUT); // what is on its way arrives first
    MSG message;
    while (PeekMessageW(&message, hwnd_, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
}

void Win32Window::setDropTarget(bool on) {
    if (on) {
        if (dropTarget_ != nullptr || !isAlive() || !system_.ensureOle()) {
            return;
        }
        auto* target = new OleDropTarget(*this);
        if (RegisterDragDrop(hwnd_, target) == S_OK) {
            dropTarget_ = target; // the registration holds its own reference
        } else {
            target->Release();
        }
        return;
    }
    if (dropTarget_ != nullptr) {
        if (hwnd_ != nullptr && !destroyed_) {
            RevokeDragDrop(hwnd_);
        }
        dropTarget_->detach();
        dropTarget_->Release();
        dropTarget_ = nullptr;
    }
}

void Win32Window::deliver(const Event& event) {
    handler_.onEvent(event);
}

void Win32Window::mouseButton(UINT message, WPARAM wParam, LPARAM lParam) {
    Event e;
    e.position = toUnits(messagePoint(lParam));
    // The message's own key state holds the buttons once the message has happened: a press
    // carries its button, a release no longer does. A tap whose release is already queued
    // thus still reads as held when its press is handled.
    e.modifiers = messageState(wParam);
    e.time = static_cast<std::uint32_t>(GetMessageTime());
    lastPointer_ = e.position;
    bool down = false;
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        e.button = 1;
        down = message == WM_LBUTTONDOWN;
        break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        e.button = 2;
        down = message == WM_MBUTTONDOWN;
        break;
    default:
        e.button = 3;
        down = message == WM_RBUTTONDOWN;
        break;
    }
    e.type = down ? EventType::MouseDown : EventType::MouseUp;
    if (down && !grabbed_ && GetCapture() != hwnd_) {
        // Like X's implicit grab: the release reaches us wherever the pointer is then.
        SetCapture(hwnd_);
        captured_ = true;
    } else if (!down && captured_ && (e.modifiers & mouse::kButtons) == 0) {
        captured_ = false;
        ReleaseCapture();
    }
    deliver(e);
}

void Win32Window::keyMessage(UINT message, WPARAM wParam) {
    Win32Window* target = system_.keyboardGrab() != nullptr ? system_.keyboardGrab() : this;
    Event e;
    e.key.modifiers = keyModifiers();
    e.modifiers = e.key.modifiers;
    e.position = lastPointer_;
    e.time = static_cast<std::uint32_t>(GetMessageTime());
    if (message == WM_CHAR) {
        const auto c = static_cast<std::uint32_t>(wParam);
        if (c <= 0x20 || c == 0x7F) {
            return; // control characters and the blank come as keys of their own
        }
        e.type = EventType::KeyDown;
        e.key.key = Key::Character;
        e.key.character = c;
        target->deliver(e);
        return;
    }
    Key key = Key::Character;
    const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
    if (specialKey(wParam, key)) {
        e.key.key = key;
        e.key.character = key == Key::Space ? 0x20 : 0;
    } else if (down) {
        return; // its WM_CHAR follows
    } else {
        const UINT c = MapVirtualKeyW(static_cast<UINT>(wParam), MAPVK_VK_TO_CHAR) & 0x7FFFFFFF;
        if (c == 0) {
            return;
        }
        e.key.key = Key::Character;
        e.key.character = (e.key.modifiers & mouse::kShift) != 0 ? c : towlower(c);
    }
    e.type = down ? EventType::KeyDown : EventType::KeyUp;
    target->deliver(e);
}

LRESULT Win32Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        paintMessage();
        return 0;
    case WM_ERASEBKGND:
        return 1; // every pixel is ours: erasing first would only flicker
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        mouseButton(message, wParam, lParam);
        return 0;
    case WM_MOUSEMOVE: {
        Event e;
        e.type = EventType::MouseMove;
        e.position = toUnits(messagePoint(lParam));
        e.modifiers = messageState(wParam);
        e.time = static_cast<std::uint32_t>(GetMessageTime());
        lastPointer_ = e.position;
        deliver(e);
        return 0;
    }
    case WM_MOUSEWHEEL: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ScreenToClient(hwnd_, &p);
        Event e;
        e.type = EventType::Wheel;
        e.position = toUnits({p.x, p.y});
        e.delta = GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? 1 : -1;
        e.modifiers = messageState(GET_KEYSTATE_WPARAM(wParam));
        deliver(e);
        return 0;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        keyMessage(message, wParam);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_MOUSEACTIVATE:
        return kind_ == kPopup ? MA_NOACTIVATE : MA_ACTIVATE;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
        Event e;
        e.type = message == WM_SETFOCUS ? EventType::FocusGained : EventType::FocusLost;
        deliver(e);
        return 0;
    }
    case WM_CAPTURECHANGED:
        captured_ = false;
        return 0;
    case WM_CLOSE:
        if (kind_ == kDialog) {
            Event e;
            e.type = EventType::CloseRequest;
            deliver(e);
        }
        return 0; // the toolkit decides when its windows go
    case WM_DESTROY:
        if (!destroying_) {
            // Gone with the host's window; the canvas now shows nothing.
            setDropTarget(false);
            destroyed_ = true;
            Event e;
            e.type = EventType::Destroyed;
            deliver(e);
        }
        destroyed_ = true;
        return 0;
    default:
        return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

LRESULT CALLBACK Win32Window::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the message's pointer as an integer
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* window = static_cast<Win32Window*>(create->lpCreateParams);
        window->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    // The object's address as the window keeps it (GWLP_USERDATA holds an integer).
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        if (window != nullptr) {
            window->destroyed_ = true;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (window == nullptr || window->hwnd_ != hwnd) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return window->handle(message, wParam, lParam);
}

} // namespace quovent::platform::win32
