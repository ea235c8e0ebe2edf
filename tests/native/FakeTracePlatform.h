// Native tests capture the trace in memory instead of a file.
#pragma once

#include <string>

#include "Trace.h"

namespace FakeTrace {
// Everything written since the last startNew (or Reset), CR LF included.
std::wstring& Text();
void Reset();
// The clock the fake reports.
Trace::Stamp& Clock();
}  // namespace FakeTrace
