// The test's host window for the DLL's editor, and its Unix helpers under Wine.
#include "tests/windows/EditorHostWindow.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace quovent::test {
namespace {

constexpr wchar_t kHostClass[] = L"quoventTestHostWindow";

LRESULT CALLBACK hostProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

std::wstring widen(const std::string& text) {
    return std::wstring(text.begin(), text.end()); // command lines here are ASCII
}

} // namespace

bool EditorHostWindow::haveDisplay() {
    char value[256];
    return GetEnvironmentVariableA("DISPLAY", value, sizeof value) > 0;
}

std::string EditorHostWindow::buildDir() {
    return QUOVENT_BUILD_DIR;
}

std::string EditorHostWindow::windowsPath(const std::string& unixPath) {
    return "Z:" + unixPath;
}

bool EditorHostWindow::unix(const std::string& command, std::string* output, int timeoutMs) {
    // Wine starts a Unix program without a process handle to wait on: the command line
    // leaves a file behind when it has ended, and the test serves the editor until then.
    static int serial = 0;
    const std::string base = buildDir() + "/wine-unix-" + std::to_string(GetCurrentProcessId()) +
                             "-" + std::to_string(++serial);
    const std::string outFile = base + ".txt";
    const std::string doneFile = base + ".done";
    std::wstring line =
        widen("/bin/sh -c \"" + command + " > " + outFile + " 2>&1; touch " + doneFile + "\"");
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi)) {
        return false;
    }
    // What Wine puts into the handles for a Unix program is no handle of ours: closing it
    // could close whatever handle has that value (HKEY_CURRENT_USER's, as seen). Only handles
    // that really name the started process are closed.
    if (pi.dwProcessId != 0 && GetProcessId(pi.hProcess) == pi.dwProcessId) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    const std::string done = windowsPath(doneFile);
    const bool ended = pumpUntil(
        [&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, timeoutMs);
    if (output != nullptr) {
        std::ifstream in(windowsPath(outFile));
        std::stringstream s;
        s << in.rdbuf();
        *output = s.str();
    }
    DeleteFileA(windowsPath(outFile).c_str());
    DeleteFileA(done.c_str());
    return ended;
}

bool EditorHostWindow::xdotool(const std::string& arguments) {
    const bool ended = unix("xdotool " + arguments);
    pump(150);
    return ended;
}

void EditorHostWindow::SetUp() {
    if (!haveDisplay()) {
        GTEST_SKIP() << "no X display (run the Windows tests under xvfb-run)";
    }
    if (GetFileAttributesA(windowsPath("/usr/bin/xdotool").c_str()) == INVALID_FILE_ATTRIBUTES) {
        GTEST_SKIP() << "no xdotool (tools/install-deps.sh installs it)";
    }
    host = std::make_unique<TestHost>();
    effect = host->open();
    ASSERT_NE(effect, nullptr);
    host->prepare();
    parent = createParent();
    ASSERT_NE(parent, nullptr);
    ShowWindow(parent, SW_SHOW);
    pump(200);
}

void EditorHostWindow::TearDown() {
    if (host == nullptr) {
        return;
    }
    unix("xdotool mouseup 1 mouseup 3 keyup shift keyup ctrl keyup alt");
    if (open) {
        closeEditor();
    }
    if (parent != nullptr) {
        DestroyWindow(parent);
    }
    host->close();
    host.reset();
}

HWND EditorHostWindow::createParent() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &hostProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = kHostClass;
    RegisterClassExW(&wc);
    RECT r{0, 0, kEditorWidth, kEditorHeight};
    AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
    return CreateWindowExW(0, kHostClass, L"test host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 20,
                           20, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

HWND EditorHostWindow::openEditor() {
    // As hosts do: the window made as large as the editor asks before it opens.
    vst::ERect* rect = nullptr;
    if (dispatch(vst::effEditGetRect, 0, 0, static_cast<void*>(&rect)) == 1 && rect != nullptr) {
        RECT r{0, 0, rect->right - rect->left, rect->bottom - rect->top};
        AdjustWindowRectEx(&r, WS_OVERLAPPEDWINDOW, FALSE, 0);
        SetWindowPos(parent, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (dispatch(vst::effEditOpen, 0, 0, parent) == 0) {
        return nullptr;
    }
    open = true;
    pump(300);
    return editorWindow();
}

void EditorHostWindow::closeEditor() {
    dispatch(vst::effEditClose);
    open = false;
    pump(50);
}

HWND EditorHostWindow::editorWindow() const {
    return GetWindow(parent, GW_CHILD);
}

ScreenPoint EditorHostWindow::screen(int x, int y) const {
    POINT p{(2 * x + 1) * percent / 200, (2 * y + 1) * percent / 200};
    ClientToScreen(editorWindow(), &p);
    return {p.x, p.y};
}

std::string EditorHostWindow::at(int x, int y) const {
    const ScreenPoint s = screen(x, y);
    return std::to_string(s.x) + " " + std::to_string(s.y);
}

std::intptr_t EditorHostWindow::dispatch(std::int32_t opcode, std::int32_t index,
                                         std::intptr_t value, void* ptr, float opt) {
    return host->dispatch(opcode, index, value, ptr, opt);
}

void EditorHostWindow::pump(int ms) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (open && GetTickCount() - lastIdle >= kIdleMs) {
            lastIdle = GetTickCount();
            dispatch(vst::effEditIdle);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (GetTickCount() - start < static_cast<DWORD>(ms));
}

bool EditorHostWindow::pumpUntil(const std::function<bool()>& condition, int timeoutMs) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) {
            return false;
        }
        pump(kIdleMs);
    }
    return true;
}

nlohmann::json EditorHostWindow::state() {
    const std::string chunk = host->getChunk();
    return nlohmann::json::parse(chunk, nullptr, false);
}

std::vector<float> EditorHostWindow::renderPeaks(int blocks) {
    std::vector<float> peaks(6, 0.0f);
    for (int b = 0; b < blocks; ++b) {
        AudioBuffers buffers(512);
        host->processReplacing(buffers);
        for (int c = 0; c < AudioBuffers::kChannels; ++c) {
            float& peak = peaks[static_cast<std::size_t>(c / 2)];
            for (int i = 0; i < buffers.frames(); ++i) {
                peak = std::max(peak, std::abs(buffers.channel(c)[i]));
            }
        }
    }
    return peaks;
}

bool EditorHostWindow::saveScreenshot(const std::string& path, int width, int height) {
    POINT s{0, 0};
    ClientToScreen(editorWindow(), &s);
    char geometry[64];
    std::snprintf(geometry, sizeof geometry, "%dx%d+%ld+%ld", width, height, static_cast<long>(s.x),
                  static_cast<long>(s.y));
    return unix(std::string("import -window root -crop ") + geometry + " +repage " + path);
}

} // namespace quovent::test
