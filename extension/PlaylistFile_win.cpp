#include "PlaylistFile.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Codepage.h"
#include "Failure.h"
#include "Playlist.h"

namespace PlaylistFile {
namespace {

class File {
public:
    explicit File(HANDLE h) : h_(h) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { Close(); }
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }
    bool Close() {
        if (!Valid()) return true;
        bool ok = CloseHandle(h_) != FALSE;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

void WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(bytes.size() < (1u << 30) ? bytes.size() : (1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) RaiseSystemError(GetLastError());
        if (written == 0) RaiseSystemError(ERROR_WRITE_FAULT);
        bytes.remove_prefix(written);
    }
}

std::string ReadAll(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) RaiseSystemError(GetLastError());
    if (size.QuadPart > 0x7FFFFFFF) Failure::Raise(Failure::OutOfMemory);
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) RaiseSystemError(GetLastError());
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got,
                      nullptr))
            RaiseSystemError(GetLastError());
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

// A playlist that is read-only or a folder must stay as it is.
void RefuseUnwritable(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
        RaiseSystemError(ERROR_ACCESS_DENIED);
}

// Moves the open file over path (which must be a full path); false when the
// system refuses, and the caller then moves it by name.
bool RenameOver(HANDLE file, const std::wstring& path) {
    const DWORD nameBytes = static_cast<DWORD>(path.size() * sizeof(wchar_t));
    const DWORD size = static_cast<DWORD>(offsetof(FILE_RENAME_INFO, FileName)) + nameBytes + sizeof(wchar_t);
    std::vector<uint64_t> buffer((size + sizeof(uint64_t) - 1) / sizeof(uint64_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = nameBytes;
    std::memcpy(info->FileName, path.c_str(), nameBytes + sizeof(wchar_t));
    return SetFileInformationByHandle(file, FileRenameInfo, info, size) != FALSE;
}

// Writes bytes beside path under a fresh name, then moves it over path.
void Replace(const std::wstring& path, std::string_view bytes) {
    static LONG counter = 0;
    std::wstring folder = Playlist::FolderOf(path);
    std::wstring temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && h == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t unique[40];
        wsprintfW(unique, L"~trk%lx-%lx.tmp", GetCurrentProcessId(),
                  static_cast<unsigned long>(InterlockedIncrement(&counter)) ^ GetTickCount());
        temp = folder + unique;
        // DELETE for the rename through the handle. Without FILE_SHARE_DELETE
        // Wine was measured to slow the next file operations of the process.
        h = CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (h == INVALID_HANDLE_VALUE) RaiseSystemError(GetLastError());
    File file(h);
    DWORD error = ERROR_SUCCESS;
    try {
        WriteAll(file.Get(), bytes);
    } catch (...) {
        file.Close();
        DeleteFileW(temp.c_str());
        throw;
    }
    // Renamed through its own handle while still open: the system need not
    // find and open the file again. Where that is refused, by name. Once
    // renamed, every byte is written and the playlist whole; a failing close
    // can no longer take anything from it.
    const bool renamed = RenameOver(file.Get(), path);
    if (!file.Close() && !renamed) error = GetLastError();
    if (error == ERROR_SUCCESS && !renamed &&
        !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        DeleteFileW(temp.c_str());
        RaiseSystemError(error);
    }
}

bool IsAscii(std::wstring_view text) {
    wchar_t any = 0;
    for (wchar_t c : text) any |= c;
    return any < 0x80;
}

// Valid UTF-8 with at least one byte above ASCII: text that a code page
// would hardly produce by chance.
bool IsUtf8Beyond7Bits(std::string_view bytes) {
    bool high = false;
    for (char c : bytes) high |= static_cast<unsigned char>(c) >= 0x80;
    return high && Codepage::IsUtf8(bytes);
}

const Playlist::Codec kCodec{Codepage::FitsAnsi, Codepage::ToAnsi, Codepage::FromAnsi,
                             Codepage::ToUtf8};

}  // namespace

void RaiseSystemError(unsigned long error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        Failure::Raise(Failure::FileNotFound);
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY:
        Failure::Raise(Failure::PathNotFound);
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        Failure::Raise(Failure::OutOfMemory);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_INVALID_NAME:
        Failure::Raise(Failure::FileAccess);
    default:
        Failure::Raise(Failure::FileAccess, L"system error " + std::to_wstring(error));
    }
}

// True when the file's last byte is not a line end: anything but an empty
// file or a bare byte-order mark.
static bool EndsInsideALine(HANDLE file, std::string_view head) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) RaiseSystemError(GetLastError());
    if (size.QuadPart == 0) return false;
    if (size.QuadPart == static_cast<LONGLONG>(Playlist::kBom.size()) && head == Playlist::kBom)
        return false;
    LARGE_INTEGER back{};
    back.QuadPart = -1;
    char last = 0;
    DWORD got = 0;
    if (!SetFilePointerEx(file, back, nullptr, FILE_END) || !ReadFile(file, &last, 1, &got, nullptr))
        RaiseSystemError(GetLastError());
    return got == 1 && last != '\n';
}

void Write(const std::wstring& path, std::wstring_view lines, bool overwrite) {
    RefuseUnwritable(path);
    // One conversion serves both the test and the common case: the lines fit
    // the code page when they come back from it unchanged. Every ANSI code
    // page holds ASCII as it is, so plain ASCII needs no way back.
    std::string ansi = Codepage::ToAnsi(lines);
    const bool fits = IsAscii(lines) || Codepage::FromAnsi(ansi) == lines;
    if (overwrite) {
        if (fits) {
            Replace(path, ansi);
            return;
        }
        Playlist::Plan plan = Playlist::Decide(true, Playlist::Encoding::None, fits);
        Replace(path, Playlist::Compose(plan, lines, {}, kCodec));
        return;
    }
    File file(CreateFileW(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA, FILE_SHARE_READ, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) RaiseSystemError(GetLastError());
    char head[3] = {};
    DWORD got = 0;
    if (!ReadFile(file.Get(), head, sizeof head, &got, nullptr)) RaiseSystemError(GetLastError());
    Playlist::Plan plan = Playlist::Decide(false, Playlist::Detect({head, got}), fits);
    // A last line without its line end would swallow the first new name.
    std::wstring separated;
    if (EndsInsideALine(file.Get(), {head, got})) {
        separated.reserve(lines.size() + 2);
        separated.append(L"\r\n").append(lines);
        lines = separated;
    }
    if (plan.rewrite) {
        std::string old = ReadAll(file.Get());
        if (plan.convertOld && IsUtf8Beyond7Bits(old)) {
            // Another program's UTF-8 playlist without a byte-order mark:
            // read as the code page its entries would be garbled for good.
            // They stay as they are, and the new ones follow in UTF-8.
            WriteAll(file.Get(), Codepage::ToUtf8(lines));
            if (!file.Close()) RaiseSystemError(GetLastError());
            return;
        }
        file.Close();
        Replace(path, Playlist::Compose(plan, lines, old, kCodec));
        return;
    }
    WriteAll(file.Get(), Playlist::Compose(plan, lines, {}, kCodec));
    if (!file.Close()) RaiseSystemError(GetLastError());
}

}  // namespace PlaylistFile
