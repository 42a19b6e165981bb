// Modal message boxes (named so that it never meets the Win32 MessageBox macro): information,
// error, or a yes/no question, with a caption. The system's own where the window system has
// one (Windows: MessageBoxW), else the desktop's (zenity or kdialog) when installed, else the
// toolkit's built-in window; the editor keeps being served while one is open. A
// box that cannot be shown, or whose editor closes meanwhile, answers Ok (or No for a question, so
// nothing is done by default).
#pragma once

#include "widgets/DialogBackend.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace quovent {

class FrameWindow;

class MessageDialog {
public:
    enum class Style { Information, Error, YesNo };
    enum class Answer { Ok, Yes, No };

    explicit MessageDialog(FrameWindow& frame, DialogBackend backend = dialogs::defaultBackend());

    Answer show(std::string_view caption, std::string_view text, Style style);

    // The command line for the desktop program.
    static std::vector<std::string> arguments(const std::string& program, std::string_view caption,
                                              std::string_view text, Style style);

    enum class Used { Nothing, Native, Desktop, BuiltIn };
    Used used() const noexcept { return used_; }

private:
    FrameWindow& frame_;
    DialogBackend backend_;
    Used used_ = Used::Nothing;
};

} // namespace quovent
