// One pass over a CF_HDROP block (a DROPFILES header followed by a list of
// zero-terminated paths that ends with an empty one). DragQueryFile walks the
// list from its start for every index, so reading n names through it costs
// O(n^2); this reads them all at once with the same results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace DropFiles {

// Where one name lies in the block: its first byte and its length in
// characters (code units of 2 bytes when the list is wide, else bytes).
struct Span {
    std::size_t offset;
    std::size_t length;
};

namespace detail {

// DROPFILES: DWORD pFiles; POINT pt; BOOL fNC; BOOL fWide.
constexpr std::size_t HeaderSize = 20;
constexpr std::size_t WideOffset = 16;

inline uint32_t ReadU32(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace detail

// Calls visit(Span, wide) for each name in list order, without copying any;
// wide tells whether the list is UTF-16 (else 8-bit text in the system code
// page), and so does the result. The list ends at the first empty name or at the end of the
// block, whichever comes first; nothing past size is read. A block too short
// for its header, or whose pFiles points outside it, holds no names.
template <class Visit>
bool ForEach(const void* block, std::size_t size, Visit&& visit) {
    const auto* bytes = static_cast<const unsigned char*>(block);
    if (!bytes || size < detail::HeaderSize) return false;
    const std::size_t first = detail::ReadU32(bytes);
    const bool wide = detail::ReadU32(bytes + detail::WideOffset) != 0;
    if (first < detail::HeaderSize || first > size) return wide;

    if (wide) {
        // The list may start at an odd offset: code units are read bytewise.
        const std::size_t end = first + (size - first) / 2 * 2;
        std::size_t start = first;
        while (start < end) {
            std::size_t at = start;
            while (at < end && (bytes[at] | bytes[at + 1]) != 0) at += 2;
            if (at == start) break;
            visit(Span{start, (at - start) / 2}, true);
            start = at + 2;
        }
    } else {
        std::size_t start = first;
        while (start < size) {
            const void* zero = std::memchr(bytes + start, 0, size - start);
            const std::size_t at = zero ? static_cast<std::size_t>(static_cast<const unsigned char*>(zero) - bytes)
                                        : size;
            if (at == start) break;
            visit(Span{start, at - start}, false);
            start = at + 1;
        }
    }
    return wide;
}

}  // namespace DropFiles
