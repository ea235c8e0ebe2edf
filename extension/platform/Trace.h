// The debug trace: trkmenu.dbg in the per-user folder, one open-write-close
// per line so the file can be read while Explorer runs. A line that cannot be
// written is dropped; the trace never fails its caller.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "Failure.h"

namespace Trace {

struct Stamp {
    int day = 1, month = 1, year = 2000;  // year in full
    int hour = 0, minute = 0, second = 0; // hour 0..23
    std::wstring designator;              // the system's AM or PM text for that hour
};

// "dd.mm.yy hh:mm.ss AM": 12-hour clock, two digits each.
std::wstring FormatStamp(const Stamp& stamp);
// depth blanks, "Module::Procedure() - message (Time: [stamp])".
std::wstring FormatLine(int depth, std::wstring_view module, std::wstring_view procedure,
                        std::wstring_view message, const Stamp& stamp);

// How a line is written; flags combine with |.
enum Layout : unsigned {
    Plain = 0,
    BlankAfter = 1,  // a blank line follows
    StartNew = 2,    // the debug file is emptied first
    Raw = 4,         // the message alone: no indentation, names or time
};
constexpr Layout operator|(Layout a, Layout b) {
    return static_cast<Layout>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}

// Writes one line under the calling thread's TraceSwitch and TraceDepth.
void DebugWrite(std::wstring_view module, std::wstring_view procedure, std::wstring_view message,
                Layout layout = Plain);

// The trace of one procedure: its module and procedure names, given once.
struct Procedure {
    std::wstring_view module;
    std::wstring_view name;
    void operator()(std::wstring_view message, Layout layout = Plain) const {
        DebugWrite(module, name, message, layout);
    }
};

// A number as the trace shows it: signed decimal; a pointer or handle by its
// address.
template <class T>
std::wstring Number(T value) {
    if constexpr (std::is_pointer_v<T>)
        return std::to_wstring(reinterpret_cast<intptr_t>(value));
    else
        return std::to_wstring(value);
}

// 16-bit signed arithmetic on a depth counter; leaving the range is failure 6.
// Inline: every traced COM method passes here twice, GetState on each right-click.
inline void ProcEnter(int16_t& depth, int amount = 1) {
    const int next = depth + amount;
    if (next < INT16_MIN || next > INT16_MAX) Failure::Raise(Failure::Overflow);
    depth = static_cast<int16_t>(next);
}
inline void ProcLeave(int16_t& depth, int amount = 1) { ProcEnter(depth, -amount); }

// Runs body under a failure trap that reports "ERROR: n, description" under
// module::procedure. Returns true when body completed.
template <class Body>
bool Trapped(std::wstring_view module, std::wstring_view procedure, Body&& body) noexcept {
    return Failure::Guard(static_cast<Body&&>(body), [&](const Failure::Error& e) {
        DebugWrite(module, procedure, Failure::Report(e));
    });
}
template <class Body>
bool Trapped(const Procedure& procedure, Body&& body) noexcept {
    return Trapped(procedure.module, procedure.name, static_cast<Body&&>(body));
}

// Platform side.
Stamp Now();
// Appends text (already laid out, CR LF included) to the debug file, or
// empties the file first when startNew is set. Failures are ignored.
void Append(std::wstring_view text, bool startNew);
std::wstring DebugFile();

// While one lives, the calling thread's lines go through one open debug file
// instead of an open and close each: the start-up header is dozens of lines.
class Hold {
public:
    Hold();
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;
};

}  // namespace Trace
