#include "editor/Editor.hpp"

namespace quovent {

Editor::Editor(HostServices& host) : host_(host) {}

EditorRect Editor::getRect() const {
    EditorRect r;
    r.bottom = kHeight;
    r.right = kWidth;
    return r;
}

bool Editor::open(void* /*parent*/) {
    return false; // the window comes with the editor work
}

void Editor::close() {}

void Editor::idle() {}

int Editor::onKeyDown(const KeyCode& /*key*/) { return 0; }

int Editor::setKnobMode(int /*mode*/) { return 1; }

} // namespace quovent
