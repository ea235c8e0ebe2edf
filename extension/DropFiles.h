// One pass over a CF_HDROP block (a DROPFILES header followed by a list of
// zero-terminated paths that ends with an empty one). DragQueryFile walks the
// list from its start for every index, so reading n names through it costs
// O(n^2); this reads them all at once with the same results.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace DropFiles {

// The names as stored: UTF-16 when the block says fWide, else 8-bit text in
// the system code page (exactly one of the two vectors is filled). The list
// ends at the first empty name or at the end of the block, whichever comes
// first; nothing past size is read. A block too short for its header, or
// whose pFiles points outside it, holds no names.
struct Names {
    bool wide = false;
    std::vector<std::u16string> wideNames;
    std::vector<std::string> ansiNames;
};

Names Parse(const void* block, std::size_t size);

}  // namespace DropFiles
