// Atomic replacement with the wide file API: a CREATE_NEW temporary beside the target,
// written and flushed (FlushFileBuffers), then moved over the target with
// MoveFileExW(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH), which returns only once
// the move is on disk.
#include "platform/AtomicFile.hpp"

#include "platform/NativePath.hpp"
#include "platform/win32/WideText.hpp"

#include <windows.h>

#include <atomic>

namespace quovent {

namespace {

namespace fs = std::filesystem;
using platform::NativePath;
using platform::win32::WideText;

constexpr int kNameAttempts = 100;
constexpr DWORD kWriteChunk = 1 << 20;

std::string reason(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD units = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = units > 0 && text != nullptr ? std::wstring(text, units) : std::wstring();
    LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' ||
                             wide.back() == L'.')) {
        wide.pop_back();
    }
    const std::optional<std::string> utf8 = WideText::toUtf8(wide);
    return utf8 && !utf8->empty() ? *utf8 : "error " + std::to_string(error);
}

std::string failure(const fs::path& path, DWORD error) {
    return NativePath::toUtf8(path) + ": " + reason(error);
}

std::wstring apiPath(const fs::path& path) {
    return WideText::pathForApi(NativePath::toUtf8(path));
}

// A name no other writer uses at the same time: the process id and a process-wide counter;
// CREATE_NEW settles the rare clash with a stale file.
HANDLE createTemporary(const fs::path& directory, const fs::path& target, fs::path& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::wstring name = L"." + target.filename().native() + L"." +
                                  std::to_wstring(GetCurrentProcessId()) + L"." +
                                  std::to_wstring(counter.fetch_add(1)) + L".tmp";
        temporary = directory / name;
        HANDLE file = CreateFileW(apiPath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
    SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

bool writeAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk =
            bytes.size() < kWriteChunk ? static_cast<DWORD>(bytes.size()) : kWriteChunk;
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

} // namespace

std::string AtomicFile::write(const fs::path& target, std::string_view bytes) {
    if (target.filename().empty()) {
        return NativePath::toUtf8(target) + ": not a file name";
    }
    const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(L".");
    fs::path temporary;
    HANDLE file = createTemporary(directory, target, temporary);
    if (file == INVALID_HANDLE_VALUE) {
        return failure(directory, GetLastError());
    }
    bool ok = writeAll(file, bytes) && FlushFileBuffers(file);
    DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (!CloseHandle(file) && ok) {
        ok = false;
        error = GetLastError();
    }
    if (ok && !MoveFileExW(apiPath(temporary).c_str(), apiPath(target).c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) {
        DeleteFileW(apiPath(temporary).c_str());
        return failure(target, error);
    }
    return {};
}

} // namespace quovent
