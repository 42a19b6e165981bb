// File selection: host, desktop or built-in dialog.
#include "widgets/FileSelector.hpp"

#include "widgets/BuiltinFileDialog.hpp"
#include "widgets/DesktopFileDialog.hpp"
#include "widgets/FileDialogModel.hpp"
#include "widgets/FrameHost.hpp"
#include "widgets/FrameWindow.hpp"

namespace quovent {
FileSelector::FileSelector(FrameWindow& frame, Backend backend)
    : frame_(frame), host_(frame.host()), backend_(backend) {}

FileSelector::~FileSelector() {
    close();
}

void FileSelector::close() {
    if (hostRequest_ != nullptr) {
        FileSelectRequest* request = hostRequest_;
        hostRequest_ = nullptr;
        host_.closeHostFileSelector(*request);
    }
}

int FileSelector::run(FileSelectRequest& request) {
    request.results.clear();
    used_ = Used::Nothing;
    if (frame_.isClosing()) {
        return 0;
    }
    FrameWindow::BusyScope busy(frame_);
    if (host_.hasHostFileSelector()) {
        used_ = Used::Host;
        hostRequest_ = &request;
        const int count = host_.openHostFileSelector(request);
        return count > 0 ? count : 0;
    }
    return runOwnDialog(request);
}

int FileSelector::runOwnDialog(FileSelectRequest& request) {
    request.results.clear();
    used_ = Used::Nothing;
    if (frame_.isClosing()) {
        return 0;
    }
    FrameWindow::BusyScope busy(frame_);
    // The desktop's dialog cannot be held below a root: such a request goes to ours, so a
    // folder outside the root can never be chosen and then silently dropped.
    const bool rooted = !FileDialogModel::isInside("/", request.rootPath);
    const std::string program = rooted ? std::string() : dialogs::desktopProgramFor(backend_);
    if (!program.empty()) {
        DesktopFileDialog dialog(program);
        if (auto paths = dialog.run(frame_, request)) {
            used_ = Used::Desktop;
            request.results = std::move(*paths);
            return static_cast<int>(request.results.size());
        }
    }
    if (frame_.isClosing()) {
        return 0;
    }
    used_ = Used::BuiltIn;
    BuiltinFileDialog dialog(frame_, request);
    if (!dialog.run()) {
        return 0;
    }
    request.results = dialog.model().results();
    return static_cast<int>(request.results.size());
}

} // namespace quovent
