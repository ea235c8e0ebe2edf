// The playlist's content: which text each entry gets, the bytes of the lines
// and the choice of encoding. Platform-free; the platform edge supplies the
// code-page conversion (Codec) and does the file work.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "KeptFiles.h"

namespace Playlist {

// Folder text with exactly one trailing "\" (an empty text stays empty).
std::wstring WithBackslash(std::wstring_view folder);

// The folder of a full path, with its trailing "\"; empty when there is none.
std::wstring FolderOf(std::wstring_view path);

// Where the playlist goes: the invoking folder when the caller named one, else
// the folder the shell's view showed, else the first selected file's folder.
// The result ends in "\"; when nothing is known it is "\" (current drive).
std::wstring TargetFolder(std::wstring_view directory, std::wstring_view selectionFolder,
                          std::wstring_view firstPath);

// Appends prefix + name as one entry, with ".\" first where the entry would
// start with "#" or a blank. name is a file name, which holds no "\":
// portable writes "/" for every "\" of prefix, and "./" for that guard.
void AppendEntry(std::wstring& out, std::wstring_view prefix, std::wstring_view name, bool portable = false);

// Forms entries that resolve from the playlist's folder: a file in that
// folder is its bare name, one elsewhere on the same drive or share a
// relative path ("..\Other\x.mp3", "Sub\x.mp3"), anything else its full path.
// With fullPaths every entry is the full path. A file without a known path
// is its bare name. A relative entry that starts with "#" gets ".\" before
// it: players take a line starting with "#" for a comment and skip the file;
// so does one that starts with a blank, which players trim away. portable
// entries have "/" for "\" (phones, media servers and players on other
// systems read "\" as part of a name).
class EntryMaker {
public:
    EntryMaker(std::wstring_view playlistFolder, bool fullPaths, bool portable = false);
    EntryMaker(const EntryMaker&) = delete;
    EntryMaker& operator=(const EntryMaker&) = delete;
    std::wstring operator()(std::wstring_view fullPath, std::wstring_view name);
    // The same entry, appended to out.
    void AppendTo(std::wstring& out, std::wstring_view fullPath, std::wstring_view name);
    // The same for a file named name in fileFolder (with its "\"; empty
    // where the file's path is not known).
    void AppendIn(std::wstring& out, std::wstring_view fileFolder, std::wstring_view name);
    // What stands before the name in the entry of a file in fileFolder (a
    // full folder with its "\"): a relative prefix, or fileFolder itself
    // where the entry is the full path. Give it to AppendEntry with Portable().
    std::wstring_view PrefixIn(std::wstring_view fileFolder);
    bool Portable() const { return portable_; }

private:
    // The relative prefix for fileFolder; null where entries there are full paths.
    const std::wstring* Relative(std::wstring_view fileFolder);

