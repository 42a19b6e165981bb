// The system's dialogs on Windows, with the wide-character calls: the common item dialogs
// (IFileOpenDialog, IFileSaveDialog; FOS_PICKFOLDERS for folders), the shell's folder browser
// (SHBrowseForFolderW) for a folder held below a root, whose namespace root keeps the user
// there, and MessageBoxW. Each is owned by the host's top-level window of the editor.
#pragma once

#include "platform/NativeDialogs.hpp"

namespace quovent::platform::win32 {

class Win32Dialogs final : public NativeDialogs {
public:
    std::optional<std::vector<std::string>> chooseFiles(const Window* owner,
                                                        const FileRequest& request) override;
    std::optional<Answer> message(const Window* owner, const std::string& caption,
                                  const std::string& text, MessageStyle style) override;

    // The filter list of a request: one entry per type (types without an extension left
    // out), "All Types: (...)" combining them when there are several, and "Any Type (*.*)";
    // pairs of shown name and pattern.
    static std::vector<std::pair<std::string, std::string>> filters(const FileRequest& request);
};

} // namespace quovent::platform::win32
