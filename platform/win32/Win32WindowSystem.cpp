// Win32 window class, window creation, message pump, mouse state and time.
#include "platform/win32/Win32WindowSystem.hpp"

#include "platform/win32/FontCache.hpp"
#include "platform/win32/Module.hpp"
#include "platform/win32/WideText.hpp"
#include "platform/win32/Win32Dialogs.hpp"
#include "platform/win32/Win32Window.hpp"

#include <ole2.h>

#include <atomic>
#include <cmath>
#include <cwchar>

namespace quovent::platform {

std::unique_ptr<WindowSystem> createNativeWindowSystem() {
    return std::make_unique<win32::Win32WindowSystem>();
}

bool hasNativeWindowSystem() {
    return true;
}

} // namespace quovent::platform

namespace quovent::platform::win32 {
namespace {

// Messages handled per serveEvents call at most, so a flood cannot hold the host's thread.
constexpr int kMaxMessagesPerServe = 512;

// Windows of the class alive in this module. The class is registered while it is above 0.
std::atomic<int> gLiveWindows{0};

HINSTANCE moduleInstance() {
    HMODULE module = Module::handle();
    return module != nullptr ? module : GetModuleHandleW(nullptr);
}

bool registerClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    // No CS_DBLCLKS: a quick second click is a press of its own, as the controls expect.
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &Win32Window::procedure;
    wc.hInstance = moduleInstance();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = nullptr; // we paint every pixel: no erase, no flicker
    wc.lpszClassName = Win32WindowSystem::className();
    return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// The monitor's DPI through shcore (Windows 8.1 and later), loaded when present.
double monitorDpi(HMONITOR monitor) {
    using GetDpiForMonitorProc = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    HMODULE shcore = LoadLibraryW(L"shcore.dll");
    double dpi = 0.0;
    if (shcore != nullptr) {
        const auto proc = reinterpret_cast<GetDpiForMonitorProc>(
            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")));
        UINT x = 0;
        UINT y = 0;
        if (proc != nullptr && proc(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y) == S_OK) {
            dpi = x;
        }
        FreeLibrary(shcore);
    }
    if (dpi <= 0.0) {
        HDC screen = GetDC(nullptr);
        if (screen != nullptr) {
            dpi = GetDeviceCaps(screen, LOGPIXELSX);
            ReleaseDC(nullptr, screen);
        }
    }
    return dpi;
}

} // namespace

const wchar_t* Win32WindowSystem::className() {
    // The module's address in the name: two copies of the library (32-bit bridges load
    // several) each keep a class of their own with their own window procedure.
    static const std::wstring name = [] {
        wchar_t text[64];
        std::swprintf(text, 64, L"quoventEditor%p", static_cast<void*>(moduleInstance()));
        return std::wstring(text);
    }();
    return name.c_str();
}

int Win32WindowSystem::liveWindows() {
    return gLiveWindows.load();
}

void Win32WindowSystem::windowGone() {
    if (--gLiveWindows == 0) {
        UnregisterClassW(className(), moduleInstance());
    }
}

Win32WindowSystem::Win32WindowSystem()
    : fonts_(std::make_unique<FontCache>()), dialogs_(std::make_unique<Win32Dialogs>()) {}

NativeDialogs* Win32WindowSystem::dialogs() {
    return dialogs_.get();
}

Win32WindowSystem::~Win32WindowSystem() {
    fonts_.reset();
    if (oleInitialised_) {
        OleUninitialize();
    }
}

bool Win32WindowSystem::ensureOle() {
    if (oleInitialised_) {
        return true;
    }
    if (oleRefused_) {
        return false;
    }
    const HRESULT hr = OleInitialize(nullptr);
    // S_FALSE: already initialised on this thread; balanced by our OleUninitialize too.
    oleInitialised_ = SUCCEEDED(hr);
    oleRefused_ = !oleInitialised_;
    return oleInitialised_;
}

double Win32WindowSystem::desktopScale() {
    const double dpi = monitorDpi(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY));
    return dpi > 0.0 ? dpi / 96.0 : 1.0;
}

std::unique_ptr<Win32Window> Win32WindowSystem::make(DWORD exStyle, DWORD style, Rect pixels,
                                                     HWND parent, WindowHandler& handler, int kind,
                                                     Rect units, const wchar_t* title) {
    if (gLiveWindows.load() == 0 && !registerClass()) {
        return nullptr;
    }
    auto window = std::make_unique<Win32Window>(*this, units, handler,
                                                static_cast<Win32Window::Kind>(kind), scale_);
    ++gLiveWindows;
    HWND hwnd =
        CreateWindowExW(exStyle, className(), title, style, pixels.left, pixels.top, pixels.width(),
                        pixels.height(), parent, nullptr, moduleInstance(), window.get());
    if (hwnd == nullptr) {
        // The object's destructor counts the window down and unregisters the class.
        return window;
    }
    window->attach(hwnd);
    return window;
}

std::unique_ptr<Window> Win32WindowSystem::createChild(NativeWindow parent, Rect rect,
                                                       WindowHandler& handler) {
    // NativeWindow carries the HWND as an integer. NOLINTNEXTLINE(performance-no-int-to-ptr)
    HWND parentWindow = reinterpret_cast<HWND>(parent);
    if (parent == 0 || rect.empty() || !IsWindow(parentWindow)) {
        return nullptr;
    }
    const Point at = scale_.toPixels(rect.origin());
    const Rect pixels =
        Rect::sized(at.x, at.y, scale_.toPixels(rect.width()), scale_.toPixels(rect.height()));
    auto window = make(0, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, pixels,
                       parentWindow, handler, Win32Window::kChild, rect, L"");
    if (!window || window->hwnd() == nullptr) {
        return nullptr;
    }
    return window;
}

std::unique_ptr<Window> Win32WindowSystem::createPopup(Rect rect, WindowHandler& handler) {
    if (rect.empty()) {
        return nullptr;
    }
    const Point at = scale_.toPixels(rect.origin());
    const Rect pixels =
        Rect::sized(at.x, at.y, scale_.toPixels(rect.width()), scale_.toPixels(rect.height()));
    auto window = make(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, WS_POPUP, pixels,
                       nullptr, handler, Win32Window::kPopup, rect, L"");
    if (!window || window->hwnd() == nullptr) {
        return nullptr;
    }
    return window;
}

std::unique_ptr<Window> Win32WindowSystem::createDialog(Window* owner, Rect rect,
                                                        std::string_view title,
                                                        WindowHandler& handler) {
    if (rect.empty()) {
        return nullptr;
    }
    const Point at = scale_.toPixels(rect.origin());
    const Rect client =
        Rect::sized(at.x, at.y, scale_.toPixels(rect.width()), scale_.toPixels(rect.height()));
    constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
    RECT frame{client.left, client.top, client.right, client.bottom};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    // Owned by the host's top-level window: kept above it and hidden with it.
    HWND ownerWindow = nullptr;
    if (owner != nullptr) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the HWND carried as an integer
        ownerWindow = GetAncestor(reinterpret_cast<HWND>(owner->nativeHandle()), GA_ROOT);
    }
    const std::wstring name = WideText::fromUtf8(title).value_or(L"");
    auto window = make(kExStyle, kStyle, {frame.left, frame.top, frame.right, frame.bottom},
                       ownerWindow, handler, Win32Window::kDialog, rect, name.c_str());
    if (!window || window->hwnd() == nullptr) {
        return nullptr;
    }
    return window;
}

