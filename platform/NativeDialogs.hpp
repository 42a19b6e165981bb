// The operating system's own modal dialogs, where a window system offers them (Windows: the
// common item dialogs, the shell's folder browser and message boxes). The toolkit prefers
// them to its built-in windows; a window system without them answers null from dialogs().
// Each call returns once the user has answered; the system's own loop serves the thread's
// messages meanwhile. Editor thread only.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quovent::platform {

class Window;

class NativeDialogs {
public:
    enum class FileKind { Load, Save, MultipleLoad, Directory };
    struct FileRequest {
        FileKind kind = FileKind::Load;
        std::string title;
        std::string initialPath; // a directory to start in; empty for the system's choice
        // Only this directory and what lies below it can be chosen; empty for anywhere.
        std::string rootPath;
        std::vector<std::pair<std::string, std::string>> types; // name, extension without dot
    };
    enum class MessageStyle { Information, Error, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~NativeDialogs() = default;

    // The chosen paths (UTF-8), empty when cancelled; nullopt when no dialog could be shown,
    // so the caller can fall back to another one.
    virtual std::optional<std::vector<std::string>> chooseFiles(const Window* owner,
                                                                const FileRequest& request) = 0;
    virtual std::optional<Answer> message(const Window* owner, const std::string& caption,
                                          const std::string& text, MessageStyle style) = 0;
};

} // namespace quovent::platform
