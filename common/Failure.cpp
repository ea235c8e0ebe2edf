#include "Failure.h"

namespace Failure {

const wchar_t* Description(int number) {
    switch (number) {
    case InvalidArgument: return L"Invalid procedure call or argument";
    case Overflow: return L"Overflow";
    case OutOfMemory: return L"Out of memory";
    case BadFileName: return L"Bad file name or number";
    case FileNotFound: return L"File not found";
    case PathNotFound: return L"Path not found";
    case FileAccess: return L"Path/File access error";
    case Internal: return L"Internal error";
    default: return L"Application-defined or object-defined error";
    }
}

std::wstring Report(const Error& e) {
    std::wstring s = L"ERROR: " + std::to_wstring(e.number) + L", " + Description(e.number);
    if (!e.detail.empty()) s += L": " + e.detail;
    return s;
}

void Raise(int number, std::wstring detail) {
    throw Error{number, std::move(detail)};
}

}  // namespace Failure
