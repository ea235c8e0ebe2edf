#include "ShellExtInvoke.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <string>

#include "Codepage.h"
#include "Failure.h"
#include "ModuleState.h"
#include "NoCase.h"
#include "PlaylistCommand.h"
#include "Trace.h"
#include "Trkconfig.h"
#include "inihelper.h"
#include "mdlFiles.h"

namespace {

constexpr const Trace::Procedure& Line = InvokeTrace;

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
    explicit Invocation(const CMINVOKECOMMANDINFO& given) : size(given.cbSize) {
        std::memcpy(&info, &given, size < sizeof info ? size : sizeof info);
        unicode = (info.fMask & CMIC_MASK_UNICODE) != 0;
    }

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

void TraceFields(const CMINVOKECOMMANDINFOEX& c) {
    Line(L"cbSize: " + Num(static_cast<int32_t>(c.cbSize)) + L" dwHotKey: " + Num(static_cast<int32_t>(c.dwHotKey)) +
         L" fMask: " + Num(static_cast<int32_t>(c.fMask)) + L" hIcon: " + Num(c.hIcon) + L" hwnd: " + Num(c.hwnd) +
         L" lpDirectory: " + Num(c.lpDirectory) + L" lpParameters: " + Num(c.lpParameters) +
         L" lpVerb: " + Num(c.lpVerb) + L" nShow: " + Num(c.nShow));
}

std::wstring Directory(const Invocation& inv) {
    LPCWSTR wide = TRK_WIDE(inv, lpDirectoryW);
    return wide ? std::wstring(wide) : AnsiText(inv.info.lpDirectory);
}

std::wstring Parameters(const Invocation& inv) {
    LPCWSTR wide = TRK_WIDE(inv, lpParametersW);
    return wide ? std::wstring(wide) : AnsiText(inv.info.lpParameters);
}

// The parameters serve the trace only.
void TraceParameters(const std::wstring& parameters) {
    if (parameters.empty()) return;
    Line(L"Len Parameters: " + Num(parameters.size()));
    Line(L"CopyMemory Parameters: " + parameters + L'\0');
    Line(L"Parameters: " + parameters);
}

// Our canonical verbs, as GetCommandString hands them out, and their offsets.
int VerbOffset(std::wstring_view verb) {
    if (NoCase::Same(verb, L"(GCS_VERB)MENUITEM1")) return 0;
    if (NoCase::Same(verb, L"(GCS_VERB)MENUITEM2")) return 1;
    return -1;
}

// 0 for the create command, 1 for the options, -1 for anything else.
int CommandOffset(const Invocation& inv) {
    const CMINVOKECOMMANDINFOEX& c = inv.info;
    // Explorer since Vista carries a command out by the canonical verb on
    // a second object; a Unicode caller may name it only in lpVerbW.
    LPCWSTR verbW = TRK_WIDE(inv, lpVerbW);
    // An empty wide text beside an offset is no verb.
    const bool wideVerb = verbW && !IS_INTRESOURCE(verbW) && (*verbW || !IS_INTRESOURCE(c.lpVerb));
    if (!IS_INTRESOURCE(c.lpVerb) || wideVerb) {
        const std::wstring verb = wideVerb ? std::wstring(verbW) : AnsiText(c.lpVerb);
        Line(L"The shell has not called this command, the following is the verb info");
        Line(L"Verb: " + verb, true);
        return VerbOffset(verb);
    }
    const auto id = reinterpret_cast<uintptr_t>(c.lpVerb);
    Line(L"Command ID: " + Num(id), true);
    return id <= 1 ? static_cast<int>(id) : -1;
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
    Trkconfig::Start(program, L"\"" + program + L"\"");
}

}  // namespace

HRESULT IContextMenu_InvokeCommand(CMINVOKECOMMANDINFO* lpcmi) {
    HRESULT result = S_OK;
    Trace::Trapped(Line.module, Line.name, [&] {
        ModuleState& state = ThreadState();
        Line(L"Begin IContextMenu_InvokeCommand()");
        Trace::ProcEnter(state.TraceDepth);
        Line(L"lpcmi: " + Num(lpcmi));
        Line(L"Copying \"lpcmi\" memory pointer to a CMINVOKECOMMANDINFO structure");
        if (!lpcmi) {
            result = E_INVALIDARG;
            Failure::Raise(Failure::InvalidArgument);
        }
        const Invocation inv(*lpcmi);
        TraceFields(inv.info);
        if (inv.size < sizeof(CMINVOKECOMMANDINFO)) {
            result = E_INVALIDARG;
            Failure::Raise(Failure::InvalidArgument);
        }

        Line(L"Converting lpDirectory into useable information");
        const std::wstring directory = Directory(inv);
        Line(L"Directory: " + directory);
        Line(L"Converting lpParameters into useable information");
        TraceParameters(Parameters(inv));

        Line(L"Getting command ID");
        Trace::ProcEnter(state.TraceDepth);
        const int offset = CommandOffset(inv);
        if (offset == 0) CreatePlaylist(directory, inv.info.hwnd, (inv.info.fMask & CMIC_MASK_FLAG_NO_UI) == 0);
        else if (offset == 1) ShowOptions();
        // A verb or offset meant for another handler must not pass for done.
        else result = E_INVALIDARG;
        Trace::ProcLeave(state.TraceDepth);
        Line(L"Done with command ID");
        Trace::ProcLeave(state.TraceDepth);
        Line(L"Done IContextMenu_InvokeCommand()", true);
    });
    return result;
}
