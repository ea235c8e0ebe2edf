#include "DropFiles.h"

#include <cstdint>
#include <cstring>

namespace DropFiles {

namespace {

// DROPFILES: DWORD pFiles; POINT pt; BOOL fNC; BOOL fWide.
constexpr std::size_t HeaderSize = 20;
constexpr std::size_t WideOffset = 16;

uint32_t ReadU32(const unsigned char* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

Names Parse(const void* block, std::size_t size) {
    Names names;
    const auto* bytes = static_cast<const unsigned char*>(block);
    if (!bytes || size < HeaderSize) return names;
    const std::size_t first = ReadU32(bytes);
    names.wide = ReadU32(bytes + WideOffset) != 0;
    if (first < HeaderSize || first > size) return names;

    if (names.wide) {
        const std::size_t units = (size - first) / 2;
        const unsigned char* p = bytes + first;
        std::size_t i = 0;
        while (i < units) {
            std::u16string name;
            while (i < units) {
                char16_t c;
                std::memcpy(&c, p + 2 * i, 2);
                ++i;
                if (c == 0) break;
                name.push_back(c);
            }
            if (name.empty()) break;
            names.wideNames.push_back(std::move(name));
        }
    } else {
        const char* p = reinterpret_cast<const char*>(bytes + first);
        const std::size_t count = size - first;
        std::size_t i = 0;
        while (i < count) {
            const void* zero = std::memchr(p + i, 0, count - i);
            const std::size_t end = zero ? static_cast<const char*>(zero) - p : count;
            if (end == i) break;
            names.ansiNames.emplace_back(p + i, end - i);
            i = end + 1;
        }
    }
    return names;
}

}  // namespace DropFiles
