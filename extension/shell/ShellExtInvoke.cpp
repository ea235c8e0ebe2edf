#include "ShellExtInvoke.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "Codepage.h"
#include "Failure.h"
#include "FolderPlaylist.h"
#include "ModuleState.h"
#include "NoCase.h"
#include "PlaylistCommand.h"
#include "Trace.h"
#include "Trkconfig.h"

namespace {

using Trace::Number;

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
    InvokeTrace(L"cbSize: " + Number(static_cast<int32_t>(c.cbSize)) + L" dwHotKey: " + Number(static_cast<int32_t>(c.dwHotKey)) +
         L" fMask: " + Number(static_cast<int32_t>(c.fMask)) + L" hIcon: " + Number(c.hIcon) + L" hwnd: " + Number(c.hwnd) +
         L" lpDirectory: " + Number(c.lpDirectory) + L" lpParameters: " + Number(c.lpParameters) +
         L" lpVerb: " + Number(c.lpVerb) + L" nShow: " + Number(c.nShow));
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
    InvokeTrace(L"Len Parameters: " + Number(parameters.size()));
    InvokeTrace(L"CopyMemory Parameters: " + parameters + L'\0');
    InvokeTrace(L"Parameters: " + parameters);
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
        InvokeTrace(L"The shell has not called this command, the following is the verb info");
        InvokeTrace(L"Verb: " + verb, Trace::BlankAfter);
        return VerbOffset(verb);
    }
    const auto id = reinterpret_cast<uintptr_t>(c.lpVerb);
    InvokeTrace(L"Command ID: " + Number(id), Trace::BlankAfter);
    return id <= 1 ? static_cast<int>(id) : -1;
}

// The thread's kept selection, as Initialize left it, is the command's. A
// failure the user was shown answers ERROR_CANCELLED, so that a caller
// (ShellExecuteEx) adds no message of its own; without user interface the
// caller gets the error itself.
HRESULT CreatePlaylist(const std::wstring& directory, HWND owner, bool ui) {
    ModuleState& state = ThreadState();
    // Kept names may be folders ("Live.mp3"): with the Folders option they go
    // with the folders, whose files they give.
    if (state.Options.Folders != 0) FolderPlaylist::TakeFolders(state.SelectionList, state.SelectionFolders);
    const PlaylistCommand::Request request{directory, state.SelectionFolder, state.SelectionList,
                                           state.SelectionFolders, owner, ui};
    const PlaylistCommand::Result result = PlaylistCommand::Create(request, state.Options, InvokeTrace);
    if (result.outcome != PlaylistCommand::Outcome::Failed) return S_OK;
    return HRESULT_FROM_WIN32(ui ? static_cast<unsigned long>(ERROR_CANCELLED) : result.error);
}

}  // namespace

HRESULT IContextMenu_InvokeCommand(CMINVOKECOMMANDINFO* lpcmi) {
    HRESULT result = S_OK;
    Trace::Trapped(InvokeTrace, [&] {
        ModuleState& state = ThreadState();
        InvokeTrace(L"Begin IContextMenu_InvokeCommand()");
        Trace::ProcEnter(state.TraceDepth);
        InvokeTrace(L"lpcmi: " + Number(lpcmi));
        InvokeTrace(L"Copying \"lpcmi\" memory pointer to a CMINVOKECOMMANDINFO structure");
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

        InvokeTrace(L"Converting lpDirectory into useable information");
        const std::wstring directory = Directory(inv);
        InvokeTrace(L"Directory: " + directory);
        InvokeTrace(L"Converting lpParameters into useable information");
        TraceParameters(Parameters(inv));

        InvokeTrace(L"Getting command ID");
        Trace::ProcEnter(state.TraceDepth);
        const int offset = CommandOffset(inv);
        if (offset == 0) result = CreatePlaylist(directory, inv.info.hwnd, (inv.info.fMask & CMIC_MASK_FLAG_NO_UI) == 0);
        else if (offset == 1) Trkconfig::ShowOptions(InvokeTrace);
        // A verb or offset meant for another handler must not pass for done.
        else result = E_INVALIDARG;
        Trace::ProcLeave(state.TraceDepth);
        InvokeTrace(L"Done with command ID");
        Trace::ProcLeave(state.TraceDepth);
        InvokeTrace(L"Done IContextMenu_InvokeCommand()", Trace::BlankAfter);
    });
    return result;
}
