// Events a window system delivers to a window's handler, and the mouse and modifier bits
// the toolkit compares with exact values (17 is control + left, 33 alt + left...).
#pragma once

#include "platform/Geometry.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace quovent::platform {

// The mouseButtons bit set: pressed buttons and modifier keys.
namespace mouse {
inline constexpr unsigned kLeft = 1;
inline constexpr unsigned kMiddle = 2;
inline constexpr unsigned kRight = 4;
inline constexpr unsigned kShift = 8;
inline constexpr unsigned kControl = 16;
inline constexpr unsigned kAlt = 32;
inline constexpr unsigned kButtons = kLeft | kMiddle | kRight;
inline constexpr unsigned kModifiers = kShift | kControl | kAlt;

// The bit of a MouseDown or MouseUp event's button (1 left, 2 middle, 3 right); 0 for others.
constexpr unsigned bitOf(int button) noexcept {
    switch (button) {
    case 1:
        return kLeft;
    case 2:
        return kMiddle;
    case 3:
        return kRight;
    default:
        return 0;
    }
}
} // namespace mouse

enum class Key : std::uint8_t {
    Character, // a plain character, see KeyEvent::character
    Backspace,
    Tab,
    Return,
    Escape,
    Delete,
    Left,
    Up,
    Right,
    Down,
    Home,
    End,
    PageUp,
    PageDown,
    Space,
};

struct KeyEvent {
    Key key = Key::Character;
    std::uint32_t character = 0; // Unicode code point of a printable key, else 0
    unsigned modifiers = 0;      // mouse::kShift | kControl | kAlt
};

// What a drop carries: full paths of files (type 0) or a plain text (type 1).
struct DropData {
    static constexpr int kFiles = 0;
    static constexpr int kText = 1;
    int type = kFiles;
    std::vector<std::string> items;
};

enum class EventType : std::uint8_t {
    Paint,     // area needs painting
    MouseDown, // button 1 left, 2 middle, 3 right
    MouseUp,
    MouseMove,
    Wheel, // delta +1 away from the user, -1 towards
    KeyDown,
    KeyUp,
    FocusGained,
    FocusLost,
    Drop,         // drop points at the data
    CloseRequest, // the window manager's close button on a dialog
    Destroyed,    // the native window is gone (its parent was destroyed)
};

struct Event {
    EventType type = EventType::Paint;
    Rect area;      // Paint
    Point position; // pointer position relative to the window
    int button = 0; // MouseDown, MouseUp
    int delta = 0;  // Wheel
    // The mouse:: bits in force once the event has happened: the buttons held and shift,
    // control and alt. A MouseDown holds its own button, a MouseUp no longer holds its
    // button, so a press carries the whole state a control compares with (17 for control +
    // left) even when the button is up again by the time the press is handled.
    unsigned modifiers = 0;
    KeyEvent key;           // KeyDown, KeyUp
    std::uint32_t time = 0; // server time of input events, ms
    const DropData* drop = nullptr;
};

} // namespace quovent::platform