int Win32WindowSystem::serveEvents() {
    int served = 0;
    MSG message;
    while (served < kMaxMessagesPerServe && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The host's own loop must still see it.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
        ++served;
    }
    return served;
}

unsigned Win32WindowSystem::mouseButtons() {
    // Lets the system take in input that arrived since the last look (Wine reads the
    // display's events only when the thread asks for messages).
    GetQueueStatus(QS_INPUT);
    const auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
    unsigned bits = 0;
    if (down(swapped ? VK_RBUTTON : VK_LBUTTON)) {
        bits |= mouse::kLeft;
    }
    if (down(VK_MBUTTON)) {
        bits |= mouse::kMiddle;
    }
    if (down(swapped ? VK_LBUTTON : VK_RBUTTON)) {
        bits |= mouse::kRight;
    }
    if (down(VK_SHIFT)) {
        bits |= mouse::kShift;
    }
    if (down(VK_CONTROL)) {
        bits |= mouse::kControl;
    }
    if (down(VK_MENU)) {
        bits |= mouse::kAlt;
    }
    return bits;
}

Rect Win32WindowSystem::screenBounds() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    // Whole units only: a menu kept inside these bounds stays on the screen.
    return {scale_.toUnits(left) + (scale_.toPixels(scale_.toUnits(left)) < left ? 1 : 0),
            scale_.toUnits(top) + (scale_.toPixels(scale_.toUnits(top)) < top ? 1 : 0),
            scale_.toUnits(left + width), scale_.toUnits(top + height)};
}

std::uint32_t Win32WindowSystem::tickCount() {
    return GetTickCount();
}

void Win32WindowSystem::sleep(int milliseconds) {
    if (milliseconds > 0) {
        // Wakes early for input, so a modal loop answers a click at once.
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(milliseconds), QS_ALLINPUT);
    }
}

} // namespace quovent::platform::win32
