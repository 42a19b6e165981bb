// The host-facing side of the editor: rectangle, open, close, idle, keys and knob mode.
// The host binding turns the editor opcodes into these calls. Editor thread only.
#pragma once

#include <cstdint>

namespace quovent {

struct EditorRect {
    std::int16_t top = 0;
    std::int16_t left = 0;
    std::int16_t bottom = 0;
    std::int16_t right = 0;
};

struct KeyCode {
    std::int32_t character = 0;
    std::uint8_t virt = 0;
    std::uint8_t modifier = 0;
};

class EditorBase {
public:
    virtual ~EditorBase() = default;

    // The window's size; valid before the first open.
    virtual EditorRect getRect() const = 0;
    // parent: the host's window (an X11 window id carried in the pointer). True when open.
    virtual bool open(void* parent) = 0;
    virtual void close() = 0;
    virtual void idle() = 0;
    // 1 when the key was used, else 0.
    virtual int onKeyDown(const KeyCode& key) = 0;
    virtual int onKeyUp(const KeyCode& /*key*/) { return -1; }
    // Stores the toolkit-wide knob mode; answers 1.
    virtual int setKnobMode(int mode) = 0;
    virtual bool isOpen() const = 0;
    // False when this build cannot show a window at all: the host is then told there is no
    // editor, while the editor object still holds the model and plays.
    virtual bool hasWindow() const { return true; }
};

} // namespace quovent
