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
    {
        const std::string program = dialogs::desktopProgramFor(backend_);
        if (!program.empty()) {
            DesktopFileDialog dialog(program);
            if (auto paths = dialog.run(frame_, request)) {
                used_ = Used::Desktop;
                // The desktop's dialog cannot be held below a root; what it returns from
                // outside the root is not taken.
                std::erase_if(*paths, [&](const std::string& p) {
                    return !FileDialogModel::isInside(p, request.rootPath);
                });
                request.results = std::move(*paths);
                return static_cast<int>(request.results.size());
            }
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
