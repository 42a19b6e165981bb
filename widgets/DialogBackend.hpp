// Which dialogs the toolkit shows: the desktop's own (zenity or kdialog, run as a separate
// program) when installed, or the toolkit's built-in windows, which always work. The choice
// is process-wide and can be forced (tests force the built-in dialogs). Editor thread only.
#pragma once

#include <string>

namespace quovent {

enum class DialogBackend {
    Automatic, // the desktop's dialog when installed, else the built-in one
    Desktop,   // the desktop's dialog (falls back to the built-in one when it fails)
    BuiltIn,
};

namespace dialogs {

void setDefaultBackend(DialogBackend backend) noexcept;
DialogBackend defaultBackend() noexcept;
// The desktop program to use; empty: search PATH for zenity, then kdialog.
void setDesktopProgram(std::string path);
// The program a desktop dialog runs for this backend: empty for BuiltIn or when none is
// installed.
std::string desktopProgramFor(DialogBackend backend);

} // namespace dialogs
} // namespace quovent
