#include "PlaylistFile.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Codepage.h"
#include "Failure.h"
#include "Handles.h"
#include "Playlist.h"
#include "SystemError.h"

namespace PlaylistFile {
namespace {

using Handles::UniqueHandle;

void WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(bytes.size() < (1u << 30) ? bytes.size() : (1u << 30));
        DWORD written = 0;
        if (!Calls().writeFile(file, bytes.data(), chunk, &written, nullptr)) RaiseSystemError(GetLastError());
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

// Closes the file; false (with the error in GetLastError) when that fails.
bool Close(UniqueHandle& file) {
    HANDLE h = file.release();
    return !h || h == INVALID_HANDLE_VALUE || CloseHandle(h) != FALSE;
}

// A playlist that is read-only or a folder must stay as it is.
void RefuseUnwritable(const std::wstring& path) {
    DWORD attributes = Calls().getAttributes(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))
        RaiseSystemError(ERROR_ACCESS_DENIED);
}

// Writes each piece as it comes.
class FileSink final : public Playlist::ByteSink {
public:
    explicit FileSink(HANDLE file) : file_(file) {}
    void Write(std::string_view bytes) override { WriteAll(file_, bytes); }

private:
    HANDLE file_;
};

// What a playlist's bytes are: produced piece by piece into a sink.
struct Content {
    Playlist::Plan plan;
    Playlist::LineSource& lines;
    std::string_view old;     // the old content, where the plan takes it along
    bool breakFirst = false;  // the old last line has no line end
    // A new or replaced playlist planned in the code page before its lines
    // were looked at: where one does not fit, the file starts over in UTF-8.
    bool checkFit = false;
    void WriteTo(HANDLE file) const;
};

// Writes every byte into a file this command created at path; when that
// fails, the file goes again before the failure goes on.
void WriteOrDiscard(UniqueHandle& file, const std::wstring& path, const Content& content) {
    try {
        content.WriteTo(file.get());
    } catch (...) {
        file.reset();
        Calls().deleteFile(path.c_str());
        throw;
    }
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
    return Calls().setInformation(file, FileRenameInfo, info, size) != FALSE;
}

// The folder of path, in the long form ("\\?\C:\...") when a temporary
// name there would pass the path limit that the playlist's own name keeps:
// such a playlist must still be replaceable. The long form takes the path
// as it is, so it is made from the full, normalised path.
std::wstring TemporaryFolder(const std::wstring& path) {
    constexpr size_t kLongestTemporary = 25;  // "~trk" + 8 + "-" + 8 + ".tmp"
    std::wstring folder = Playlist::FolderOf(path);
    if (folder.size() + kLongestTemporary < MAX_PATH) return folder;
    std::wstring full(32768, L'\0');
    const DWORD n = GetFullPathNameW(folder.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) return folder;
    full.resize(n);
    if (full.size() > 2 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
    if (full.rfind(L"\\\\", 0) == 0 && full.size() > 2 && full[2] != L'?' && full[2] != L'.')
        return L"\\\\?\\UNC\\" + full.substr(2);
    return folder;
}

// Writes the content beside path under a fresh name, then moves it over path.
void Replace(const std::wstring& path, const Content& content) {
    static LONG counter = 0;
    const std::wstring folder = TemporaryFolder(path);
    std::wstring temp;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 16 && h == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t unique[40];
        wsprintfW(unique, L"~trk%lx-%lx.tmp", GetCurrentProcessId(),
                  static_cast<unsigned long>(InterlockedIncrement(&counter)) ^ GetTickCount());
        temp = folder + unique;
        // DELETE for the rename through the handle. Without FILE_SHARE_DELETE
        // Wine was measured to slow the next file operations of the process.
        h = Calls().createFile(temp.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (h == INVALID_HANDLE_VALUE) RaiseSystemError(GetLastError());
    UniqueHandle file(h);
    DWORD error = ERROR_SUCCESS;
    WriteOrDiscard(file, temp, content);
    // Renamed through its own handle while still open: the system need not
    // find and open the file again. Where that is refused, by name. Once
    // renamed, every byte is written and the playlist whole; a failing close
    // can no longer take anything from it.
    const bool renamed = RenameOver(file.get(), path);
    if (!Close(file) && !renamed) error = GetLastError();
    if (error == ERROR_SUCCESS && !renamed &&
        !Calls().moveFile(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error != ERROR_SUCCESS) {
        Calls().deleteFile(temp.c_str());
        RaiseSystemError(error);
    }
}

// Writes the content into a file that was just created; a file that could
// not be written whole goes again (nothing was there before it).
void Fill(UniqueHandle& file, const std::wstring& path, const Content& content) {
    WriteOrDiscard(file, path, content);
    if (!Close(file)) {
        const DWORD error = GetLastError();
        Calls().deleteFile(path.c_str());
        RaiseSystemError(error);
    }
}

// Writes bytes at the end (size) of an existing playlist; when that fails
// part-way the playlist is cut back to its old length.
void AppendAt(UniqueHandle& file, unsigned long long size, const Content& content) {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN)) RaiseSystemError(GetLastError());
    try {
        content.WriteTo(file.get());
    } catch (...) {
        if (SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN)) SetEndOfFile(file.get());
        throw;
    }
    if (!Close(file)) RaiseSystemError(GetLastError());
}

// A new playlist: one create of its own name. False when a file or folder of
// that name exists already.
bool CreateNew(const std::wstring& path, const Content& content) {
    UniqueHandle file(Calls().createFile(path.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) return false;
        RaiseSystemError(error);
    }
    Fill(file, path, content);
    return true;
}

// Valid UTF-8 with at least one byte above ASCII: text that a code page
// would hardly produce by chance.
bool IsUtf8Beyond7Bits(std::string_view bytes) {
    bool high = false;
    for (char c : bytes) high |= static_cast<unsigned char>(c) >= 0x80;
    return high && Codepage::IsUtf8(bytes);
}

const Playlist::Codec kCodec{Codepage::FitsAnsi, Codepage::AppendAnsi, Codepage::FromAnsi, Codepage::AppendUtf8};

void Content::WriteTo(HANDLE file) const {
    FileSink sink(file);
    if (Playlist::Emit(plan, lines, old, kCodec, sink, breakFirst, checkFit)) return;
    // The file is this command's own, new or the temporary beside the
    // playlist: emptied, it takes the lines again in UTF-8.
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN) || !SetEndOfFile(file)) RaiseSystemError(GetLastError());
    Playlist::Plan unfit = Playlist::Decide(true, Playlist::Encoding::None, false);
    unfit.crlf = plan.crlf;
    Playlist::Emit(unfit, lines, old, kCodec, sink, breakFirst);
}

