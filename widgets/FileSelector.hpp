// Runs one file selection. The host's own selector is used when the host offers it (it
// answers both "openFileSelector" and "closeFileSelector"); otherwise the system's own
// dialog where the window system has one (Windows); otherwise the desktop's dialog
// (zenity or kdialog) when one is installed and the request has no root to keep below;
// otherwise the toolkit's built-in dialog, which always works. The backend choice can be
// forced (tests force the built-in dialog).
#pragma once

#include "widgets/DialogBackend.hpp"
#include "widgets/FileSelectRequest.hpp"

#include <optional>
#include <string>
#include <vector>

namespace quovent {
namespace platform {
class NativeDialogs;
}

class FrameHost;
class FrameWindow;

class FileSelector {
public:
    using Backend = DialogBackend;

    // The process-wide choice (shared with message boxes) and the desktop program to use.
    static void setDefaultBackend(Backend backend) noexcept { dialogs::setDefaultBackend(backend); }
    static void setDesktopProgram(std::string path) { dialogs::setDesktopProgram(std::move(path)); }

    explicit FileSelector(FrameWindow& frame, Backend backend = dialogs::defaultBackend());
    // Closes the selection (tells the host it was consumed).
    ~FileSelector();
    FileSelector(const FileSelector&) = delete;
    FileSelector& operator=(const FileSelector&) = delete;

    // Shows the selector and waits. The result is the number of chosen paths, 0 when
    // cancelled; the paths are in request.results.
    int run(FileSelectRequest& request);
    // As run, but never the host's selector: the system's dialog where there is one (it
    // keeps to a root itself), else the desktop's dialog, or the built-in one when the
    // request has a root (the desktop's dialog cannot be held below a directory).
    int runOwnDialog(FileSelectRequest& request);
    // Tells the host that its result has been consumed (once; the destructor does it too).
    void close();

    // Which way the last run went, for tests and diagnostics.
    enum class Used { Nothing, Host, Native, Desktop, BuiltIn };
    Used used() const noexcept { return used_; }

private:
    // The system's dialog; nullopt when it could not be shown.
    std::optional<std::vector<std::string>> runNative(platform::NativeDialogs& native,
                                                      const FileSelectRequest& request);

    FrameWindow& frame_;
    FrameHost& host_; // kept apart: close() may run after the frame is gone
    Backend backend_;
    Used used_ = Used::Nothing;
    FileSelectRequest* hostRequest_ = nullptr;
};

} // namespace quovent
