#include "ShellExt.h"

#include <new>
#include <string>

#include "Codepage.h"
#include "CommandText.h"
#include "FolderPlaylist.h"
#include "GeneralShell.h"
#include "Handles.h"
#include "ModuleState.h"
#include "SelectionShell.h"
#include "Server.h"
#include "ShellExtInvoke.h"
#include "Trace.h"

namespace {

constexpr std::wstring_view Module = L"ShellExt";
constexpr Trace::Procedure CreateTrace{Module, L"Class_Initialize()"};
constexpr Trace::Procedure TerminateTrace{Module, L"Class_Terminate()"};
constexpr Trace::Procedure InitializeTrace{Module, L"IShellExtInit_Initialize()"};
constexpr Trace::Procedure CommandStringTrace{Module, L"IContextMenu_GetCommandString()"};

using Trace::Number;

}  // namespace

HRESULT ShellExt::Create(REFIID riid, void** ppv) {
    auto* object = new (std::nothrow) ShellExt();
    if (!object) return E_OUTOFMEMORY;
    Server::StayLoaded();
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

ShellExt::ShellExt() {
    Server::LockModule();
    Class_Initialize();
}

ShellExt::~ShellExt() {
    Class_Terminate();
    Server::UnlockModule();
}

IFACEMETHODIMP ShellExt::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellExtInit)) {
        *ppv = static_cast<IShellExtInit*>(this);
    } else if (IsEqualIID(riid, IID_IContextMenu)) {
        *ppv = static_cast<IContextMenu*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

IFACEMETHODIMP_(ULONG) ShellExt::AddRef() { return InterlockedIncrement(&refs_); }

IFACEMETHODIMP_(ULONG) ShellExt::Release() {
    LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
}

IFACEMETHODIMP ShellExt::Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* lpdobj, HKEY hKeyProgID) {
    return IShellExtInit_Initialize(pidlFolder, lpdobj, hKeyProgID);
}

// Reached only where the table entry is not (or no longer) General's: another
// thread's object may have put the class's own entry back under this one.
IFACEMETHODIMP ShellExt::QueryContextMenu(HMENU hMenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                          UINT uFlags) {
    if (!created_) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    return General::QueryContextMenu(this, hMenu, indexMenu, idCmdFirst, idCmdLast, uFlags);
}

IFACEMETHODIMP ShellExt::InvokeCommand(CMINVOKECOMMANDINFO* lpcmi) { return IContextMenu_InvokeCommand(lpcmi); }

IFACEMETHODIMP ShellExt::GetCommandString(UINT_PTR idCmd, UINT uFlags, UINT* reserved, CHAR* pszName,
                                          UINT cchMax) {
    return IContextMenu_GetCommandString(idCmd, uFlags, reserved, pszName, cchMax);
}

void ShellExt::Class_Initialize() {
    ModuleState& state = ThreadState();
    created_ = Trace::Trapped(CreateTrace, [&] {
        state.InitFailed = 0;
        state.SavedTableEntry = General::ReplaceVtableEntry(static_cast<IContextMenu*>(this), 4,
                                                            reinterpret_cast<uintptr_t>(&General::QueryContextMenu));
        CreateTrace(L"Complete", Trace::BlankAfter);
        Trace::ProcEnter(state.TraceDepth);
    });
    if (!created_) state.InitFailed = -1;
}

void ShellExt::Class_Terminate() {
    ModuleState& state = ThreadState();
    // No trap of its own; a failure here must still not leave the destructor.
    Failure::Guard(
        [&] {
            state.SavedTableEntry = General::ReplaceVtableEntry(static_cast<IContextMenu*>(this), 4,
                                                                state.SavedTableEntry);
        },
        [](const Failure::Error&) {});
    // This object's menus are gone with it, so are their pictures; the
    // thread's slots forget any that were this object's.
    for (const Handles::UniqueBitmap& bitmap : bitmaps_)
        for (void*& slot : state.MenuBitmaps)
            if (slot == bitmap.get()) slot = nullptr;
    bitmaps_.clear();
    Failure::Guard(
        [&] {
            Trace::ProcLeave(state.TraceDepth);
            TerminateTrace(L"Done", Trace::BlankAfter);
            state.TraceDepth = 0;
            Trace::DebugWrite(L"General", L"Main()", L"Application DLL Terminated");
        },
        [](const Failure::Error&) {});
}

