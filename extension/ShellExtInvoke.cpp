#include "ShellExtInvoke.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <string>

#include "Codepage.h"
#include "Failure.h"
#include "General.h"
#include "ModuleState.h"
#include "NoCase.h"
#include "OptionTable.h"
#include "Playlist.h"
#include "PlaylistFile.h"
#include "Trace.h"
#include "inihelper.h"
#include "mdlFiles.h"

namespace {

constexpr std::wstring_view kModule = L"ShellExt";
constexpr std::wstring_view kProc = L"IContextMenu_InvokeCommand()";
using OptionTable::kCancelMarker;
constexpr std::wstring_view kPromptArgument = L" Enter M3U playlist filename:  (without .m3u)";

void Line(std::wstring_view message, bool blankAfter = false) {
    Trace::DebugWrite(kModule, kProc, message, blankAfter);
}

template <class T>
std::wstring Num(T value) {
    if constexpr (std::is_pointer_v<T>)
        return std::to_wstring(reinterpret_cast<intptr_t>(value));
    else
        return std::to_wstring(value);
}

std::wstring AnsiText(LPCSTR text) { return text ? Codepage::FromAnsi(text) : std::wstring(); }

// The shell's structure as far as the caller's cbSize says, never further.
struct Invocation {
    CMINVOKECOMMANDINFOEX info{};
    DWORD size = 0;
    bool unicode = false;

    template <class Field>
    bool Covers(size_t offset, const Field&) const {
        return size >= offset + sizeof(Field);
    }
    LPCWSTR Wide(size_t offset, LPCWSTR field) const {
        return unicode && Covers(offset, field) ? field : nullptr;
    }
};

#define TRK_WIDE(inv, member) \
    (inv).Wide(offsetof(CMINVOKECOMMANDINFOEX, member), (inv).info.member)

class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (h_) CloseHandle(h_);
    }
    HANDLE Get() const { return h_; }

private:
    HANDLE h_;
};

// Starts program (full path as the application name, so that a folder with
// blanks cannot run another program) with commandLine as its text.
PROCESS_INFORMATION Start(const std::wstring& program, std::wstring commandLine) {
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
    return pi;
}

// Sleeps until the process ends, running the thread's window messages
// meanwhile: Explorer's windows on this thread stay alive without a busy wait.
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

// The playlist's base name from the prompt; false when the user cancelled.
bool AskName(const std::wstring& libraryFolder, std::wstring& name) {
    Line(L"Getting filename via user input");
    const std::wstring options = inihelper::OptionsFile();
    // Nothing an earlier prompt left may pass for this prompt's answer.
    inihelper::WriteAnswer(kCancelMarker, options);
    const std::wstring program = libraryFolder + L"\\trkconfig.exe";
    PROCESS_INFORMATION pi = Start(program, program + std::wstring(kPromptArgument));
    Handle process(pi.hProcess);
    Handle thread(pi.hThread);
    const DWORD status = WaitForExit(process.Get());
    if (status != 0) {
        Line(L"Prompt ended with exit status " + Num(static_cast<int32_t>(status)) +
             L", exiting...");
        Line(L"Action Was Canceled, exiting...");
        return false;
    }
    name = inihelper::ReadAnswer(options, kCancelMarker);
    if (NoCase::Same(name, kCancelMarker)) {
        Line(L"Action Was Canceled, exiting...");
        return false;
    }
    Line(L"Writing list as " + name + L".m3u ...");
    return true;
}

void CreatePlaylist(const std::wstring& directory) {
    ModuleState& state = ThreadState();
    Line(L"Creating M3U Playlist...", true);
    auto& names = state.SelectionList;
    auto& paths = state.SelectionPaths;
    if (names.empty()) names.emplace_back();
    const std::wstring folder = Playlist::TargetFolder(
        directory, state.SelectionFolder, paths.size() > 1 ? paths[1] : std::wstring());

    // Sort the names; each path follows its name. Paths of one folder are
    // rebuilt from the sorted names, others paired by name.
    const bool withPaths = paths.size() == names.size();
    const std::wstring common = withPaths ? Playlist::CommonFolder(names, paths) : std::wstring();
    const bool oneFolder = withPaths && !common.empty();
    std::vector<std::wstring> selected;
    if (withPaths && !oneFolder) selected = names;
    General::Sort(names, 0, static_cast<int32_t>(names.size() - 1));
    if (oneFolder) {
        // In place: the old paths' buffers fit the new ones.
        for (size_t i = 0; i < names.size(); ++i) {
            paths[i].clear();
            if (!names[i].empty()) paths[i].append(common).append(names[i]);
        }
    } else if (withPaths) {
        paths = Playlist::PathsInOrder(names, selected, paths);
    }
    Trace::DebugWrite(kModule, kProc, L"", false, false, true);

    // The lines are made before the prompt: while it is open the thread's
    // messages run, and another menu of this thread may take over the
    // selection. This playlist holds the files it was chosen for.
    Playlist::EntryMaker entry(folder, state.Options.Paths != 0);
    std::wstring lines;
    size_t estimate = 0;
    for (size_t i = 1; i < names.size(); ++i) estimate += names[i].size() + 2;
    lines.reserve(estimate + estimate / 4);
    // Files of one folder share what stands before their names.
    const std::wstring_view prefix = oneFolder ? entry.PrefixIn(common) : std::wstring_view();
    for (size_t i = 1; i < names.size(); ++i) {
        if (oneFolder) {
            if (!names[i].empty()) lines.append(prefix);
            lines.append(names[i]);
        } else {
            entry.AppendTo(lines, i < paths.size() ? std::wstring_view(paths[i]) : std::wstring_view(),
                           names[i]);
        }
        lines += L"\r\n";
    }

    std::wstring name = L"new";
    if (state.Options.Prompt != 0) {
        if (!AskName(inihelper::ProgramFolder(), name)) return;
        if (!Playlist::IsPlainName(name)) Failure::Raise(Failure::BadFileName);
    }

    Line(L"Writing list to file");
    PlaylistFile::Write(folder + name + L".m3u", lines, state.Options.Overwrite != 0);
    Line(L"List has been written", true);
}

