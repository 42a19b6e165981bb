// Common item dialogs, the shell folder browser and message boxes.
#include "platform/win32/Win32Dialogs.hpp"

#include "platform/Window.hpp"
#include "platform/win32/WideText.hpp"

#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

namespace quovent::platform::win32 {
namespace {

// COM for the calling thread while a dialog is up: joined when the thread has it already,
// else entered and left again.
class ComScope {
public:
    ComScope() noexcept : entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (entered_) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool entered_;
};

template <typename T> void release(T*& p) {
    if (p != nullptr) {
        p->Release();
        p = nullptr;
    }
}

HWND ownerOf(const Window* owner) {
    if (owner == nullptr) {
        return nullptr;
    }
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the HWND carried as an integer
    return GetAncestor(reinterpret_cast<HWND>(owner->nativeHandle()), GA_ROOT);
}

std::optional<std::string> pathOf(IShellItem* item) {
    wchar_t* name = nullptr;
    if (item == nullptr || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &name))) {
        return std::nullopt;
    }
    std::optional<std::string> path = WideText::toUtf8(name);
    CoTaskMemFree(name);
    return path;
}

// A folder held below a root: the shell browser with the root's item as its namespace root.
std::optional<std::vector<std::string>> browseBelow(HWND owner,
                                                    const NativeDialogs::FileRequest& request) {
    const std::optional<std::wstring> root = WideText::fromUtf8(request.rootPath);
    if (!root) {
        return std::nullopt;
    }
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) {
        return std::nullopt;
    }
    PIDLIST_RELATIVE rootItem = nullptr;
    std::wstring rootText = *root;
    const HRESULT parsed =
        desktop->ParseDisplayName(owner, nullptr, rootText.data(), nullptr, &rootItem, nullptr);
    release(desktop);
    if (FAILED(parsed) || rootItem == nullptr) {
        return std::nullopt; // the root is gone: the toolkit's dialog says so
    }
    const std::wstring title = WideText::fromUtf8(request.title).value_or(L"");
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.pidlRoot = reinterpret_cast<PCIDLIST_ABSOLUTE>(rootItem);
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    std::vector<std::string> result;
    if (chosen != nullptr) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(chosen, path)) {
            if (std::optional<std::string> utf8 = WideText::toUtf8(path)) {
                result.push_back(*utf8);
            }
        }
        CoTaskMemFree(chosen);
    }
    CoTaskMemFree(rootItem);
    return result;
}

std::optional<std::vector<std::string>> itemDialog(HWND owner,
                                                   const NativeDialogs::FileRequest& request) {
    const bool save = request.kind == NativeDialogs::FileKind::Save;
    IFileDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog, nullptr,
                                CLSCTX_INPROC_SERVER, IID_IFileDialog,
                                reinterpret_cast<void**>(&dialog)))) {
        return std::nullopt;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    options |= FOS_FORCEFILESYSTEM | FOS_NOCHANGEDIR;
    if (request.kind == NativeDialogs::FileKind::Directory) {
        options |= FOS_PICKFOLDERS;
    } else if (request.kind == NativeDialogs::FileKind::MultipleLoad) {
        options |= FOS_ALLOWMULTISELECT;
    }
    if (!save) {
        options |= FOS_PATHMUSTEXIST;
        if (request.kind != NativeDialogs::FileKind::Directory) {
            options |= FOS_FILEMUSTEXIST;
        }
    }
    dialog->SetOptions(options);
    if (!request.title.empty()) {
        if (const std::optional<std::wstring> title = WideText::fromUtf8(request.title)) {
            dialog->SetTitle(title->c_str());
        }
    }
    if (!request.initialPath.empty()) {
        if (const std::optional<std::wstring> start = WideText::fromUtf8(request.initialPath)) {
            IShellItem* folder = nullptr;
            if (SUCCEEDED(SHCreateItemFromParsingName(start->c_str(), nullptr, IID_IShellItem,
                                                      reinterpret_cast<void**>(&folder)))) {
                dialog->SetFolder(folder);
                release(folder);
            }
        }
    }
    std::vector<std::pair<std::wstring, std::wstring>> wide;
    if (request.kind != NativeDialogs::FileKind::Directory) {
        for (const auto& [name, pattern] : Win32Dialogs::filters(request)) {
            wide.emplace_back(WideText::fromUtf8(name).value_or(L"?"),
                              WideText::fromUtf8(pattern).value_or(L"*.*"));
        }
        std::vector<COMDLG_FILTERSPEC> specs;
        specs.reserve(wide.size());
        for (const auto& [name, pattern] : wide) {
            specs.push_back({name.c_str(), pattern.c_str()});
        }
        if (!specs.empty()) {
            dialog->SetFileTypes(static_cast<UINT>(specs.size()), specs.data());
        }
        if (save && !request.types.empty()) {
            if (const auto ext = WideText::fromUtf8(request.types.front().second)) {
                dialog->SetDefaultExtension(ext->c_str());
            }
        }
    }
    std::vector<std::string> result;
    const HRESULT shown = dialog->Show(owner);
    if (SUCCEEDED(shown)) {
        IFileOpenDialog* open = nullptr;
        if (request.kind == NativeDialogs::FileKind::MultipleLoad &&
            SUCCEEDED(
                dialog->QueryInterface(IID_IFileOpenDialog, reinterpret_cast<void**>(&open)))) {
            IShellItemArray* items = nullptr;
            if (SUCCEEDED(open->GetResults(&items))) {
                DWORD count = 0;
                items->GetCount(&count);
                for (DWORD i = 0; i < count; ++i) {
                    IShellItem* item = nullptr;
                    if (SUCCEEDED(items->GetItemAt(i, &item))) {
                        if (std::optional<std::string> path = pathOf(item)) {
                            result.push_back(*path);
                        }
                        release(item);
                    }
                }
                release(items);
            }
            release(open);
        } else {
            IShellItem* item = nullptr;
            if (SUCCEEDED(dialog->GetResult(&item))) {
                if (std::optional<std::string> path = pathOf(item)) {
                    result.push_back(*path);
                }
                release(item);
            }
        }
    } else if (shown != HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
        release(dialog);
        return std::nullopt; // the dialog failed to come up
    }
    release(dialog);
    return result;
}

} // namespace

