#include "ShellExt.h"

#include <cstring>
#include <new>
#include <string>

#include "Codepage.h"
#include "CommandText.h"
#include "DropFiles.h"
#include "GeneralShell.h"
#include "ModuleState.h"
#include "mdlFiles.h"
#include "Server.h"
#include "ShellExtInvoke.h"
#include "Trace.h"

namespace {

constexpr std::wstring_view Module = L"ShellExt";
constexpr std::wstring_view ProcInitialize = L"IShellExtInit_Initialize()";
constexpr std::wstring_view ProcCommandString = L"IContextMenu_GetCommandString()";
// A name buffer of 500 characters: paths are cut to 499.
constexpr std::size_t NameLimit = 499;

std::wstring Number(intptr_t value) { return std::to_wstring(value); }
std::wstring Number(const void* value) { return std::to_wstring(reinterpret_cast<intptr_t>(value)); }

void Write(std::wstring_view procedure, std::wstring_view message, bool blankAfter = false) {
    Trace::DebugWrite(Module, procedure, message, blankAfter);
}

// Releases the medium on every way out of Initialize.
struct MediumGuard {
    STGMEDIUM medium{};
    bool filled = false;
    ~MediumGuard() {
        if (filled) ReleaseStgMedium(&medium);
    }
};

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
    created_ = Trace::Trapped(Module, L"Class_Initialize()", [&] {
        state.InitFailed = 0;
        state.SavedTableEntry = General::ReplaceVtableEntry(static_cast<IContextMenu*>(this), 4,
                                                            reinterpret_cast<uintptr_t>(&General::QueryContextMenu));
        Write(L"Class_Initialize()", L"Complete", true);
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
    for (HBITMAP bitmap : bitmaps_) {
        for (void*& slot : state.MenuBitmaps)
            if (slot == bitmap) slot = nullptr;
        DeleteObject(bitmap);
    }
    bitmaps_.clear();
    Failure::Guard(
        [&] {
            Trace::ProcLeave(state.TraceDepth);
            Write(L"Class_Terminate()", L"Done", true);
            state.TraceDepth = 0;
            Trace::DebugWrite(L"General", L"Main()", L"Application DLL Terminated");
        },
        [](const Failure::Error&) {});
}

void ShellExt::AdoptMenuBitmap(HBITMAP bitmap) {
    if (bitmap) bitmaps_.push_back(bitmap);
}

// Any count: the list is walked, not indexed by a 16-bit number.
bool ShellExt::IsListedExtension(std::wstring_view extension) {
    for (const std::wstring& entry : ThreadState().Options.ExtensionList)
        if (entry == extension) return true;
    return false;
}

HRESULT ShellExt::IShellExtInit_Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* lpdobj, HKEY hKeyProgID) {
    ModuleState& state = ThreadState();
    Trace::Trapped(Module, ProcInitialize, [&] {
        Write(ProcInitialize, L"Begin IShellExtInit_Initialize()");
        Trace::ProcEnter(state.TraceDepth);
        Write(ProcInitialize, L"pidlFolder: " + Number(pidlFolder) + L" lpdobj: " + Number(lpdobj) +
                                  L" hKeyProgID: " + Number(hKeyProgID));

        // Nothing of an earlier selection survives a fetch that fails: a
        // later command must never write another menu's files. Its strings
        // are kept aside and refilled, though: freeing one name and one path
        // per file and allocating them anew costs more than reading the list.
        std::vector<std::wstring> names = std::move(state.SelectionList);
        std::vector<std::wstring> paths = std::move(state.SelectionPaths);
        state.SelectionList.assign(1, std::wstring());
        state.SelectionPaths.assign(1, std::wstring());
        state.SelectionFolder.clear();
        state.ShowMenu = 0;
        if (pidlFolder) {
            wchar_t folder[MAX_PATH] = {};
            if (SHGetPathFromIDListW(pidlFolder, folder)) state.SelectionFolder = folder;
        }

        Write(ProcInitialize, L"Copying pointer to the IDataObject into a local variable");
        if (!lpdobj) Failure::Raise(Failure::InvalidArgument);
        IDataObject* dataObject = nullptr;
        HRESULT hr = lpdobj->QueryInterface(IID_IDataObject, reinterpret_cast<void**>(&dataObject));
        if (FAILED(hr)) Failure::Raise(static_cast<int>(hr));
        struct Holder {
            IDataObject* p;
            ~Holder() { p->Release(); }
        } holder{dataObject};

        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        MediumGuard medium;
        hr = dataObject->GetData(&format, &medium.medium);
        if (FAILED(hr)) Failure::Raise(static_cast<int>(hr));
        medium.filled = true;
        const DWORD lastError = GetLastError();
        Write(ProcInitialize, L"Calling oIDataObj.GetData ByVal VarPtr(FmtEtc), ByVal VarPtr(pMedium)");
        Write(ProcInitialize, L"LastDLLError() Function Returns: " + std::to_wstring(lastError));
        if (medium.medium.tymed != TYMED_HGLOBAL || !medium.medium.hGlobal) Failure::Raise(Failure::InvalidArgument);

        Trace::ProcEnter(state.TraceDepth);
        // Slot 0 is the empty text; accepted files follow from slot 1.
        std::size_t used = 0;
        auto keep = [&used, &names, &paths](std::wstring_view name, std::wstring_view path) {
            if (used < names.size()) names[used].assign(name);
            else names.emplace_back(name);
            if (used < paths.size()) paths[used].assign(path);
            else paths.emplace_back(path);
            ++used;
        };
        keep({}, {});
        {
            const void* block = GlobalLock(medium.medium.hGlobal);
            if (!block) Failure::Raise(Failure::InvalidArgument);
            struct Unlock {
                HGLOBAL h;
                ~Unlock() { GlobalUnlock(h); }
            } unlock{medium.medium.hGlobal};
            const auto* bytes = static_cast<const unsigned char*>(block);
            // Each name is looked at in one reused buffer; only accepted
            // ones are kept.
            std::wstring path;
            auto take = [&] {
                if (path.size() > NameLimit) path.resize(NameLimit);
                if (path.empty()) return;
                const std::wstring_view whole(path);
                const std::wstring_view name = mdlFiles::FileNamePart(whole);
                const std::wstring_view extension = mdlFiles::ExtensionPart(name);
                const bool listed = IsListedExtension(extension);
                if (state.TraceSwitch)
                    Write(ProcInitialize, L"Selected File: " + std::wstring(name) +
                                              (listed ? L"; upon command, adding to playlist"
                                                      : L"; not adding to playlist"));
                if (listed) keep(name, whole);
            };
            DropFiles::ForEach(block, GlobalSize(medium.medium.hGlobal), [&](DropFiles::Span s, bool wide) {
                if (wide) {
                    path.resize(s.length < NameLimit ? s.length : NameLimit);
                    std::memcpy(path.data(), bytes + s.offset, 2 * path.size());
                } else {
                    path = Codepage::FromAnsi({reinterpret_cast<const char*>(bytes + s.offset), s.length});
                }
                take();
            });
        }
        names.resize(used);
        paths.resize(used);
        state.SelectionList = std::move(names);
        state.SelectionPaths = std::move(paths);
        state.ShowMenu = used > 1 ? -1 : 0;
        Trace::ProcLeave(state.TraceDepth);

        Write(ProcInitialize, L"Getting info from the registry");
        Trace::ProcEnter(state.TraceDepth);
        {
            // Read for the trace only.
            constexpr DWORD Capacity = 512;
            wchar_t buffer[Capacity] = {};
            DWORD size = Capacity * sizeof(wchar_t);
            DWORD type = REG_SZ;
            Write(ProcInitialize, L"Querying Value");
            LSTATUS rc = RegQueryValueExW(hKeyProgID, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
            Write(ProcInitialize, L"Parsing Value");
            DWORD chars = size / sizeof(wchar_t);
            if (rc != ERROR_SUCCESS) chars = Capacity;
            // A value longer than the buffer names a position past its end.
            if (chars > Capacity) Failure::Raise(Failure::InvalidArgument);
            if (chars > 0 && buffer[chars - 1] == L'\0') --chars;
            if (rc == ERROR_SUCCESS && chars > 0) Write(ProcInitialize, L"Value: " + std::wstring(buffer, chars));
        }
        Trace::ProcLeave(state.TraceDepth);
        Write(ProcInitialize, L"Done with registry", state.ShowMenu == 0);
        if (state.ShowMenu == 0)
            Write(ProcInitialize, L"No selected files match ext. criteria. The menu will not be created", true);
        Trace::ProcLeave(state.TraceDepth);
        Write(ProcInitialize, L"Done IShellExtInit_Initialize()", true);
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
            Write(ProcCommandString, L"Begin IContextMenu_GetCommandString()");
            Trace::ProcEnter(state.TraceDepth);
            Write(ProcCommandString, L"idCmd: " + Number(static_cast<intptr_t>(idCmd)) +
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
            if (kind == CommandText::Kind::Verb) Write(ProcCommandString, L"Modifying menu verbs");
            if (kind == CommandText::Kind::Help) Write(ProcCommandString, L"Modifying help text");
            const std::wstring_view answer = CommandText::Answer(kind, idCmd);
            if (!pszName) {
                result = E_INVALIDARG;
            } else if (kind != CommandText::Kind::None && cchMax > 0) {
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
            Write(ProcCommandString, L"Done IContextMenu_GetCommandString()", true);
        },
        [&](const Failure::Error&) { result = E_FAIL; });
    return result;
}
