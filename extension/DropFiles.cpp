#include "DropFiles.h"

namespace DropFiles {

Names Parse(const void* block, std::size_t size) {
    Names names;
    const auto* bytes = static_cast<const unsigned char*>(block);
    std::vector<Span> spans;
    names.wide = ForEach(block, size, [&](Span s, bool) { spans.push_back(s); });
    for (const Span& s : spans) {
        if (names.wide) {
            std::u16string name(s.length, u'\0');
            std::memcpy(name.data(), bytes + s.offset, 2 * s.length);
            names.wideNames.push_back(std::move(name));
        } else {
            names.ansiNames.emplace_back(reinterpret_cast<const char*>(bytes + s.offset), s.length);
        }
    }
    return names;
}

}  // namespace DropFiles
