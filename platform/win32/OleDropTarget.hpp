// The OLE drop target of a toolkit window: takes files (CF_HDROP, shell shortcuts resolved
// to their targets) and plain text (CF_UNICODETEXT), asks the window's handler whether the
// point takes the drop while the drag hovers, and hands the drop over as a Drop event.
// COM reference counted; the window detaches it before revoking the registration, so a
// drag source that still holds a reference reaches no window that has gone.
#pragma once

#include "platform/Event.hpp"

#include <ole2.h>

#include <optional>
#include <string>

namespace quovent::platform::win32 {

class Win32Window;

class OleDropTarget final : public IDropTarget {
public:
    explicit OleDropTarget(Win32Window& window) noexcept : window_(&window) {}
    OleDropTarget(const OleDropTarget&) = delete;
    OleDropTarget& operator=(const OleDropTarget&) = delete;

    void detach() noexcept { window_ = nullptr; }

    // The target of a shell shortcut (".lnk", any letter case) through IShellLinkW; other
    // paths as they are. Nothing when a shortcut cannot be read.
    static std::optional<std::string> resolveShortcut(const std::string& path);
    // What a data object carries: file paths (shortcuts resolved) or a text; nothing when
    // it has neither.
    static std::optional<DropData> readData(IDataObject* data);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL point,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL point,
                                   DWORD* effect) override;

private:
    ~OleDropTarget() = default;
    Point toWindow(POINTL point) const;
    DWORD answer(POINTL point) const;

    Win32Window* window_;
    ULONG references_ = 1;
    int offeredType_ = -1; // DropData type of the hovering drag, -1 when it offers neither
};

} // namespace quovent::platform::win32
