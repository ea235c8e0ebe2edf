#include "Trace.h"

#include <cstdio>

#include "ModuleState.h"

namespace Trace {
namespace {

std::wstring Two(int n) {
    wchar_t buffer[8];
    std::swprintf(buffer, 8, L"%02d", n % 100);
    return buffer;
}

}  // namespace

std::wstring FormatStamp(const Stamp& s) {
    int hour12 = s.hour % 12;
    if (hour12 == 0) hour12 = 12;
    return Two(s.day) + L"." + Two(s.month) + L"." + Two(s.year) + L" " + Two(hour12) + L":" +
           Two(s.minute) + L"." + Two(s.second) + L" " + s.designator;
}

std::wstring FormatLine(int depth, std::wstring_view module, std::wstring_view procedure,
                        std::wstring_view message, const Stamp& stamp) {
    std::wstring line(depth > 0 ? depth : 0, L' ');
    line.append(module).append(L"::").append(procedure).append(L" - ").append(message);
    line.append(L" (Time: [").append(FormatStamp(stamp)).append(L"])");
    return line;
}

void DebugWrite(std::wstring_view module, std::wstring_view procedure, std::wstring_view message,
                Layout layout) {
    ModuleState& state = ThreadState();
    if (!state.TraceSwitch) return;
    std::wstring text = (layout & Raw) ? std::wstring(message)
                                       : FormatLine(state.TraceDepth, module, procedure, message, Now());
    text += L"\r\n";
    if (layout & BlankAfter) text += L"\r\n";
    Append(text, (layout & StartNew) != 0);
}

}  // namespace Trace
