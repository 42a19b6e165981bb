// An open pop-up menu: an undecorated window drawn by the toolkit that takes all pointer and
// keyboard input until an item is chosen or the menu is dismissed (a click outside it,
// Escape). It runs its own loop on the editor thread, serving the frame and calling its
// modal idle once per pass. Either button chooses; the release of the press that opened the
// menu chooses only once the pointer has moved. Editor thread only.
#pragma once

#include "platform/Window.hpp"
#include "widgets/MenuModel.hpp"
#include "widgets/ValueListener.hpp"

#include <memory>

namespace quovent {

class FrameWindow;

class MenuWindow final : private platform::WindowHandler {
public:
    static constexpr int kSeparatorHeight = 7;

    // font: the toolkit font id the items are drawn in.
    MenuWindow(FrameWindow& frame, const MenuModel& model, int font);
    ~MenuWindow() override;
    MenuWindow(const MenuWindow&) = delete;
    MenuWindow& operator=(const MenuWindow&) = delete;

    // Opens the menu with its top-left corner at `topLeft` (screen coordinates; moved to
    // stay on the screen) and returns the chosen index, or -1 when dismissed.
    int run(Point topLeft);

    // The menu open now on this thread, or null (lets tests find the items on screen).
    static MenuWindow* active() noexcept;
    // An item's rectangle in screen coordinates while the menu is open.
    Rect itemScreenRect(int index) const;
    Rect screenRect() const noexcept { return screenRect_; }
    int highlighted() const noexcept { return highlighted_; }
    int font() const noexcept { return font_; }

private:
    void onEvent(const platform::Event& event) override;
    void paint();
    int itemAt(Point p) const;
    void highlight(int index);
    void moveHighlight(int step);
    void finish(int result);
    void pollButtons();

    FrameWindow& frame_;
    const MenuModel& model_;
    int font_;
    MenuModel::Layout layout_;
    std::unique_ptr<platform::Window> window_;
    Rect screenRect_;
    Point openedAt_;
    int highlighted_ = -1;
    int result_ = -1;
    bool done_ = false;
    bool moved_ = false;
    unsigned lastButtons_ = 0;
    MenuWindow* previous_ = nullptr;
};

} // namespace quovent
