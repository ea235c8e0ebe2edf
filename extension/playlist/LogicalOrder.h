// The order names take in a playlist: by character codes, or as Explorer's
// file view shows them (digit runs as numbers, case ignored).
#pragma once

#include <cstdint>
#include <string>

#include "Sort.h"

namespace LogicalOrder {

// StrCmpLogicalW; names it finds equal ("01 a.mp3", "1 a.mp3") by character
// codes, so that the order is total and the same on every run.
bool Less(const std::wstring& a, const std::wstring& b);

// The comparison for the Order option's value: 1 is Explorer's order,
// anything else the character codes.
General::Less Chosen(int16_t order);

}  // namespace LogicalOrder
