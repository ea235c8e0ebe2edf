// Module General, the sort: the playlist's names in order, traced step by
// step. Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class KeptFiles;

namespace General {

// Ordinal order of UTF-16 code units; the shorter text first on a common start.
bool OrdinalLess(const std::wstring& a, const std::wstring& b);
using Less = bool (*)(const std::wstring&, const std::wstring&);
// Sorts list[low..high] in place, ordinal by UTF-16 code units.
void Sort(std::vector<std::wstring>& list, int32_t low, int32_t high);
// The same sort and trace for kept files, by name; each keeps its path.
void Sort(KeptFiles& files, int32_t low, int32_t high);
void Sort(KeptFiles& files, int32_t low, int32_t high, Less less);
// The same sort and trace in the order that less gives.
void Sort(std::vector<std::wstring>& list, int32_t low, int32_t high, Less less);
// The whole list in the order that less gives, untraced.
void Order(std::vector<std::wstring>& list, Less less);

}  // namespace General
