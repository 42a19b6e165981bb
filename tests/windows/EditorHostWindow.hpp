// A Windows host for the editor of the built DLL: a top-level window of the test holds the
// editor (effEditOpen with its HWND), the test pumps the thread's messages and calls
// effEditIdle as a host's timer does, and real pointer events come from xdotool on the X
// display Wine draws on (Wine runs Unix programs given by their path). State is read back
// through the plug-in's chunk, the document hosts save with their projects.
#pragma once

#include "formats/vst2/VstAbi.hpp"
#include "tests/support/TestHost.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <windows.h>

#include <functional>
#include <string>

namespace quovent::test {

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

class EditorHostWindow : public ::testing::Test {
protected:
    static constexpr int kEditorWidth = 657;
    static constexpr int kEditorHeight = 590;
    static constexpr int kIdleMs = 15;

    // False (and the test skipped) without an X display.
    static bool haveDisplay();
    // Runs a shell command line on the Unix side and waits for it while the editor keeps
    // being served; false when it did not end within the timeout. output: its stdout.
    bool unix(const std::string& command, std::string* output = nullptr, int timeoutMs = 30000);
    // Starts xdotool with these arguments and serves the editor until it has ended and a few
    // more idles have passed.
    bool xdotool(const std::string& arguments);

    void SetUp() override;
    void TearDown() override;

    // A new host window, not yet shown.
    HWND createParent();
    // Opens the editor in the host window; the editor's HWND.
    HWND openEditor();
    void closeEditor();
    HWND editorWindow() const;
    // An editor point (layout units) on the screen: the middle of that unit's pixels at the
    // editor's zoom.
    ScreenPoint screen(int x, int y) const;
    std::string at(int x, int y) const; // "X Y" for xdotool
    // Serves messages and the editor's idle for ms milliseconds.
    void pump(int ms);
    bool pumpUntil(const std::function<bool()>& condition, int timeoutMs = 10000);
    nlohmann::json state();
    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f);
    // Renders blocks and answers the peak of each stereo pair.
    std::vector<float> renderPeaks(int blocks);
    // Saves the editor's area of the X screen as a PNG (a path on the Unix side).
    bool saveScreenshot(const std::string& path, int width = kEditorWidth,
                        int height = kEditorHeight);
    static std::string buildDir();
    // A Unix path as Wine's Windows path for it.
    static std::string windowsPath(const std::string& unixPath);

    std::unique_ptr<TestHost> host;
    vst::AEffect* effect = nullptr;
    HWND parent = nullptr;
    bool open = false;
    int percent = 100; // the editor's zoom
    DWORD lastIdle = 0;
};

} // namespace quovent::test
