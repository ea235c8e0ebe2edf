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
#include "FileBytes.h"
#include "inihelper.h"

using FileBytes::Read;
using FileBytes::Write;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring folder = inihelper::ProgramFolder();
    Write(folder + L"\\fake_trkconfig.log", Codepage::ToUtf8(GetCommandLineW()));
    std::vector<std::string> lines;
    std::string control = Read(folder + L"\\fake_trkconfig.ctl");
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
