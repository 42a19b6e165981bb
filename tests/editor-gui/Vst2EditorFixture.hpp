// The instrument made through the VST 2 entry in this process, with a host callback of the
// test's, and its editor opened by effEditOpen in the shared fixture's host window (sized by
// effEditGetRect) and served by effEditIdle as a host does. While a control tracks the mouse,
// the editor's modal idle calls audioMasterIdle, where the next step of the input's script
// plays. The sample base and the zoom live in a scratch settings folder and the dialogs are
// the toolkit's own, so the tests can find and answer them.
#pragma once

#include "editor/Editor.hpp"
#include "formats/vst2/Vst2Plugin.hpp"

#include "tests/support/IsolatedUserSettings.hpp"
#include "tests/support/ScratchDirectory.hpp"

// After the toolkit: Xlib defines macros such as None and Status.
#include "tests/support/EditorWindowFixture.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

namespace quovent::test {

class Vst2EditorFixture : public EditorWindowFixture {
protected:
    void setUpEditor() override;
    void tearDownEditor() override;

    // A new instance (the last one closed) with its editor open in a new host window;
    // `percent` is the zoom kept in the settings first (0: none, the desktop's).
    void openInstance(int percent);
    void closeInstance();
    std::intptr_t dispatch(std::int32_t opcode, std::int32_t index = 0, std::intptr_t value = 0,
                           void* ptr = nullptr, float opt = 0.0f);
    std::intptr_t editOpen() { return dispatch(vst::effEditOpen, 0, 0, parentId()); }
    void openEditor();
    // effEditGetRect's answer.
    Size rectSize();
    platform::Scale scale() const { return editor->frame()->window().scale(); }

    XInput::Step menuOpen() const;
    // A click on a menu item; the menu's screen units are the window system's.
    XInput::Step clickItem(int index);

    // Geometry of the layout.
    static Point stepPoint(int slot, int step, int dy = 17) {
        return {44 + 20 * step + 10, 101 + 62 * slot + dy};
    }
    PatternRow& row(int s) { return editor->sequencer().patterns().currentRow(s); }
    Slot& slot(int s) { return editor->sequencer().slots().slot(s); }

    ScratchDirectory scratch{"quovent-editor-gui"};
    IsolatedUserSettings settings{scratch.path()};
    vst::AEffect* effect = nullptr;
    Vst2Plugin* plugin = nullptr;
    Editor* editor = nullptr;
    vst::VstTimeInfo time{};
    std::function<void()> onHostIdle;
    int hostIdles = 0;
    bool hostResizes = false;
    std::vector<Size> sizeRequests;

private:
    static std::intptr_t QUOVENT_VSTCALL callback(vst::AEffect* effect, std::int32_t opcode,
                                                  std::int32_t index, std::intptr_t value,
                                                  void* ptr, float opt);
    int sizeWindow(Size asked);

    static inline Vst2EditorFixture* current = nullptr;
};

} // namespace quovent::test
