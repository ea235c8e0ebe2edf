// Numbered failures and the trap that reports them. Nothing thrown inside
// our code ever reaches the platform: every procedure that can fail runs its
// body through Trap (or its own boundary) and reports instead.
#pragma once

#include <new>
#include <string>
#include <utility>

namespace Failure {

enum Number : int {
    InvalidArgument = 5,   // "Invalid procedure call or argument"
    Overflow = 6,          // "Overflow"
    OutOfMemory = 7,       // "Out of memory"
    BadFileName = 52,      // "Bad file name or number"
    FileNotFound = 53,     // "File not found"
    PathNotFound = 76,     // "Path not found"
    FileAccess = 75,       // "Path/File access error"
    Internal = 51,         // "Internal error"
};

struct Error {
    int number;
    std::wstring detail;   // optional extra text, appended to the description
    unsigned long system = 0;  // the platform's error code behind it; 0: none
};

const wchar_t* Description(int number);

// "ERROR: 6, Overflow" (with ": detail" appended when there is one).
std::wstring Report(const Error& e);

[[noreturn]] void Raise(int number, std::wstring detail = {});

// Runs body; any failure becomes an Error passed to onError. Returns true
// when body completed. Use as the first construct of a procedure.
template <class Body, class OnError>
bool Guard(Body&& body, OnError&& onError) noexcept {
    try {
        std::forward<Body>(body)();
        return true;
    } catch (const Error& e) {
        try { onError(e); } catch (...) {}
    } catch (const std::bad_alloc&) {
        try { onError(Error{OutOfMemory, {}}); } catch (...) {}
    } catch (...) {
        try { onError(Error{Internal, {}}); } catch (...) {}
    }
    return false;
}

}  // namespace Failure