void ShellExt::AdoptMenuBitmap(HBITMAP bitmap) {
    if (bitmap) bitmaps_.emplace_back(bitmap);
}

namespace {

// Nothing of an earlier selection survives a fetch that fails: a later
// command must never write another menu's files. What cannot fail goes
// first, so that even a failed allocation leaves no menu and no folders of
// the earlier selection. Its buffers are handed back for the next list to
// reuse.
Selection::Files ForgetSelection(ModuleState& state) {
    state.ShowMenu = 0;
    state.SelectionFolder.clear();
    state.SelectionFolders.clear();
    Selection::Files files = std::move(state.SelectionList);
    state.SelectionList.Clear();
    return files;
}

std::wstring FolderOf(PCIDLIST_ABSOLUTE pidlFolder) {
    wchar_t folder[MAX_PATH] = {};
    if (pidlFolder && SHGetPathFromIDListW(pidlFolder, folder)) return folder;
    return {};
}

void TraceSelected(std::wstring_view name, bool kept) {
    InitializeTrace(L"Selected File: " + std::wstring(name) +
                    (kept ? L"; upon command, adding to playlist" : L"; not adding to playlist"));
}

// The default value of the selection's class key, read for the trace only.
void TraceClassValue(HKEY hKeyProgID) {
    constexpr DWORD Capacity = 512;
    wchar_t buffer[Capacity] = {};
    DWORD size = Capacity * sizeof(wchar_t);
    DWORD type = REG_SZ;
    InitializeTrace(L"Querying Value");
    LSTATUS rc = RegQueryValueExW(hKeyProgID, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    InitializeTrace(L"Parsing Value");
    DWORD chars = size / sizeof(wchar_t);
    if (rc != ERROR_SUCCESS) chars = Capacity;
    // A value longer than the buffer names a position past its end.
    if (chars > Capacity) Failure::Raise(Failure::InvalidArgument);
    if (chars > 0 && buffer[chars - 1] == L'\0') --chars;
    if (rc == ERROR_SUCCESS && chars > 0) InitializeTrace(L"Value: " + std::wstring(buffer, chars));
}

}  // namespace

HRESULT ShellExt::IShellExtInit_Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* lpdobj, HKEY hKeyProgID) {
    ModuleState& state = ThreadState();
    Trace::Trapped(InitializeTrace, [&] {
        InitializeTrace(L"Begin IShellExtInit_Initialize()");
        Trace::ProcEnter(state.TraceDepth);
        InitializeTrace(L"pidlFolder: " + Number(pidlFolder) + L" lpdobj: " + Number(lpdobj) +
                                  L" hKeyProgID: " + Number(hKeyProgID));
        Selection::Files files = ForgetSelection(state);
        state.SelectionFolder = FolderOf(pidlFolder);
        const bool withFolders = state.Options.Folders != 0;

        if (withFolders && !lpdobj && !state.SelectionFolder.empty()) {
            // The empty background of a folder was clicked: the folder is
            // the selection. Its files are read only upon command.
            InitializeTrace(L"Background of folder: " + state.SelectionFolder +
                            L"; upon command, adding its files to playlist");
            state.SelectionFolders.push_back(state.SelectionFolder);
            state.ShowMenu = -1;
        } else {
            InitializeTrace(L"Copying pointer to the IDataObject into a local variable");
            Handles::UniqueMedium medium;
            const DWORD lastError = Selection::FetchDropList(lpdobj, medium);
            InitializeTrace(L"Calling oIDataObj.GetData ByVal VarPtr(FmtEtc), ByVal VarPtr(pMedium)");
            InitializeTrace(L"LastDLLError() Function Returns: " + std::to_wstring(lastError));

            Trace::ProcEnter(state.TraceDepth);
            Selection::Rules rules{&state.Options.ExtensionList, Codepage::FromAnsi,
                                   state.TraceSwitch ? TraceSelected : nullptr};
            if (withFolders) {
                rules.isFolder = FolderPlaylist::IsFolder;
                rules.folders = &state.SelectionFolders;
            }
            const std::size_t kept = Selection::ReadDropList(medium.get(), rules, files);
            state.SelectionList = std::move(files);
            if (state.TraceSwitch)
                for (const std::wstring& folder : state.SelectionFolders)
                    InitializeTrace(L"Selected Folder: " + folder +
                                    L"; upon command, adding its files to playlist");
            state.ShowMenu = kept > 0 || !state.SelectionFolders.empty() ? -1 : 0;
            Trace::ProcLeave(state.TraceDepth);
        }

        InitializeTrace(L"Getting info from the registry");
        Trace::ProcEnter(state.TraceDepth);
        TraceClassValue(hKeyProgID);
        Trace::ProcLeave(state.TraceDepth);
        InitializeTrace(L"Done with registry", state.ShowMenu == 0 ? Trace::BlankAfter : Trace::Plain);
        if (state.ShowMenu == 0)
            InitializeTrace(L"No selected files match ext. criteria. The menu will not be created", Trace::BlankAfter);
        Trace::ProcLeave(state.TraceDepth);
        InitializeTrace(L"Done IShellExtInit_Initialize()", Trace::BlankAfter);
    });
    return S_OK;
}

