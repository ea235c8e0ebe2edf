// Stands in for trkconfig.exe in the invocation tests. It notes the command
// line it got, then does what the control file beside it says:
//   line 1: "answer" (write line 3 as the prompt's answer) or "silent"
//   line 2: exit status
//   line 3: the answer, UTF-8
//   line 4: milliseconds to wait before ending
//   line 5: milliseconds to wait before answering (optional)
// Lines 3 to 5 may hold several values separated by "|": then the copies
// started in turn take one each, the first started the first value.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "Codepage.h"
#include "CommandLine.h"
#include "FileBytes.h"
#include "PromptExchange.h"
#include "inihelper.h"

using FileBytes::Read;
using FileBytes::Write;

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) end = text.size();
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

// This copy's turn among those started: the first free slot file it creates.
size_t Turn(const std::wstring& folder) {
    for (size_t turn = 0;; ++turn) {
        HANDLE h = CreateFileW((folder + L"\\fake_trkconfig.slot" + std::to_wstring(turn)).c_str(), GENERIC_WRITE, 0,
                               nullptr, CREATE_NEW, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            return turn;
        }
    }
}

std::string Pick(const std::string& line, size_t turn) {
    const auto values = Split(line, '|');
    return turn < values.size() ? values[turn] : values.back();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring folder = inihelper::ProgramFolder();
    Write(folder + L"\\fake_trkconfig.log", Codepage::ToUtf8(GetCommandLineW()));
    std::vector<std::string> lines = Split(Read(folder + L"\\fake_trkconfig.ctl"), '\n');
    lines.resize(5);
    const size_t turn = lines[2].find('|') != std::string::npos ? Turn(folder) : 0;
    Sleep(static_cast<DWORD>(atoi(Pick(lines[4], turn).c_str())));
    if (lines[0] == "answer") {
        const auto request = PromptExchange::Parse(CommandLine::ArgumentText(GetCommandLineW()));
        inihelper::WriteAnswer(Codepage::FromUtf8(Pick(lines[2], turn)), inihelper::OptionsFile(), request.key);
    }
    Sleep(static_cast<DWORD>(atoi(Pick(lines[3], turn).c_str())));
    return atoi(lines[1].c_str());
}
