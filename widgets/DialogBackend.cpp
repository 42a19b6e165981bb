// Process-wide dialog settings.
#include "widgets/DialogBackend.hpp"

#include "platform/ChildProcess.hpp"

namespace quovent::dialogs {
namespace {
DialogBackend gDefault = DialogBackend::Automatic;
std::string& program() {
    static std::string path;
    return path;
}
} // namespace

void setDefaultBackend(DialogBackend backend) noexcept {
    gDefault = backend;
}
DialogBackend defaultBackend() noexcept {
    return gDefault;
}
void setDesktopProgram(std::string path) {
    program() = std::move(path);
}

std::string desktopProgramFor(DialogBackend backend) {
    if (backend == DialogBackend::BuiltIn) {
        return {};
    }
    if (!program().empty()) {
        return program();
    }
    std::string found = platform::ChildProcess::findProgram("zenity");
    if (found.empty()) {
        found = platform::ChildProcess::findProgram("kdialog");
    }
    return found;
}

} // namespace quovent::dialogs
