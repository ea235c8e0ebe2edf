#include "Selection.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#endif

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

constexpr std::size_t kNone = std::wstring_view::npos;

// Where a null-ended path ends (at most limit) and where its last "\" and
// its last "." before that end stand (kNone when absent).
struct Marks {
    std::size_t length = 0, slash = kNone, dot = kNone;
};

#if defined(__x86_64__) || defined(__i386__)
// Explorer asks for the state on every right-click, and reading a path a
// character at a time took a fifth as long as the shell takes to give it:
// the path is read sixteen bytes at a time instead. Each read is one aligned
// block that holds at least one character of the path, so it never reaches
// into a page the path does not touch (as the C library's own string
// functions read); the bytes around the path are masked out, and the
// address checker is told that they are read on purpose. SSE2 is on every
// processor that runs Windows 8 or later, 32-bit ones included.
constexpr std::uintptr_t kWide = sizeof(wchar_t);
static_assert(kWide == 2 || kWide == 4);

// A mask bit for each byte of the block's characters that equal c.
__attribute__((target("sse2"))) inline unsigned Equal(__m128i chars, wchar_t c) {
    return static_cast<unsigned>(_mm_movemask_epi8(kWide == 2
                                                       ? _mm_cmpeq_epi16(chars, _mm_set1_epi16(static_cast<short>(c)))
                                                       : _mm_cmpeq_epi32(chars, _mm_set1_epi32(static_cast<int>(c)))));
}

__attribute__((target("sse2"), no_sanitize_address)) Marks MarksOf(const wchar_t* path, std::size_t limit) {
    const auto start = reinterpret_cast<std::uintptr_t>(path);
    const std::uintptr_t end = start + limit * kWide;  // the first byte past the cut
    std::uintptr_t block = start & ~std::uintptr_t{15};
    unsigned own = ~0u << (start - block);  // a mask bit for each byte that is the path's
    const auto at = [&](unsigned bit) { return static_cast<std::size_t>((block + bit - start) / kWide); };
    Marks marks;
    for (;; block += 16, own = ~0u) {
        const bool last = end - block <= 16;
        if (last) own &= (1u << (end - block)) - 1;
        const __m128i chars = _mm_load_si128(reinterpret_cast<const __m128i*>(block));
        const unsigned zero = Equal(chars, L'\0') & own;
        // Only the path's own characters before its end count.
        const unsigned before = (zero ? (1u << __builtin_ctz(zero)) - 1 : ~0u) & own;
        const unsigned slash = Equal(chars, L'\\') & before, dot = Equal(chars, L'.') & before;
        if (slash) marks.slash = at(31 - static_cast<unsigned>(__builtin_clz(slash)));
        if (dot) marks.dot = at(31 - static_cast<unsigned>(__builtin_clz(dot)));
        if (zero) {
            marks.length = at(static_cast<unsigned>(__builtin_ctz(zero)));
            return marks;
        }
        if (last) {
            marks.length = limit;
            return marks;
        }
    }
}
#else
Marks MarksOf(const wchar_t* path, std::size_t limit) {
    Marks marks;
    for (; marks.length < limit && path[marks.length]; ++marks.length) {
        if (path[marks.length] == L'\\') marks.slash = marks.length;
        else if (path[marks.length] == L'.') marks.dot = marks.length;
    }
    return marks;
}
#endif

}  // namespace

// A path whose length is known is read from its end: its extension and name
// are found before most of it is looked at.
bool Keeps(const std::vector<std::wstring>& extensions, std::wstring_view path) {
    if (path.size() > kPathLimit) path = path.substr(0, kPathLimit);
    if (path.empty()) return false;
    return IsListedExtension(extensions, mdlFiles::ExtensionPart(mdlFiles::FileNamePart(path)));
}

// A null-ended path must be read to its end anyway: one pass over its first
// kPathLimit characters finds its end, its last "\" and the last "." after it.
bool Keeps(const std::vector<std::wstring>& extensions, const wchar_t* path) {
    if (!path) return false;
    const Marks marks = MarksOf(path, kPathLimit);
    if (marks.length == 0) return false;
    // No name (no "\"), or no "." in it: the empty extension, as
    // FileNamePart and ExtensionPart say.
    if (marks.slash == kNone || marks.dot == kNone || marks.dot < marks.slash)
        return IsListedExtension(extensions, {});
    return IsListedExtension(extensions, std::wstring_view(path + marks.dot + 1, marks.length - marks.dot - 1));
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
