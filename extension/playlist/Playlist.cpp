#include "Playlist.h"


#include "FileNameRule.h"
#include "NoCase.h"

namespace Playlist {
namespace {

constexpr wchar_t kSep = L'\\';

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

struct Split {
    std::wstring key;        // comparable form: "C:" or "\\server\share"
    std::wstring_view rest;  // after the root
};

// "\\server\share" of text starting at the server name.
std::size_t ShareLength(std::wstring_view text) {
    auto server = text.find(kSep);
    if (server == std::wstring_view::npos || server == 0) return 0;
    auto share = text.find(kSep, server + 1);
    if (share == server + 1) return 0;
    return share == std::wstring_view::npos ? text.size() : share;
}

Split SplitRoot(std::wstring_view path) {
    Split s;
    std::wstring_view body = path;
    std::size_t skip = 0;
    bool unc = false;
    if (StartsWith(path, L"\\\\?\\") || StartsWith(path, L"\\\\.\\")) {
        skip = 4;
        body = path.substr(4);
        if (body.size() >= 4 && NoCase::SameFolded(body.substr(0, 4), L"UNC\\")) {
            skip += 4;
            body = body.substr(4);
            unc = true;
        }
    } else if (StartsWith(path, L"\\\\")) {
        skip = 2;
        body = path.substr(2);
        unc = true;
    }
    std::size_t len = 0;
    if (unc) {
        len = ShareLength(body);
        if (len == 0) return s;
        s.key = L"\\\\" + std::wstring(body.substr(0, len));
    } else if (body.size() >= 2 && IsLetter(body[0]) && body[1] == L':') {
        len = 2;
        s.key = std::wstring(body.substr(0, 2));
    } else {
        return s;
    }
    s.rest = path.substr(skip + len);
    return s;
}

std::vector<std::wstring_view> Parts(std::wstring_view rest) {
    std::vector<std::wstring_view> parts;
    std::size_t start = 0;
    while (start <= rest.size()) {
        auto end = rest.find(kSep, start);
        if (end == std::wstring_view::npos) end = rest.size();
        std::wstring_view part = rest.substr(start, end - start);
        // "." and ".." as a caller may write them in a folder text.
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return parts;
}

}  // namespace

std::wstring WithBackslash(std::wstring_view folder) {
    std::wstring out(folder);
    if (!out.empty() && out.back() != kSep) out += kSep;
    return out;
}

std::wstring FolderOf(std::wstring_view path) {
    auto slash = path.find_last_of(kSep);
    if (slash == std::wstring_view::npos) return {};
    return std::wstring(path.substr(0, slash + 1));
}

std::wstring TargetFolder(std::wstring_view directory, std::wstring_view selectionFolder,
                          std::wstring_view firstPath) {
    if (!directory.empty()) return WithBackslash(directory);
    if (!selectionFolder.empty()) return WithBackslash(selectionFolder);
    std::wstring folder = FolderOf(firstPath);
    return folder.empty() ? std::wstring(1, kSep) : folder;
}

EntryMaker::EntryMaker(std::wstring_view playlistFolder, bool fullPaths, bool portable)
    : folder_(playlistFolder), fullPaths_(fullPaths), portable_(portable) {
    Split s = SplitRoot(folder_);
    rootKey_ = std::move(s.key);
    parts_ = Parts(s.rest);
}

std::wstring EntryMaker::operator()(std::wstring_view fullPath, std::wstring_view name) {
    std::wstring entry;
    AppendTo(entry, fullPath, name);
    return entry;
}

const std::wstring* EntryMaker::Relative(std::wstring_view fileFolder) {
    if (fullPaths_ || rootKey_.empty()) return nullptr;
    if (!haveLast_ || fileFolder != lastFolder_) {
        haveLast_ = true;
        lastFolder_.assign(fileFolder);
        lastPrefix_.clear();
        Split s = SplitRoot(lastFolder_);
        lastFull_ = s.key.empty() || !NoCase::SameFolded(s.key, rootKey_);
        if (!lastFull_) {
            auto parts = Parts(s.rest);
            std::size_t common = 0;
            while (common < parts.size() && common < parts_.size() &&
                   NoCase::SameFolded(parts[common], parts_[common]))
                ++common;
            for (std::size_t up = common; up < parts_.size(); ++up) lastPrefix_ += L"..\\";
            for (std::size_t down = common; down < parts.size(); ++down)
                lastPrefix_.append(parts[down]).push_back(kSep);
        }
    }
    return lastFull_ ? nullptr : &lastPrefix_;
}

std::wstring_view EntryMaker::PrefixIn(std::wstring_view fileFolder) {
    const std::wstring* relative = Relative(fileFolder);
    return relative ? std::wstring_view(*relative) : fileFolder;
}

namespace {

// The entry from start on with "/" for "\".
void MakePortable(std::wstring& out, std::size_t start) {
    for (std::size_t i = start; i < out.size(); ++i)
        if (out[i] == kSep) out[i] = L'/';
}

}  // namespace

void AppendEntry(std::wstring& out, std::wstring_view prefix, std::wstring_view name, bool portable) {
    const std::wstring_view first = prefix.empty() ? name : prefix;
    const std::size_t start = out.size();
    // A player reads a line that starts with "#" as a comment, and trims the
    // blanks a line starts with.
    if (!first.empty() && (first.front() == L'#' || first.front() == L' ')) out.append(L".\\");
    out.append(prefix);
    // A file name holds no "\": only what stands before it can change.
    if (portable) MakePortable(out, start);
    out.append(name);
}

void EntryMaker::AppendTo(std::wstring& out, std::wstring_view fullPath, std::wstring_view name) {
    AppendIn(out, fullPath.substr(0, fullPath.find_last_of(kSep) + 1), name);
}

void EntryMaker::AppendIn(std::wstring& out, std::wstring_view fileFolder, std::wstring_view name) {
    if (fileFolder.empty()) {
        AppendEntry(out, {}, name, portable_);
        return;
    }
    if (const std::wstring* relative = Relative(fileFolder)) {
        AppendEntry(out, *relative, name, portable_);
        return;
    }
    // A full path: only its folder can hold a "\".
    const std::size_t start = out.size();
    out.append(fileFolder);
    if (portable_) MakePortable(out, start);
    out.append(name);
}

std::wstring NameAfterFolder(std::wstring_view folder) {
    const Split s = SplitRoot(folder);
    if (s.key.empty()) return L"new";
    const std::vector<std::wstring_view> parts = Parts(s.rest);
    if (parts.empty()) return L"new";
    const std::wstring_view last = parts.back();
    // By the prompt's rule, which also refuses the blanks and dots that the
    // system would cut off the end of a name.
    if (FileNameRule::Check(last, L".m3u", {}, nullptr) != FileNameRule::Verdict::Fine) return L"new";
    return std::wstring(last);
}

bool IsPlaylistFile(std::wstring_view name) {
    const std::size_t dot = name.rfind(L'.');
    if (dot == std::wstring_view::npos) return false;
    const std::wstring_view extension = name.substr(dot);
    return NoCase::SameFolded(extension, L".m3u") || NoCase::SameFolded(extension, L".m3u8");
}

std::wstring_view CommonFolder(const KeptFiles& files) {
    if (files.size() < 2) return {};
    const std::wstring_view folder = files.Folder(1);
    if (folder.empty() || folder.back() != kSep) return {};
    for (std::size_t i = 1; i < files.size(); ++i)
        if (files.Name(i).empty() || files.Folder(i) != folder) return {};
    return folder;
}

std::wstring Lines(const KeptFiles& files, std::wstring_view oneFolder, EntryMaker& entry) {
    const std::wstring_view prefix = oneFolder.empty() ? std::wstring_view() : entry.PrefixIn(oneFolder);
    std::size_t size = 0;
    for (std::size_t i = 1; i < files.size(); ++i) size += prefix.size() + files.Name(i).size() + 1;
    // About exact for one folder; entries of several may take relative prefixes.
    std::wstring lines;
    lines.reserve(oneFolder.empty() ? size + size / 4 : size);
    KeptLines source(files, oneFolder, entry);
    while (source.Next(lines)) {
    }
    return lines;
}

bool TextLines::Next(std::wstring& piece) {
    if (at_ >= text_.size()) return false;
    std::size_t take = text_.size() - at_;
    if (take > kPieceChars) {
        const std::size_t end = text_.find(kLineEnd, at_ + kPieceChars);
        take = end == std::wstring_view::npos ? text_.size() - at_ : end + 1 - at_;
    }
    piece.append(text_.substr(at_, take));
    at_ += take;
    return true;
}

KeptLines::KeptLines(const KeptFiles& files, std::wstring_view oneFolder, EntryMaker& entry)
    : files_(files), oneFolder_(oneFolder), entry_(entry),
      prefix_(oneFolder.empty() ? std::wstring_view() : entry.PrefixIn(oneFolder)) {}

bool KeptLines::Next(std::wstring& piece) {
    if (next_ >= files_.size()) return false;
    const std::size_t start = piece.size();
    for (; next_ < files_.size() && piece.size() - start < kPieceChars; ++next_) {
        const std::wstring_view name = files_.Name(next_);
        if (!oneFolder_.empty())
            AppendEntry(piece, name.empty() ? std::wstring_view() : prefix_, name, entry_.Portable());
        else
            entry_.AppendIn(piece, files_.Folder(next_), name);
        piece += kLineEnd;
    }
    return true;
}

Encoding Detect(std::string_view head) {
    if (head.empty()) return Encoding::None;
    if (head.substr(0, kBom.size()) == kBom) return Encoding::Utf8;
    if (head.substr(0, 2) == "\xFF\xFE") return Encoding::Utf16Le;
    if (head.substr(0, 2) == "\xFE\xFF") return Encoding::Utf16Be;
    return Encoding::CodePage;
}

bool EndsInsideALine(Encoding encoding, std::string_view head, std::string_view tail,
                     unsigned long long size) {
    if (size == 0 || tail.empty()) return false;
    switch (encoding) {
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        if (size <= 2) return false;  // the byte-order mark alone
        const std::string_view lineFeed =
            encoding == Encoding::Utf16Le ? std::string_view("\n\0", 2) : std::string_view("\0\n", 2);
        return tail != lineFeed;
    }
    case Encoding::Utf8:
        if (size == kBom.size() && head == kBom) return false;
        [[fallthrough]];
    default:
        return tail.back() != '\n';
    }
}

std::string ToUtf16(std::wstring_view text, bool bigEndian) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    auto unit = [&](unsigned u) {
        const char high = static_cast<char>((u >> 8) & 0xFF), low = static_cast<char>(u & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    };
    for (wchar_t c : text) {
        const auto u = static_cast<unsigned long>(c);
        if (u > 0xFFFF && u <= 0x10FFFF) {  // where wchar_t holds whole code points
            unit(0xD800 + ((u - 0x10000) >> 10));
            unit(0xDC00 + ((u - 0x10000) & 0x3FF));
        } else {
            unit(static_cast<unsigned>(u));
        }
    }
    return bytes;
}

Plan Decide(bool overwrite, Encoding existing, bool linesFit, bool utf8Format) {
    Plan plan;
    if (!overwrite && (existing == Encoding::Utf16Le || existing == Encoding::Utf16Be)) {
        plan.encoding = existing;
        return plan;
    }
    if (utf8Format) {
        plan.encoding = Encoding::Utf8;
        plan.header = overwrite || existing == Encoding::None;
        plan.rewrite = overwrite;
        return plan;
    }
    if (overwrite || existing == Encoding::None) {
        plan.encoding = linesFit ? Encoding::CodePage : Encoding::Utf8;
        plan.bom = !linesFit;
        plan.rewrite = overwrite;
        return plan;
    }
    if (existing == Encoding::Utf8) {
        plan.encoding = Encoding::Utf8;
        return plan;
    }
    if (linesFit) return plan;
    plan.encoding = Encoding::Utf8;
    plan.bom = true;
    plan.rewrite = true;
    plan.convertOld = true;
    return plan;
}

LineBreak FirstLineBreak(Encoding encoding, std::string_view bytes) {
    if (encoding == Encoding::Utf16Le || encoding == Encoding::Utf16Be) {
        const bool le = encoding == Encoding::Utf16Le;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            if (bytes[i + (le ? 1 : 0)] != '\0' || bytes[i + (le ? 0 : 1)] != '\n') continue;
            const bool cr = i >= 4 && bytes[i - 2 + (le ? 1 : 0)] == '\0' && bytes[i - 2 + (le ? 0 : 1)] == '\r';
            return cr ? LineBreak::CrLf : LineBreak::Lf;
        }
        return LineBreak::None;
    }
    const std::size_t lf = bytes.find('\n');
    if (lf == std::string_view::npos) return LineBreak::None;
    return lf > 0 && bytes[lf - 1] == '\r' ? LineBreak::CrLf : LineBreak::Lf;
}

