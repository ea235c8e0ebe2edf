#include "FailureText.h"

namespace FailureText {

std::wstring Message(Cause cause, std::wstring_view path, std::wstring_view reason) {
    std::wstring text = cause == Cause::Prompt ? L"The playlist's name could not be asked for:\n"
                                               : L"The playlist could not be written:\n";
    text.append(path).append(L"\n\n");
    switch (cause) {
    case Cause::ReadOnly: text += L"A read-only file of this name exists already and was left as it was."; break;
    case Cause::Folder: text += L"A folder of this name exists already."; break;
    default: text.append(reason);
    }
    return text;
}

std::wstring OneLine(std::wstring_view reason) {
    std::wstring line(reason);
    for (wchar_t& c : line)
        if (c == L'\n' || c == L'\r') c = L' ';
    return line;
}

}  // namespace FailureText
