#include "Trace.h"

#include <windows.h>

#include "Codepage.h"
#include "Handles.h"
#include "ModuleState.h"
#include "inihelper.h"

namespace Trace {

Stamp Now() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    Stamp s;
    s.day = t.wDay;
    s.month = t.wMonth;
    s.year = t.wYear;
    s.hour = t.wHour;
    s.minute = t.wMinute;
    s.second = t.wSecond;
    wchar_t designator[16] = {};
    GetLocaleInfoW(LOCALE_USER_DEFAULT, t.wHour < 12 ? LOCALE_S1159 : LOCALE_S2359, designator, 16);
    s.designator = designator;
    return s;
}

// Empty when there is no per-user folder: then the trace has nowhere to go.
std::wstring DebugFile() {
    std::wstring folder = inihelper::UserFolder();
    return folder.empty() ? folder : folder + L"\\trkmenu.dbg";
}

namespace {

HANDLE Open(const std::wstring& path, bool startNew) {
    return CreateFileW(path.c_str(), startNew ? GENERIC_WRITE : FILE_APPEND_DATA,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       startNew ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void Write(HANDLE file, std::wstring_view text) {
    std::string bytes = Codepage::ToAnsi(text);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace

void Append(std::wstring_view text, bool startNew) {
    ModuleState& state = ThreadState();
    if (state.TraceHeld && state.TraceFile && !startNew) {
        Write(state.TraceFile, text);
        return;
    }
    std::wstring path = DebugFile();
    if (path.empty()) return;
    Handles::UniqueHandle file(Open(path, startNew));
    if (!file) return;
    Write(file.get(), text);
    file.reset();
    if (!state.TraceHeld) return;
    if (state.TraceFile) CloseHandle(state.TraceFile);
    // Append-only, as each single line is: another thread's lines still land
    // after ours rather than under them.
    HANDLE held = Open(path, false);
    state.TraceFile = held == INVALID_HANDLE_VALUE ? nullptr : held;
}

Hold::Hold() { ThreadState().TraceHeld = true; }

Hold::~Hold() {
    ModuleState& state = ThreadState();
    if (state.TraceFile) CloseHandle(state.TraceFile);
    state.TraceFile = nullptr;
    state.TraceHeld = false;
}

}  // namespace Trace
