#include "Selection.h"

#include <cstdint>
#include <cstring>

#include "DropFiles.h"
#include "mdlFiles.h"

namespace Selection {

bool IsListedExtension(const std::vector<std::wstring>& list, std::wstring_view extension) {
    // Any count: the list is walked, not indexed by a 16-bit number.
    for (const std::wstring& entry : list)
        if (entry == extension) return true;
    return false;
}

std::wstring_view NamePart(std::wstring_view path) { return mdlFiles::FileNamePart(path); }

namespace {

// A null-ended path must be read to its end anyway: one pass over its first
// kPathLimit characters finds its end, its last "\" and the last "." after it.
bool KeepsNullEnded(const std::vector<std::wstring>& extensions, const wchar_t* path) {
    std::size_t length = 0, slash = std::wstring_view::npos, dot = std::wstring_view::npos;
    for (; length < kPathLimit && path[length]; ++length) {
        if (path[length] == L'\\') slash = length;
        else if (path[length] == L'.') dot = length;
    }
    if (length == 0) return false;
    // No name (no "\"), or no "." in it: the empty extension, as
    // FileNamePart and ExtensionPart say.
    if (slash == std::wstring_view::npos || dot == std::wstring_view::npos || dot < slash)
        return IsListedExtension(extensions, {});
    return IsListedExtension(extensions, std::wstring_view(path + dot + 1, length - dot - 1));
}

}  // namespace

// A path whose length is known is read from its end: its extension and name
// are found before most of it is looked at.
bool Keeps(const std::vector<std::wstring>& extensions, std::wstring_view path) {
    if (path.size() > kPathLimit) path = path.substr(0, kPathLimit);
    if (path.empty()) return false;
    return IsListedExtension(extensions, mdlFiles::ExtensionPart(mdlFiles::FileNamePart(path)));
}

bool Keeps(const std::vector<std::wstring>& extensions, const wchar_t* path) {
    return path && KeepsNullEnded(extensions, path);
}

std::size_t Read(const void* block, std::size_t size, const Rules& rules, Files& files) {
    files.Clear();
    // The kept paths fit in the list's own size: no growing while they come
    // in. Their slots are reserved for paths of 24 characters on average, so
    // that a large selection's slots are not copied beside their old buffer
    // as they grow (what is reserved and not used is never touched).
    const std::size_t chars = size / sizeof(std::uint16_t);
    files.Reserve(chars / 24, chars);

    const auto* bytes = static_cast<const unsigned char*>(block);
    // Each path is looked at in one reused buffer; only kept ones are copied.
    std::wstring path;
    DropFiles::ForEach(block, size, [&](DropFiles::Span s, bool wide) {
        if (wide) {
            path.resize(s.length < kPathLimit ? s.length : kPathLimit);
            const unsigned char* at = bytes + s.offset;
            if constexpr (sizeof(wchar_t) == 2) {
                std::memcpy(path.data(), at, 2 * path.size());
            } else {
                for (std::size_t i = 0; i < path.size(); ++i)
                    path[i] = static_cast<wchar_t>(at[2 * i] | at[2 * i + 1] << 8);
            }
        } else {
            path = rules.fromCodePage({reinterpret_cast<const char*>(bytes + s.offset), s.length});
            if (path.size() > kPathLimit) path.resize(kPathLimit);
        }
        Take(path, rules, files, rules.isFolder);
    });
    return files.size() - 1;
}

}  // namespace Selection
