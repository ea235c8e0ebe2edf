// Stands in for trkconfig.exe in the invocation tests. It notes the command
// line it got, then does what the control file beside it says:
//   line 1: "answer" (write line 3 as the prompt's answer) or "silent"
//   line 2: exit status
//   line 3: the answer, UTF-8
//   line 4: milliseconds to wait before ending
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Codepage.h"
#include "inihelper.h"

namespace {

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(h);
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring folder = inihelper::ProgramFolder();
    WriteBytes(folder + L"\\fake_trkconfig.log", Codepage::ToUtf8(GetCommandLineW()));
    std::vector<std::string> lines;
    std::string control = ReadBytes(folder + L"\\fake_trkconfig.ctl");
    size_t start = 0;
    while (start <= control.size()) {
        size_t end = control.find('\n', start);
        if (end == std::string::npos) end = control.size();
        lines.push_back(control.substr(start, end - start));
        start = end + 1;
    }
    lines.resize(4);
    if (lines[0] == "answer")
        inihelper::WriteAnswer(Codepage::FromUtf8(lines[2]), inihelper::OptionsFile());
    Sleep(static_cast<DWORD>(atoi(lines[3].c_str())));
    return atoi(lines[1].c_str());
}
