// Module General: the library's start-up, class-identifier lookup and sort.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class KeptFiles;

namespace General {

// The start-up: fresh debug file, options loaded and normalised, trace
// switched by the Debug option. Runs once per thread, before its first object.
void Main();
// Runs Main on the calling thread unless it has already run there. False
// when the thread can have no record (no memory, no thread-local slot): then
// no object may be made on it.
bool StartThread();
// The braced class identifier registered for progId, or a failure text.
void GetClassId(std::wstring_view progId, std::wstring& result);
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
