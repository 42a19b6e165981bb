// The sample operations' questions shown with the widget toolkit while the editor window is
// open: file choices through the toolkit's file selector (the host's selector when it offers
// one, else the desktop's dialog, else the built-in one), folder choices through our own
// folder dialog (the built-in one, held below the root; the desktop's when there is no
// root), and message boxes
// with the caption "quovent v1.0", kept above the host's window. Every dialog is modal for
// the caller, but the frame keeps serving its window and the host's idle meanwhile.
//
// Lifetime: made when the window opens, for that frame. When the host closes the editor
// while a dialog is open, the dialog ends (a question counts as No, a choice as cancelled)
// and later questions are declined at once; the owner should hand the sample operations
// other dialogs before deleting this object. Editor thread only.
#pragma once

#include "editor/SampleDialogs.hpp"
#include "widgets/DialogBackend.hpp"
#include "widgets/FileSelectRequest.hpp"

namespace quovent {

class FrameWindow;

class WidgetDialogs : public SampleDialogs {
public:
    static constexpr const char* kCaption = "quovent v1.0";
    static constexpr const char* kWavTypeName = "wav file";
    static constexpr const char* kWavExtension = "wav";
    static constexpr const char* kBankTypeName = "quovent bank";
    static constexpr const char* kBankExtension = "json";
    static constexpr const char* kExportTitle = "Export groove bank";
    static constexpr const char* kImportTitle = "Import groove bank";

    explicit WidgetDialogs(FrameWindow& frame, DialogBackend backend = dialogs::defaultBackend());

    std::optional<std::string> chooseFolder(const std::string& title,
                                            const std::string& root) override;
    bool askYesNo(const std::string& text) override;
    void showMessage(const std::string& text) override;
    std::optional<std::string> chooseWavFile() override;
    std::optional<std::string> chooseBankFile(FileSelectCommand command,
                                              const std::string& directory) override;

    // The request for locating a missing sample: one file to load, offered as "wav file",
    // no title, no preset path.
    static FileSelectRequest relocationRequest();
    // The request for a folder below root (the whole file system when root is empty).
    static FileSelectRequest folderRequest(const std::string& title, const std::string& root);
    // The request for a bank file to load or save, offered as "quovent bank", starting in
    // directory.
    static FileSelectRequest bankRequest(FileSelectCommand command, const std::string& directory);

private:
    FrameWindow& frame_;
    DialogBackend backend_;
};

} // namespace quovent
