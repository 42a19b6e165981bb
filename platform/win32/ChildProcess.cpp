// Helper programs on Windows. The desktop dialogs they serve on Linux (zenity, kdialog) are
// not what a Windows user has; the Windows editor will use the system's common dialogs,
// so no helper is ever found and the toolkit keeps to its built-in dialogs.
#include "platform/ChildProcess.hpp"

namespace quovent::platform {

ChildProcess::~ChildProcess() {
    kill(); // nothing was ever started
}

bool ChildProcess::start(const std::vector<std::string>& /*argv*/) {
    return false;
}

bool ChildProcess::poll() {
    return false;
}

void ChildProcess::kill() {}

std::string ChildProcess::findProgram(std::string_view /*name*/) {
    return {};
}

} // namespace quovent::platform
