// The toolkit's own file dialog, used when neither the host nor the desktop offers one: a
// dialog window kept above the host's window, drawn by the toolkit, with the directory
// listing, an up button, the filter, a name field for a save, and OK / Cancel. Keys: arrows,
// Page Up/Down, Home/End, Enter (open the directory or choose), Backspace (up, or erase the
// name), Escape (cancel), and typing for the name. It runs its own loop on the editor thread
// and keeps the frame served meanwhile. Editor thread only.
#pragma once

#include "platform/Window.hpp"
#include "widgets/FileDialogModel.hpp"
#include "widgets/ValueListener.hpp"

#include <memory>

namespace quovent {

class FrameWindow;

class BuiltinFileDialog final : private platform::WindowHandler {
public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 380;
    static constexpr int kRowHeight = 18;

    BuiltinFileDialog(FrameWindow& frame, const FileSelectRequest& request);
    ~BuiltinFileDialog() override;
    BuiltinFileDialog(const BuiltinFileDialog&) = delete;
    BuiltinFileDialog& operator=(const BuiltinFileDialog&) = delete;

    // Shows the dialog and waits; true when the user chose (model().results()).
    bool run();

    FileDialogModel& model() noexcept { return model_; }
    // The dialog open now on this thread, or null (lets tests find it on screen).
    static BuiltinFileDialog* active() noexcept;
    // The dialog's screen rectangle, and its parts', while open; an entry scrolled out of
    // view is empty.
    Rect screenRect() const noexcept { return screenRect_; }
    Rect entryScreenRect(int index) const;
    Rect okScreenRect() const;
    Rect cancelScreenRect() const;
    Rect upScreenRect() const;
    Rect filterScreenRect() const;

private:
    void onEvent(const platform::Event& event) override;
    void press(const platform::Event& event);
    void key(const platform::KeyEvent& key);
    void finish(bool chosen);
    void paint();
    void paintButton(DrawContext& c, Rect r, std::string_view label, bool enabled);
    void keepSelectionVisible();
    int visibleRows() const;
    int entryAt(Point p) const;
    void scroll(int rows);
    Rect toScreen(Rect r) const;

    FrameWindow& frame_;
    FileDialogModel model_;
    std::string title_;
    std::unique_ptr<platform::Window> window_;
    Rect screenRect_;
    int top_ = 0; // first listed entry shown
    int lastClicked_ = -1;
    std::uint32_t lastClickTime_ = 0;
    bool done_ = false;
    bool chosen_ = false;
    BuiltinFileDialog* previous_ = nullptr;
};

} // namespace quovent
