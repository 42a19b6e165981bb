// Sample dialogs on the widget toolkit.
#include "editor/WidgetDialogs.hpp"

#include "widgets/FileSelector.hpp"
#include "widgets/MessageDialog.hpp"

namespace quovent {

WidgetDialogs::WidgetDialogs(FrameWindow& frame, DialogBackend backend)
    : frame_(frame), backend_(backend) {}

FileSelectRequest WidgetDialogs::relocationRequest() {
    FileSelectRequest request;
    request.command = FileSelectCommand::Load;
    request.types = {{kWavTypeName, kWavExtension}};
    return request;
}

FileSelectRequest WidgetDialogs::folderRequest(const std::string& title, const std::string& root) {
    FileSelectRequest request;
    request.command = FileSelectCommand::Directory;
    request.title = title;
    request.rootPath = root;
    request.initialPath = root;
    return request;
}

FileSelectRequest WidgetDialogs::bankRequest(FileSelectCommand command,
                                             const std::string& directory) {
    FileSelectRequest request;
    request.command = command;
    request.title = command == FileSelectCommand::Save ? kExportTitle : kImportTitle;
    request.initialPath = directory;
    request.types = {{kBankTypeName, kBankExtension}};
    return request;
}

// Nothing below touches this object once a dialog has returned: the host may close the
// editor from inside a dialog, and the owner may then let go of this object.

std::optional<std::string> WidgetDialogs::chooseFolder(const std::string& title,
                                                       const std::string& root) {
    FileSelectRequest request = folderRequest(title, root);
    FileSelector selector(frame_, backend_);
    // Never the host's selector: it cannot be held below the root, and hosts offer it for
    // files. The dialog used keeps to the root, so whatever it answers is taken.
    const int count = selector.runOwnDialog(request);
    if (count <= 0 || request.results.empty() || request.results.front().empty()) {
        return std::nullopt;
    }
    return request.results.front();
}

bool WidgetDialogs::askYesNo(const std::string& text) {
    MessageDialog box(frame_, backend_);
    return box.show(kCaption, text, MessageDialog::Style::YesNo) == MessageDialog::Answer::Yes;
}

void WidgetDialogs::showMessage(const std::string& text) {
    MessageDialog box(frame_, backend_);
    box.show(kCaption, text, MessageDialog::Style::Information);
}

std::optional<std::string> WidgetDialogs::chooseWavFile() {
    FileSelectRequest request = relocationRequest();
    FileSelector selector(frame_, backend_);
    const int count = selector.run(request);
    // The host is told the selection was consumed whatever came of it.
    selector.close();
    if (count <= 0 || request.results.empty() || request.results.front().empty()) {
        return std::nullopt;
    }
    return request.results.front();
}

std::optional<std::string> WidgetDialogs::chooseBankFile(FileSelectCommand command,
                                                         const std::string& directory) {
    FileSelectRequest request = bankRequest(command, directory);
    FileSelector selector(frame_, backend_);
    const int count = selector.run(request);
    selector.close();
    if (count <= 0 || request.results.empty() || request.results.front().empty()) {
        return std::nullopt;
    }
    return request.results.front();
}

} // namespace quovent
