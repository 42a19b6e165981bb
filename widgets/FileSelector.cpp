// File selection: host, desktop or built-in dialog.
#include "widgets/FileSelector.hpp"

#include "widgets/BuiltinFileDialog.hpp"
#include "widgets/DesktopFileDialog.hpp"
#include "widgets/FileDialogModel.hpp"
#include "widgets/FrameHost.hpp"
#include "widgets/FrameWindow.hpp"

#include "platform/Capacities.hpp"

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

std::optional<std::vector<std::string>> FileSelector::runNative(platform::NativeDialogs& native,
                                                                const FileSelectRequest& request) {
    using Kind = platform::NativeDialogs::FileKind;
    platform::NativeDialogs::FileRequest n;
    n.kind = request.command == FileSelectCommand::Save           ? Kind::Save
             : request.command == FileSelectCommand::MultipleLoad ? Kind::MultipleLoad
             : request.command == FileSelectCommand::Directory    ? Kind::Directory
                                                                  : Kind::Load;
    n.title = request.title;
    n.initialPath = request.initialPath;
    n.rootPath = request.rootPath;
    for (const FileType& type : request.types) {
        n.types.emplace_back(type.name, type.extension);
    }
    // The frame takes no clicks while the system's dialog is up; its own loop serves them.
    FrameWindow::InputBlock block(frame_);
    auto paths = native.chooseFiles(&frame_.window(), n);
    if (!paths) {
        return std::nullopt;
    }
    std::vector<std::string> kept;
    for (std::string& path : *paths) {
        // Paths too long for the request's buffer, or outside its root, are left out.
        if (!path.empty() && path.size() < capacity::kFileSelectorPath &&
            (request.rootPath.empty() || FileDialogModel::isInside(request.rootPath, path))) {
            kept.push_back(std::move(path));
        }
    }
    if (request.command != FileSelectCommand::MultipleLoad && kept.size() > 1) {
        kept.resize(1);
    }
    return kept;
}

int FileSelector::runOwnDialog(FileSelectRequest& request) {
    request.results.clear();
    used_ = Used::Nothing;
    if (frame_.isClosing()) {
        return 0;
    }
    FrameWindow::BusyScope busy(frame_);
    if (backend_ != Backend::BuiltIn) {
        if (platform::NativeDialogs* native = frame_.windowSystem().dialogs()) {
            if (auto paths = runNative(*native, request)) {
                used_ = Used::Native;
                request.results = std::move(*paths);
                return frame_.isClosing() ? 0 : static_cast<int>(request.results.size());
            }
        }
    }
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