// What one pass over the lines tells. Every ANSI code page holds ASCII as
// it is, so plain ASCII needs no test.
struct Survey {
    bool ascii = true, fits = true;
};
Survey Look(Playlist::LineSource& lines, bool askFit) {
    Survey survey;
    std::wstring piece;
    lines.Rewind();
    while (piece.clear(), lines.Next(piece)) {
        if (Codepage::IsAscii(piece)) continue;
        survey.ascii = false;
        if (!askFit) break;
        if (!Codepage::FitsAnsi(piece)) {
            survey.fits = false;
            break;
        }
    }
    return survey;
}

// The plan of a new or replaced playlist, as if its lines fitted the code
// page; writing it learns whether they do (Content::checkFit).
Playlist::Plan NewPlan(bool utf8Format, bool portable) {
    Playlist::Plan plan = Playlist::Decide(true, Playlist::Encoding::None, true, utf8Format);
    plan.crlf = Playlist::UsesCrLf(true, Playlist::LineBreak::None, portable);
    return plan;
}

// How the open playlist breaks its lines: its first line break, looked for
// in its first MiB (a playlist whose first line is longer has none worth
// following).
Playlist::LineBreak FirstLineBreak(HANDLE file, Playlist::Encoding encoding) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) RaiseSystemError(GetLastError());
    constexpr DWORD kPiece = 64 * 1024, kMost = 1024 * 1024;
    std::string bytes;
    while (bytes.size() < kMost) {
        const size_t had = bytes.size();
        bytes.resize(had + kPiece);
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + had, kPiece, &got, nullptr)) RaiseSystemError(GetLastError());
        bytes.resize(had + got);
        if (got == 0) break;
        const Playlist::LineBreak found = Playlist::FirstLineBreak(encoding, bytes);
        if (found != Playlist::LineBreak::None) return found;
    }
    return Playlist::LineBreak::None;
}

}  // namespace

FileCalls& Calls() {
    static FileCalls calls;
    return calls;
}