namespace {

std::string ToAnsi(std::wstring_view text) { return Codepage::ToAnsi(text); }

}  // namespace

HRESULT ShellExt::IContextMenu_GetCommandString(UINT_PTR idCmd, UINT uFlags, UINT*, CHAR* pszName, UINT cchMax) {
    ModuleState& state = ThreadState();
    HRESULT result = S_OK;
    Failure::Guard(
        [&] {
            CommandStringTrace(L"Begin IContextMenu_GetCommandString()");
            Trace::ProcEnter(state.TraceDepth);
            CommandStringTrace(L"idCmd: " + Number(static_cast<intptr_t>(idCmd)) +
                                         L" uFlags: " + Number(static_cast<int32_t>(uFlags)) +
                                         L" pszName: " + Number(pszName) +
                                         L" cchMax: " + Number(static_cast<int32_t>(cchMax)));
            // A size that reads as negative is rejected before anything is written.
            if (static_cast<int32_t>(cchMax) < 0) {
                result = E_INVALIDARG;
                Trace::ProcLeave(state.TraceDepth);
                return;
            }
            const CommandText::Kind kind = CommandText::KindOf(uFlags);
            if (kind == CommandText::Kind::Verb) CommandStringTrace(L"Modifying menu verbs");
            if (kind == CommandText::Kind::Help) CommandStringTrace(L"Modifying help text");
            const std::wstring_view answer = CommandText::Answer(kind, idCmd);
            if (!pszName) {
                result = E_INVALIDARG;
            } else if (kind == CommandText::Kind::None) {
                // Not answered (a verb's icon, say): success would pass the
                // buffer's old content off as the answer.
                result = E_NOTIMPL;
            } else if (cchMax > 0) {
                if (uFlags & GCS_UNICODE) {
                    const std::wstring text = CommandText::CutToUnits(answer, cchMax);
                    auto* out = reinterpret_cast<wchar_t*>(pszName);
                    text.copy(out, text.size());
                    out[text.size()] = L'\0';
                } else {
                    const std::string bytes = CommandText::CutToBytes(answer, cchMax, ToAnsi);
                    bytes.copy(pszName, bytes.size());
                    pszName[bytes.size()] = '\0';
                }
            }
            Trace::ProcLeave(state.TraceDepth);
            CommandStringTrace(L"Done IContextMenu_GetCommandString()", Trace::BlankAfter);
        },
        [&](const Failure::Error&) { result = E_FAIL; });
    return result;
}
