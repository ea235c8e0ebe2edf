#include "FakeTracePlatform.h"

namespace FakeTrace {
std::wstring& Text() {
    static thread_local std::wstring text;
    return text;
}
void Reset() { Text().clear(); }
Trace::Stamp& Clock() {
    static thread_local Trace::Stamp stamp{6, 12, 1999, 9, 14, 2, L"AM"};
    return stamp;
}
}  // namespace FakeTrace

namespace Trace {
Stamp Now() { return FakeTrace::Clock(); }
void Append(std::wstring_view text, bool startNew) {
    if (startNew) FakeTrace::Text().clear();
    FakeTrace::Text() += text;
}
std::wstring DebugFile() { return L"trkmenu.dbg"; }
}  // namespace Trace