std::vector<std::pair<std::string, std::string>> Win32Dialogs::filters(const FileRequest& request) {
    // As the toolkit's own dialog lists them: the types, all of them together when there
    // are several, then any file.
    std::vector<std::pair<std::string, std::string>> list;
    std::string all;
    for (const auto& [name, extension] : request.types) {
        if (extension.empty()) {
            continue;
        }
        const std::string pattern = "*." + extension;
        std::string shown = name;
        shown += " (";
        shown += pattern;
        shown += ")";
        list.emplace_back(std::move(shown), pattern);
        if (!all.empty()) {
            all += ';';
        }
        all += pattern;
    }
    if (list.size() > 1) {
        list.emplace_back("All Types: (" + all + ")", all);
    }
    list.emplace_back("Any Type (*.*)", "*.*");
    return list;
}

std::optional<std::vector<std::string>> Win32Dialogs::chooseFiles(const Window* owner,
                                                                  const FileRequest& request) {
    ComScope com;
    const HWND ownerWindow = ownerOf(owner);
    if (request.kind == FileKind::Directory && !request.rootPath.empty()) {
        return browseBelow(ownerWindow, request);
    }
    return itemDialog(ownerWindow, request);
}

std::optional<NativeDialogs::Answer> Win32Dialogs::message(const Window* owner,
                                                           const std::string& caption,
                                                           const std::string& text,
                                                           MessageStyle style) {
    const std::wstring wideCaption = WideText::fromUtf8(caption).value_or(L"quovent");
    // A text that is not UTF-8 (a path in another encoding) is still shown, byte by byte.
    std::wstring wideText;
    if (const auto converted = WideText::fromUtf8(text)) {
        wideText = *converted;
    } else {
        for (const char c : text) {
            wideText.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        }
    }
    UINT type = MB_OK | MB_ICONINFORMATION;
    if (style == MessageStyle::Error) {
        type = MB_OK | MB_ICONERROR;
    } else if (style == MessageStyle::YesNo) {
        type = MB_YESNO | MB_ICONQUESTION;
    }
    const int answer =
        MessageBoxW(ownerOf(owner), wideText.c_str(), wideCaption.c_str(), type | MB_SETFOREGROUND);
    if (answer == 0) {
        return std::nullopt;
    }
    if (style != MessageStyle::YesNo) {
        return Answer::Ok;
    }
    return answer == IDYES ? Answer::Yes : Answer::No;
}

} // namespace quovent::platform::win32
