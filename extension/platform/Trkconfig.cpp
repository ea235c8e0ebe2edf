#include "Trkconfig.h"

#include "Failure.h"
#include "ModuleState.h"
#include "inihelper.h"
#include "mdlFiles.h"
#include "PlaylistFile.h"

namespace Trkconfig {

Handles::UniqueHandle Start(const std::wstring& program, std::wstring commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
        DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND) Failure::Raise(Failure::FileNotFound);
        PlaylistFile::RaiseSystemError(error);
    }
    Handles::UniqueHandle thread(pi.hThread);
    return Handles::UniqueHandle(pi.hProcess);
}

// Explorer's windows on this thread stay alive without a busy wait.
DWORD WaitForExit(HANDLE process) {
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT);
        if (r != WAIT_OBJECT_0 + 1) break;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // A quit request belongs to the thread's own loop: hand it back.
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    DWORD code = STILL_ACTIVE;
    if (!GetExitCodeProcess(process, &code)) code = STILL_ACTIVE;
    return code;
}

bool ShowOptions(const Trace::Procedure& trace) {
    ModuleState& state = ThreadState();
    trace(L"Showing options dialog...", Trace::BlankAfter);
    const std::wstring libraryFolder = inihelper::ProgramFolder();
    const std::wstring program = libraryFolder + L"\\trkconfig.exe";
    if (!mdlFiles::FileExists(program)) {
        Trace::ProcEnter(state.TraceDepth);
        trace(L"trkconfig.exe was not found at " + libraryFolder);
        Trace::ProcLeave(state.TraceDepth);
        return false;
    }
    // Quoted: an unquoted folder with blanks would hand trkconfig arguments,
    // and with arguments it shows the name prompt instead of the options.
    Start(program, L"\"" + program + L"\"");
    return true;
}

}  // namespace Trkconfig