void RaiseSystemError(unsigned long error) {
    int number = Failure::FileAccess;
    switch (error) {
    case ERROR_FILE_NOT_FOUND: number = Failure::FileNotFound; break;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_DIRECTORY: number = Failure::PathNotFound; break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: number = Failure::OutOfMemory; break;
    }
    throw Failure::Error{number, L"system error " + std::to_wstring(error) + L", " + SystemError::Text(error), error};
}

// The file's last two bytes (fewer when it is shorter) and its size.
static std::string Tail(HANDLE file, unsigned long long& size) {
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file, &length)) RaiseSystemError(GetLastError());
    size = static_cast<unsigned long long>(length.QuadPart);
    char last[2] = {};
    const DWORD want = size < 2 ? static_cast<DWORD>(size) : 2;
    DWORD got = 0;
    LARGE_INTEGER back{};
    back.QuadPart = -static_cast<LONGLONG>(want);
    if (want && (!SetFilePointerEx(file, back, nullptr, FILE_END) || !ReadFile(file, last, want, &got, nullptr)))
        RaiseSystemError(GetLastError());
    return std::string(last, got);
}

void Write(const std::wstring& path, std::wstring_view lines, bool overwrite, bool utf8Format, bool portable) {
    Playlist::TextLines text(lines);
    Write(path, text, overwrite, utf8Format, portable);
}

void Write(const std::wstring& path, Playlist::LineSource& lines, bool overwrite, bool utf8Format, bool portable) {
    if (overwrite) {
        const Content content{NewPlan(utf8Format, portable), lines, {}, false, !utf8Format};
        if (CreateNew(path, content)) return;
        RefuseUnwritable(path);
        Replace(path, content);
        return;
    }
    // One open. Windows refuses it for a read-only file; Wine, with the
    // rights of its Unix user, may not, so the open file's mark is asked too.
    // Write access beside append: a write that fails part-way is cut off again.
    UniqueHandle file(Calls().createFile(path.c_str(), FILE_APPEND_DATA | FILE_WRITE_DATA | FILE_READ_DATA,
                                         FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) RaiseSystemError(GetLastError());
    const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!created && GetFileInformationByHandle(file.get(), &information) &&
        (information.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        RaiseSystemError(ERROR_ACCESS_DENIED);
    char head[3] = {};
    DWORD got = 0;
    if (!ReadFile(file.get(), head, sizeof head, &got, nullptr)) RaiseSystemError(GetLastError());
    const Playlist::Encoding existing = Playlist::Detect({head, got});
    // Only a playlist in the code page, or a new one, asks whether the lines fit.
    const Survey survey = Look(lines, !utf8Format && (existing == Playlist::Encoding::CodePage ||
                                                       existing == Playlist::Encoding::None));
    const bool fits = utf8Format ||
                      (existing != Playlist::Encoding::CodePage && existing != Playlist::Encoding::None) ||
                      survey.fits;
    Playlist::Plan plan = Playlist::Decide(false, existing, fits, utf8Format);
    plan.crlf = Playlist::UsesCrLf(false, created ? Playlist::LineBreak::None : FirstLineBreak(file.get(), existing),
                                   portable);
    // A last line without its line end would swallow the first new name.
    unsigned long long size = 0;
    const std::string tail = Tail(file.get(), size);
    const bool breakFirst = Playlist::EndsInsideALine(existing, {head, got}, tail, size);
    // A UTF-8 playlist without a byte-order mark (another program's, or one
    // that earlier appends kept so) reads as the code page: new lines in the
    // code page would mix two encodings in it, and converting it would garble
    // its entries for good. Its entries stay as they are, and new lines that
    // are not plain ASCII follow in UTF-8.
    const bool mayBeUtf8 = existing == Playlist::Encoding::CodePage && !utf8Format && !survey.ascii;
    const std::string old = mayBeUtf8 || plan.rewrite ? ReadAll(file.get()) : std::string();
    const bool keptUtf8 = mayBeUtf8 && IsUtf8Beyond7Bits(old);
    if (plan.rewrite && !keptUtf8) {
        file.reset();
        Replace(path, Content{plan, lines, old, breakFirst});
        return;
    }
    if (keptUtf8) plan = Playlist::Plan{Playlist::Encoding::Utf8, plan.crlf};
    const Content content{plan, lines, {}, breakFirst};
    if (created) {
        Fill(file, path, content);
        return;
    }
    AppendAt(file, size, content);
}

}  // namespace PlaylistFile
