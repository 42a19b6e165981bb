// OLE drops: file lists, shell shortcuts and text.
#include "platform/win32/OleDropTarget.hpp"

#include "platform/Capacities.hpp"
#include "platform/win32/WideText.hpp"
#include "platform/win32/Win32Window.hpp"

#include <shlobj.h>
#include <shobjidl.h>

#include <cwctype>
#include <vector>

namespace quovent::platform::win32 {
namespace {

// Longest path a drop item or a shortcut's target may have, in UTF-16 units.
constexpr UINT kPathUnits = static_cast<UINT>(capacity::kDropPathText);

FORMATETC format(CLIPFORMAT clip) {
    return FORMATETC{clip, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
}

bool offers(IDataObject* data, CLIPFORMAT clip) {
    FORMATETC f = format(clip);
    return data != nullptr && data->QueryGetData(&f) == S_OK;
}

bool isShortcut(const std::wstring& path) {
    static constexpr wchar_t kSuffix[] = L".lnk";
    constexpr std::size_t kLength = 4;
    if (path.size() < kLength) {
        return false;
    }
    for (std::size_t i = 0; i < kLength; ++i) {
        const auto c = static_cast<wchar_t>(std::towlower(path[path.size() - kLength + i]));
        if (c != kSuffix[i]) {
            return false;
        }
    }
    return true;
}

std::optional<std::wstring> shortcutTarget(const std::wstring& path) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return std::nullopt;
    }
    std::optional<std::wstring> target;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            std::vector<wchar_t> buffer(kPathUnits, L'\0');
            if (link->GetPath(buffer.data(), static_cast<int>(buffer.size()), nullptr, 0) == S_OK &&
                buffer[0] != L'\0') {
                target = std::wstring(buffer.data());
            }
        }
        file->Release();
    }
    link->Release();
    return target;
}

} // namespace

std::optional<std::string> OleDropTarget::resolveShortcut(const std::string& path) {
    const std::optional<std::wstring> wide = WideText::fromUtf8(path);
    if (!wide) {
        return std::nullopt;
    }
    if (!isShortcut(*wide)) {
        return path;
    }
    const std::optional<std::wstring> target = shortcutTarget(*wide);
    if (!target) {
        return std::nullopt;
    }
    return WideText::toUtf8(*target);
}

std::optional<DropData> OleDropTarget::readData(IDataObject* data) {
    if (data == nullptr) {
        return std::nullopt;
    }
    DropData drop;
    FORMATETC files = format(CF_HDROP);
    STGMEDIUM medium{};
    if (data->GetData(&files, &medium) == S_OK) {
        auto* list = static_cast<HDROP>(GlobalLock(medium.hGlobal));
        if (list != nullptr) {
            const UINT count = DragQueryFileW(list, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < count && drop.items.size() <
                                              static_cast<std::size_t>(capacity::kDirectoryEntries);
                 ++i) {
                const UINT units = DragQueryFileW(list, i, nullptr, 0);
                if (units == 0 || units >= kPathUnits) {
                    continue; // too long for a sample path: left out, never cut
                }
                std::wstring path(units + 1, L'\0');
                DragQueryFileW(list, i, path.data(), units + 1);
                path.resize(units);
                const std::optional<std::string> utf8 = WideText::toUtf8(path);
                if (!utf8) {
                    continue;
                }
                if (const std::optional<std::string> resolved = resolveShortcut(*utf8)) {
                    drop.items.push_back(*resolved);
                }
            }
            GlobalUnlock(medium.hGlobal);
        }
        ReleaseStgMedium(&medium);
        drop.type = DropData::kFiles;
        return drop.items.empty() ? std::nullopt : std::optional<DropData>(drop);
    }
    FORMATETC text = format(CF_UNICODETEXT);
    if (data->GetData(&text, &medium) == S_OK) {
        const auto* chars = static_cast<const wchar_t*>(GlobalLock(medium.hGlobal));
        if (chars != nullptr) {
            const SIZE_T units = GlobalSize(medium.hGlobal) / sizeof(wchar_t);
            std::wstring value(chars, units);
            value.resize(value.find(L'\0') == std::wstring::npos ? value.size()
                                                                 : value.find(L'\0'));
            GlobalUnlock(medium.hGlobal);
            if (const std::optional<std::string> utf8 = WideText::toUtf8(value)) {
                drop.type = DropData::kText;
                drop.items.push_back(*utf8);
            }
        }
        ReleaseStgMedium(&medium);
        return drop.items.empty() ? std::nullopt : std::optional<DropData>(drop);
    }
    return std::nullopt;
}

HRESULT OleDropTarget::QueryInterface(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG OleDropTarget::AddRef() {
    return ++references_;
}

ULONG OleDropTarget::Release() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

Point OleDropTarget::toWindow(POINTL point) const {
    POINT p{point.x, point.y};
    ScreenToClient(window_->hwnd(), &p);
    return window_->toUnits({p.x, p.y});
}

DWORD OleDropTarget::answer(POINTL point) const {
    if (window_ == nullptr || offeredType_ < 0) {
        return DROPEFFECT_NONE;
    }
    return window_->handler().acceptsDrop(toWindow(point), offeredType_) ? DROPEFFECT_COPY
                                                                         : DROPEFFECT_NONE;
}

HRESULT OleDropTarget::DragEnter(IDataObject* data, DWORD /*keys*/, POINTL point, DWORD* effect) {
    offeredType_ = offers(data, CF_HDROP)         ? DropData::kFiles
                   : offers(data, CF_UNICODETEXT) ? DropData::kText
                                                  : -1;
    if (effect != nullptr) {
        *effect = answer(point) & *effect;
    }
    return S_OK;
}

HRESULT OleDropTarget::DragOver(DWORD /*keys*/, POINTL point, DWORD* effect) {
    if (effect != nullptr) {
        *effect = answer(point) & *effect;
    }
    return S_OK;
}

HRESULT OleDropTarget::DragLeave() {
    offeredType_ = -1;
    return S_OK;
}

HRESULT OleDropTarget::Drop(IDataObject* data, DWORD /*keys*/, POINTL point, DWORD* effect) {
    offeredType_ = -1;
    if (effect != nullptr) {
        *effect = DROPEFFECT_NONE;
    }
    if (window_ == nullptr) {
        return S_OK;
    }
    const std::optional<DropData> drop = readData(data);
    if (!drop) {
        return S_OK;
    }
    if (effect != nullptr) {
        *effect = DROPEFFECT_COPY;
    }
    Event e;
    e.type = EventType::Drop;
    e.position = toWindow(point);
    e.drop = &*drop;
    // Hold ourselves: the handler may close the editor and with it the window.
    AddRef();
    window_->handler().onEvent(e);
    Release();
    return S_OK;
}

} // namespace quovent::platform::win32