    std::wstring folder_;
    std::wstring rootKey_;                  // empty: the folder's drive is unknown
    std::vector<std::wstring_view> parts_;  // folder names below the root, in folder_
    bool fullPaths_;
    bool portable_;
    // The last file folder seen and what it gave: selections come mostly
    // from one folder.
    std::wstring lastFolder_;
    std::wstring lastPrefix_;
    bool haveLast_ = false;
    bool lastFull_ = false;
};

// The folder (with its "\") that every kept file from slot 1 on lies in;
// empty when they lie in several folders or a name is empty.
std::wstring_view CommonFolder(const KeptFiles& files);

// Inside, every line of a playlist ends in "\n" alone; the bytes get the
// line end the plan chooses.
inline constexpr wchar_t kLineEnd = L'\n';

// The Name option's playlist name for a playlist in folder: the last part of
// the folder's path ("Kind of Blue" in "D:\Music\Kind of Blue\"); "new" at
// the root of a drive or share, for a folder whose drive is unknown, and
// where that part cannot be a file name as it stands.
std::wstring NameAfterFolder(std::wstring_view folder);

// True for the playlists this system writes (".m3u", ".m3u8", any case):
// they are never entries of a playlist of folders.
bool IsPlaylistFile(std::wstring_view name);

// The playlist's lines, each followed by "\n", no header, no blank lines:
// one entry for each file from slot 1 on (slot 0 is the selection's empty
// slot), as entry makes it from the file's full path. oneFolder, when not
// empty, is the folder every file lies in (CommonFolder): those entries share
// one prefix.
std::wstring Lines(const KeptFiles& files, std::wstring_view oneFolder, EntryMaker& entry);

// About how many characters of lines go into one piece.
inline constexpr std::size_t kPieceChars = 32 * 1024;

// A playlist's lines made piece by piece, so that a large playlist need not
// be held whole beside its bytes. Next appends whole lines (about kPieceChars
// characters) to piece and answers false once none are left; Rewind starts
// over.
class LineSource {
public:
    virtual ~LineSource() = default;
    virtual bool Next(std::wstring& piece) = 0;
    virtual void Rewind() = 0;
};

// Lines already made.
class TextLines final : public LineSource {
public:
    explicit TextLines(std::wstring_view text) : text_(text) {}
    bool Next(std::wstring& piece) override;
    void Rewind() override { at_ = 0; }

private:
    std::wstring_view text_;
    std::size_t at_ = 0;
};

// The lines Lines() would make, made as they are asked for.
class KeptLines final : public LineSource {
public:
    KeptLines(const KeptFiles& files, std::wstring_view oneFolder, EntryMaker& entry);
    bool Next(std::wstring& piece) override;
    void Rewind() override { next_ = 1; }

private:
    const KeptFiles& files_;
    std::wstring_view oneFolder_;
    EntryMaker& entry_;
    std::wstring_view prefix_;
    std::size_t next_ = 1;
};

// The playlist's extension for the Format option: 1 is the UTF-8 form.
inline bool IsUtf8Format(int format) { return format == 1; }
inline std::wstring_view Extension(int format) { return IsUtf8Format(format) ? L".m3u8" : L".m3u"; }

enum class Encoding { None, CodePage, Utf8, Utf16Le, Utf16Be };

inline constexpr std::string_view kBom = "\xEF\xBB\xBF";
// The first line of a UTF-8 playlist that is created or replaced.
inline constexpr std::wstring_view kHeader = L"#EXTM3U\n";

// The encoding an existing playlist's bytes are in: UTF-8 when they start
// with its byte-order mark, UTF-16 with one of its two, the code page
// otherwise, None when empty.
Encoding Detect(std::string_view head);

// True when the file's last line has no line end, so that an append must
// start a line of its own first. head is the file's first bytes (up to 3),
// tail its last two (fewer in a shorter file), size its length.
bool EndsInsideALine(Encoding encoding, std::string_view head, std::string_view tail,
                     unsigned long long size);

// How an existing playlist ends its lines: as its first line break does.
enum class LineBreak { None, CrLf, Lf };
LineBreak FirstLineBreak(Encoding encoding, std::string_view bytes);

// The line end of the lines written: an append follows the playlist's own
// first line break; a new or replaced one (or one without a line break yet)
// gets CR LF, or LF alone when portable.
bool UsesCrLf(bool rewrite, LineBreak existing, bool portable);

struct Plan {
    Encoding encoding = Encoding::CodePage;  // of the new lines
    bool crlf = true;         // each line ends in CR LF, else LF alone
    bool bom = false;         // the bytes written start with the byte-order mark
    bool header = false;      // the lines follow the "#EXTM3U" line
    bool rewrite = false;     // the whole file is written anew (else appended to)
    bool convertOld = false;  // the old content comes along, turned into UTF-8
};

// The code page is kept whenever every new line fits it; a new or replaced
// playlist that needs more is UTF-8 with BOM; appending follows the existing
// file, and a code-page file that must take unfit lines becomes UTF-8 with BOM.
// A UTF-16 file takes its new lines in its own form. A UTF-8 playlist
// (utf8Format) is UTF-8 without BOM and starts with the header when it is
// new, replaced or empty.
Plan Decide(bool overwrite, Encoding existing, bool linesFit, bool utf8Format = false);

// The text as UTF-16 bytes in the given byte order, without byte-order mark.
std::string ToUtf16(std::wstring_view text, bool bigEndian);

// Conversion at the platform edge. The two conversions into bytes append to
// their output.
struct Codec {
    bool (*fits)(std::wstring_view);
    void (*toCodePage)(std::wstring_view, std::string&);
    std::wstring (*fromCodePage)(std::string_view);
    void (*toUtf8)(std::wstring_view, std::string&);
};

// Receives the bytes piece by piece, in order.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

// The bytes to write under plan, handed to sink in pieces of whole lines, so
// that no converted copy of all the lines is ever held: the whole file when
// plan.rewrite, else the tail to append. oldContent is read only when
// plan.convertOld. breakFirst starts with a line end (the old last line had
// none). With checkFit, a plan in the code page stops at the first piece
// the code page cannot hold and answers false: the caller, having let go of
// what the sink took, starts again under the plan for lines that do not fit.
// So lines that fit, the usual case, are made once instead of twice.
bool Emit(const Plan& plan, LineSource& lines, std::string_view oldContent, const Codec& codec, ByteSink& sink,
          bool breakFirst = false, bool checkFit = false);
// The same bytes in one text.
std::string Compose(const Plan& plan, std::wstring_view lines, std::string_view oldContent,
                    const Codec& codec);

}  // namespace Playlist
