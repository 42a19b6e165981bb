// The toolkit's own message box: a dialog window with the text, wrapped to lines, and one
// (OK) or two (Yes, No) buttons. Enter takes the first button, Escape the last; y and n
// answer a question. Runs its own loop on the editor thread. Editor thread only.
#pragma once

#include "platform/Window.hpp"
#include "widgets/ValueListener.hpp"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quovent {

class FrameWindow;

class BuiltinMessageDialog final : private platform::WindowHandler {
public:
    static constexpr int kMinWidth = 280;
    static constexpr int kMaxTextWidth = 460;
    static constexpr int kLineHeight = 18;

    BuiltinMessageDialog(FrameWindow& frame, std::string_view caption, std::string_view text,
                         bool yesNo, bool error);
    ~BuiltinMessageDialog() override;
    BuiltinMessageDialog(const BuiltinMessageDialog&) = delete;
    BuiltinMessageDialog& operator=(const BuiltinMessageDialog&) = delete;

    // Shows the box and waits: the index of the button taken (0 OK or Yes, 1 No); the last
    // button when the box was closed any other way.
    int run();

    static BuiltinMessageDialog* active() noexcept;
    const std::string& text() const noexcept { return text_; }
    Rect screenRect() const noexcept { return screenRect_; }
    Rect buttonScreenRect(int index) const;

    // Lines of at most maxWidth pixels, broken at blanks (and at line breaks in the text);
    // a word wider than a line stands on a line of its own.
    static std::vector<std::string> wrap(std::string_view text, int maxWidth,
                                         const std::function<int(std::string_view)>& measure);

private:
    void onEvent(const platform::Event& event) override;
    void finish(int button);
    void paint();
    Rect buttonRect(int index) const;
    int buttonCount() const { return yesNo_ ? 2 : 1; }

    FrameWindow& frame_;
    std::string caption_;
    std::string text_;
    bool yesNo_;
    bool error_;
    std::vector<std::string> lines_;
    Rect size_;
    Rect screenRect_;
    std::unique_ptr<platform::Window> window_;
    int result_ = -1;
    bool done_ = false;
    BuiltinMessageDialog* previous_ = nullptr;
};

} // namespace quovent