bool UsesCrLf(bool rewrite, LineBreak existing, bool portable) {
    if (!rewrite && existing != LineBreak::None) return existing == LineBreak::CrLf;
    return !portable;
}

namespace {

// Converts pieces of whole lines, each with its line ends.
class Pieces {
public:
    Pieces(const Plan& plan, const Codec& codec, ByteSink& sink) : plan_(plan), codec_(codec), sink_(sink) {}

    // False, with nothing written, when the plan asks for the code page,
    // checkFit is set and the text does not fit it.
    bool Put(std::wstring_view text, bool checkFit = false) {
        if (checkFit && plan_.encoding == Encoding::CodePage && !codec_.fits(text)) return false;
        std::wstring_view piece = text;
        if (plan_.crlf) {
            wide_.clear();
            for (std::size_t at = 0; at < text.size();) {
                std::size_t end = text.find(kLineEnd, at);
                if (end == std::wstring_view::npos) end = text.size();
                wide_.append(text.substr(at, end - at));
                if (end < text.size()) wide_.append(L"\r\n");
                at = end + 1;
            }
            piece = wide_;
        }
        bytes_.clear();
        switch (plan_.encoding) {
        case Encoding::Utf8:
            codec_.toUtf8(piece, bytes_);
            break;
        case Encoding::Utf16Le:
        case Encoding::Utf16Be:
            bytes_ = ToUtf16(piece, plan_.encoding == Encoding::Utf16Be);
            break;
        default:
            codec_.toCodePage(piece, bytes_);
        }
        sink_.Write(bytes_);
        return true;
    }

private:
    const Plan& plan_;
    const Codec& codec_;
    ByteSink& sink_;
    std::wstring wide_;
    std::string bytes_;
};

}  // namespace

bool Emit(const Plan& plan, LineSource& lines, std::string_view oldContent, const Codec& codec, ByteSink& sink,
          bool breakFirst, bool checkFit) {
    if (plan.bom) sink.Write(kBom);
    if (plan.convertOld) {
        // The old lines keep their own line ends.
        std::string old;
        codec.toUtf8(codec.fromCodePage(oldContent), old);
        sink.Write(old);
    }
    Pieces pieces(plan, codec, sink);
    if (plan.header && plan.encoding == Encoding::Utf8) pieces.Put(kHeader);
    if (breakFirst) pieces.Put(std::wstring_view(&kLineEnd, 1));
    std::wstring piece;
    lines.Rewind();
    while (piece.clear(), lines.Next(piece))
        if (!pieces.Put(piece, checkFit)) return false;
    return true;
}

std::string Compose(const Plan& plan, std::wstring_view lines, std::string_view oldContent,
                    const Codec& codec) {
    struct : ByteSink {
        std::string bytes;
        void Write(std::string_view piece) override { bytes.append(piece); }
    } all;
    TextLines text(lines);
    Emit(plan, text, oldContent, codec, all);
    return std::move(all.bytes);
}

}  // namespace Playlist