void ShowOptions() {
    ModuleState& state = ThreadState();
    Line(L"Showing options dialog...", true);
    const std::wstring libraryFolder = inihelper::ProgramFolder();
    const std::wstring program = libraryFolder + L"\\trkconfig.exe";
    if (!mdlFiles::FileExists(program)) {
        Trace::ProcEnter(state.TraceDepth);
        Line(L"trkconfig.exe was not found at " + libraryFolder);
        Trace::ProcLeave(state.TraceDepth);
        return;
    }
    // Quoted: an unquoted folder with blanks would hand trkconfig arguments,
    // and with arguments it shows the name prompt instead of the options.
    PROCESS_INFORMATION pi = Start(program, L"\"" + program + L"\"");
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

// Our canonical verbs, as GetCommandString hands them out, and their offsets.
int VerbOffset(std::wstring_view verb) {
    if (NoCase::Same(verb, L"(GCS_VERB)MENUITEM1")) return 0;
    if (NoCase::Same(verb, L"(GCS_VERB)MENUITEM2")) return 1;
    return -1;
}

}  // namespace

HRESULT IContextMenu_InvokeCommand(CMINVOKECOMMANDINFO* lpcmi) {
    HRESULT result = S_OK;
    Trace::Trapped(kModule, kProc, [&] {
        ModuleState& state = ThreadState();
        Line(L"Begin IContextMenu_InvokeCommand()");
        Trace::ProcEnter(state.TraceDepth);
        Line(L"lpcmi: " + Num(lpcmi));
        Line(L"Copying \"lpcmi\" memory pointer to a CMINVOKECOMMANDINFO structure");
        if (!lpcmi) {
            result = E_INVALIDARG;
            Failure::Raise(Failure::InvalidArgument);
        }
        Invocation inv;
        inv.size = lpcmi->cbSize;
        std::memcpy(&inv.info, lpcmi, inv.size < sizeof inv.info ? inv.size : sizeof inv.info);
        const CMINVOKECOMMANDINFOEX& c = inv.info;
        inv.unicode = (c.fMask & CMIC_MASK_UNICODE) != 0;
        Line(L"cbSize: " + Num(static_cast<int32_t>(c.cbSize)) +
             L" dwHotKey: " + Num(static_cast<int32_t>(c.dwHotKey)) +
             L" fMask: " + Num(static_cast<int32_t>(c.fMask)) + L" hIcon: " + Num(c.hIcon) +
             L" hwnd: " + Num(c.hwnd) + L" lpDirectory: " + Num(c.lpDirectory) +
             L" lpParameters: " + Num(c.lpParameters) + L" lpVerb: " + Num(c.lpVerb) +
             L" nShow: " + Num(c.nShow));
        if (inv.size < sizeof(CMINVOKECOMMANDINFO)) {
            result = E_INVALIDARG;
            Failure::Raise(Failure::InvalidArgument);
        }

        Line(L"Converting lpDirectory into useable information");
        LPCWSTR directoryW = TRK_WIDE(inv, lpDirectoryW);
        const std::wstring directory = directoryW ? std::wstring(directoryW) : AnsiText(c.lpDirectory);
        Line(L"Directory: " + directory);

        Line(L"Converting lpParameters into useable information");
        LPCWSTR parametersW = TRK_WIDE(inv, lpParametersW);
        const std::wstring parameters =
            parametersW ? std::wstring(parametersW) : AnsiText(c.lpParameters);
        if (!parameters.empty()) {
            Line(L"Len Parameters: " + Num(parameters.size()));
            Line(L"CopyMemory Parameters: " + parameters + L'\0');
            Line(L"Parameters: " + parameters);
        }

        Line(L"Getting command ID");
        Trace::ProcEnter(state.TraceDepth);
        // Explorer since Vista carries a command out by the canonical verb on
        // a second object; a Unicode caller may name it only in lpVerbW.
        LPCWSTR verbW = TRK_WIDE(inv, lpVerbW);
        // An empty wide text beside an offset is no verb.
        const bool wideVerb =
            verbW && !IS_INTRESOURCE(verbW) && (*verbW || !IS_INTRESOURCE(c.lpVerb));
        int offset = -1;
        if (!IS_INTRESOURCE(c.lpVerb) || wideVerb) {
            const std::wstring verb = wideVerb ? std::wstring(verbW) : AnsiText(c.lpVerb);
            Line(L"The shell has not called this command, the following is the verb info");
            Line(L"Verb: " + verb, true);
            offset = VerbOffset(verb);
            // A verb meant for another handler must not pass for done.
            if (offset < 0) result = E_INVALIDARG;
        } else {
            const auto id = reinterpret_cast<uintptr_t>(c.lpVerb);
            Line(L"Command ID: " + Num(id), true);
            if (id <= 1) offset = static_cast<int>(id);
            else result = E_INVALIDARG;
        }
        if (offset == 0) CreatePlaylist(directory);
        else if (offset == 1) ShowOptions();

        Trace::ProcLeave(state.TraceDepth);
        Line(L"Done with command ID");
        Trace::ProcLeave(state.TraceDepth);
        Line(L"Done IContextMenu_InvokeCommand()", true);
    });
    return result;
}
