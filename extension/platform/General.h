// Module General: the library's start-up and class-identifier lookup.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace General
