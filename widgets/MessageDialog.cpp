// Message boxes: desktop program or built-in window.
#include "widgets/MessageDialog.hpp"

#include "widgets/BuiltinMessageDialog.hpp"
#include "widgets/DesktopFileDialog.hpp"
#include "widgets/FrameWindow.hpp"

namespace quovent {

MessageDialog::MessageDialog(FrameWindow& frame, DialogBackend backend)
    : frame_(frame), backend_(backend) {}

std::vector<std::string> MessageDialog::arguments(const std::string& program,
                                                  std::string_view caption, std::string_view text,
                                                  Style style) {
    std::vector<std::string> args{program};
    if (program.find("kdialog") != std::string::npos) {
        args.emplace_back("--title");
        args.emplace_back(caption);
        args.emplace_back(style == Style::YesNo   ? "--yesno"
                          : style == Style::Error ? "--error"
                                                  : "--msgbox");
        args.emplace_back(text);
        return args;
    }
    args.emplace_back(style == Style::YesNo   ? "--question"
                      : style == Style::Error ? "--error"
                                              : "--info");
    args.push_back("--title=" + std::string(caption));
    args.push_back("--text=" + std::string(text));
    args.emplace_back("--no-markup"); // paths may hold '<' or '&'
    return args;
}

MessageDialog::Answer MessageDialog::show(std::string_view caption, std::string_view text,
                                          Style style) {
    const Answer fallback = style == Style::YesNo ? Answer::No : Answer::Ok;
    used_ = Used::Nothing;
    if (frame_.isClosing()) {
        return fallback;
    }
    FrameWindow::BusyScope busy(frame_);
    if (backend_ != DialogBackend::BuiltIn) {
        if (platform::NativeDialogs* native = frame_.windowSystem().dialogs()) {
            using NativeStyle = platform::NativeDialogs::MessageStyle;
            FrameWindow::InputBlock block(frame_);
            const auto answer =
                native->message(&frame_.window(), std::string(caption), std::string(text),
                                style == Style::YesNo   ? NativeStyle::YesNo
                                : style == Style::Error ? NativeStyle::Error
                                                        : NativeStyle::Information);
            if (answer) {
                used_ = Used::Native;
                if (style != Style::YesNo || frame_.isClosing()) {
                    return style == Style::YesNo ? Answer::No : Answer::Ok;
                }
                return *answer == platform::NativeDialogs::Answer::Yes ? Answer::Yes : Answer::No;
            }
        }
    }
    const std::string program = dialogs::desktopProgramFor(backend_);
    if (!program.empty()) {
        const auto status = DesktopFileDialog::runProgram(
            frame_, arguments(program, caption, text, style), nullptr);
        if (status && (*status == 0 || *status == 1 || *status == -1)) {
            used_ = Used::Desktop;
            if (style != Style::YesNo) {
                return Answer::Ok;
            }
            return *status == 0 ? Answer::Yes : Answer::No;
        }
    }
    if (frame_.isClosing()) {
        return fallback;
    }
    used_ = Used::BuiltIn;
    BuiltinMessageDialog box(frame_, caption, text, style == Style::YesNo, style == Style::Error);
    const int button = box.run();
    if (style != Style::YesNo) {
        return Answer::Ok;
    }
    return button == 0 ? Answer::Yes : Answer::No;
}

} // namespace quovent
