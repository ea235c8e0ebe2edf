#include "ExplorerCommand.h"

#include <shlobj.h>
#include <shlwapi.h>

#include <cstdint>
#include <new>
#include <string>
#include <type_traits>

#include "CommandList.h"
#include "CommandText.h"
#include "Failure.h"
#include "FolderPlaylist.h"
#include "Handles.h"
#include "ModuleInfo.h"
#include "ModuleState.h"
#include "PlaylistCommand.h"
#include "Selection.h"
#include "Server.h"
#include "SystemError.h"
#include "Trace.h"
#include "Trkconfig.h"

// In libuuid, declared by no mingw-w64 header.
extern "C" const GUID SID_STopLevelBrowser;

using Microsoft::WRL::ComPtr;

namespace {

constexpr std::wstring_view Module = L"ExplorerCommand";
constexpr Trace::Procedure TitleTrace{Module, L"IExplorerCommand_GetTitle()"};
constexpr Trace::Procedure IconTrace{Module, L"IExplorerCommand_GetIcon()"};
constexpr Trace::Procedure TipTrace{Module, L"IExplorerCommand_GetToolTip()"};
constexpr Trace::Procedure NameTrace{Module, L"IExplorerCommand_GetCanonicalName()"};
constexpr Trace::Procedure StateTrace{Module, L"IExplorerCommand_GetState()"};
constexpr Trace::Procedure InvokeTrace{Module, L"IExplorerCommand_Invoke()"};
constexpr Trace::Procedure FlagsTrace{Module, L"IExplorerCommand_GetFlags()"};
constexpr Trace::Procedure EnumTrace{Module, L"IExplorerCommand_EnumSubCommands()"};
constexpr Trace::Procedure SetSiteTrace{Module, L"IObjectWithSite_SetSite()"};
constexpr Trace::Procedure GetSiteTrace{Module, L"IObjectWithSite_GetSite()"};

// Each command's own name, which Explorer may keep (Kind order).
constexpr GUID kCanonical[] = {
    {0xc3193997, 0x2461, 0x4918, {0x82, 0xdb, 0x47, 0x81, 0xe0, 0xf0, 0x56, 0x61}},
    {0xf1aa0847, 0xaf24, 0x4b68, {0x9e, 0x3a, 0x22, 0x7a, 0x11, 0xbc, 0xea, 0xf4}},
    {0xd2eacdc3, 0xfbbb, 0x42ed, {0x80, 0x00, 0xe0, 0xb1, 0x7f, 0x3f, 0x89, 0x7e}},
};
// The classic menu's captions (string table) and pictures (icons of the same numbers).
constexpr UINT kCaption[] = {101, 102, 103};
constexpr UINT kIcon[] = {101, 101, 102};

size_t IndexOf(ExplorerCommand::Kind kind) { return static_cast<size_t>(kind); }

// The HRESULT for a failure: what Explorer or a script can tell apart. A
// failed call's own HRESULT stays as it was.
HRESULT ResultOf(const Failure::Error& e) {
    if (!e.system && e.number < 0) return static_cast<HRESULT>(e.number);
    if (!e.system && e.number == Failure::Internal) return E_UNEXPECTED;
    return HRESULT_FROM_WIN32(SystemError::CodeOf(e));
}

// The COM boundary of every traced method: Begin and Done lines around body
// (which answers the method's result), failures reported by the trap and
// answered as an HRESULT. The depth is put back after a failure, so later
// lines of the thread stay where they belong. A body that takes the thread's
// record gets the one looked up here.
template <class Body>
HRESULT Traced(const Trace::Procedure& trace, Body&& body) noexcept {
    HRESULT result = E_UNEXPECTED;
    int16_t depth = 0;
    bool haveState = false;
    Trace::Trapped(trace, [&] {
        ModuleState& state = ThreadState();
        depth = state.TraceDepth;
        haveState = true;
        try {
            // GetState runs on every right-click: no text is made for a trace that is off.
            if (state.TraceSwitch) trace(L"Begin " + std::wstring(trace.name));
            Trace::ProcEnter(state.TraceDepth);
            if constexpr (std::is_invocable_v<Body&, ModuleState&>)
                result = body(state);
            else
                result = body();
            Trace::ProcLeave(state.TraceDepth);
            if (state.TraceSwitch) trace(L"Done " + std::wstring(trace.name), Trace::BlankAfter);
        } catch (const Failure::Error& e) {
            result = ResultOf(e);
            throw;
        } catch (const std::bad_alloc&) {
            result = E_OUTOFMEMORY;
            throw;
        } catch (...) {
            result = E_UNEXPECTED;
            throw;
        }
    });
    if (FAILED(result) && haveState) ThreadState().TraceDepth = depth;
    return result;
}

HRESULT Duplicate(const std::wstring& text, LPWSTR* out) { return SHStrDupW(text.c_str(), out); }

std::wstring Caption(UINT id) {
    wchar_t text[256] = {};
    const int n = LoadStringW(Server::Instance(), id, text, 256);
    if (n <= 0) Failure::Raise(Failure::FileNotFound, L"string " + std::to_wstring(id));
    return CommandText::WithoutMnemonic(std::wstring_view(text, static_cast<size_t>(n)));
}

std::wstring HexOf(HRESULT hr) {
    wchar_t text[16] = {};
    wsprintfW(text, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

// The file-system path of an item into path (its buffer reused); empty for an
// item that has none (a library, a phone, the Control Panel).
void PathOf(IShellItem* item, std::wstring& path) {
    path.clear();
    LPWSTR name = nullptr;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) && name) path.assign(name);
    CoTaskMemFree(name);
}

// A folder to walk: a compressed file the shell browses like a folder is no
// folder of files.
bool IsFolderItem(IShellItem* item) {
    SFGAOF attributes = 0;
    if (FAILED(item->GetAttributes(SFGAO_FOLDER | SFGAO_STREAM, &attributes))) return false;
    return (attributes & SFGAO_FOLDER) && !(attributes & SFGAO_STREAM);
}

DWORD CountOf(IShellItemArray* items) {
    DWORD count = 0;
    if (!items || FAILED(items->GetCount(&count))) return 0;
    return count;
}

// A selection's files mostly share one folder, which the kept files hold
// once: the first path's folder and name size their buffers, so that the
// names are not copied while the buffer grows (what stays unused is never
// touched). It is a guess: one too large for memory is dropped, and the
// names grow as they come.
void ReserveFor(KeptFiles& files, DWORD count, std::wstring_view first) {
    const size_t name = Selection::NamePart(first).size();
    const unsigned long long chars = (first.size() - name) + static_cast<unsigned long long>(count) * name;
    if (chars > PTRDIFF_MAX / sizeof(wchar_t)) return;
    try {
        files.Reserve(count, static_cast<size_t>(chars));
    } catch (const std::bad_alloc&) {
    }
}

void TraceSelected(std::wstring_view name, bool kept) {
    InvokeTrace(L"Selected File: " + std::wstring(name) +
                (kept ? L"; upon command, adding to playlist" : L"; not adding to playlist"));
}

}  // namespace

namespace ExplorerSite {

namespace {

std::wstring FolderOf(IFolderView* view) {
    ComPtr<IShellItem> item;
    std::wstring path;
    if (SUCCEEDED(view->GetFolder(IID_PPV_ARGS(&item))) && item) {
        PathOf(item.Get(), path);
        if (!path.empty()) return path;
    }
    // Older views hand out their folder only as a shell folder.
    ComPtr<IPersistFolder2> folder;
    PIDLIST_ABSOLUTE pidl = nullptr;
    if (SUCCEEDED(view->GetFolder(IID_PPV_ARGS(&folder))) && folder && SUCCEEDED(folder->GetCurFolder(&pidl))) {
        LPWSTR name = nullptr;
        if (SUCCEEDED(SHGetNameFromIDList(pidl, SIGDN_FILESYSPATH, &name)) && name) path = name;
        CoTaskMemFree(name);
        CoTaskMemFree(pidl);
    }
    return path;
}

}  // namespace

View Read(IUnknown* site) {
    View view;
    if (!site) return view;
    ComPtr<IServiceProvider> provider;
    ComPtr<IShellBrowser> browser;
    if (SUCCEEDED(site->QueryInterface(IID_PPV_ARGS(&provider))))
        provider->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(&browser));
    ComPtr<IShellView> shellView;
    ComPtr<IFolderView> folderView;
    if (browser && SUCCEEDED(browser->QueryActiveShellView(&shellView)) && shellView &&
        SUCCEEDED(shellView.As(&folderView)))
        view.folder = FolderOf(folderView.Get());
    ComPtr<IOleWindow> window;
    if (SUCCEEDED(site->QueryInterface(IID_PPV_ARGS(&window)))) window->GetWindow(&view.owner);
    else if (browser) browser->GetWindow(&view.owner);
    return view;
}

}  // namespace ExplorerSite

HRESULT ExplorerCommand::Create(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    auto* object = new (std::nothrow) ExplorerCommand(Kind::Root, nullptr);
    if (!object) return E_OUTOFMEMORY;
    Server::StayLoaded();
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

HRESULT ExplorerCommand::CreateChild(Kind kind, ExplorerCommand* parent, IExplorerCommand** command) {
    *command = new (std::nothrow) ExplorerCommand(kind, parent);
    return *command ? S_OK : E_OUTOFMEMORY;
}

ExplorerCommand::ExplorerCommand(Kind kind, ExplorerCommand* parent) : kind_(kind), parent_(parent) {
    Server::LockModule();
}

ExplorerCommand::~ExplorerCommand() { Server::UnlockModule(); }

IFACEMETHODIMP ExplorerCommand::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IExplorerCommand)) {
        *ppv = static_cast<IExplorerCommand*>(this);
    } else if (IsEqualIID(riid, IID_IObjectWithSite)) {
        *ppv = static_cast<IObjectWithSite*>(this);
    } else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

IFACEMETHODIMP_(ULONG) ExplorerCommand::AddRef() { return InterlockedIncrement(&refs_); }

IFACEMETHODIMP_(ULONG) ExplorerCommand::Release() {
    LONG refs = InterlockedDecrement(&refs_);
    if (refs == 0) delete this;
    return refs;
}

IFACEMETHODIMP ExplorerCommand::GetTitle(IShellItemArray*, LPWSTR* name) { return IExplorerCommand_GetTitle(name); }
IFACEMETHODIMP ExplorerCommand::GetIcon(IShellItemArray*, LPWSTR* icon) { return IExplorerCommand_GetIcon(icon); }
IFACEMETHODIMP ExplorerCommand::GetToolTip(IShellItemArray*, LPWSTR* tip) { return IExplorerCommand_GetToolTip(tip); }
IFACEMETHODIMP ExplorerCommand::GetCanonicalName(GUID* name) { return IExplorerCommand_GetCanonicalName(name); }
IFACEMETHODIMP ExplorerCommand::GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) {
    return IExplorerCommand_GetState(items, okToBeSlow, state);
}
IFACEMETHODIMP ExplorerCommand::Invoke(IShellItemArray* items, IBindCtx*) { return IExplorerCommand_Invoke(items); }
IFACEMETHODIMP ExplorerCommand::GetFlags(EXPCMDFLAGS* flags) { return IExplorerCommand_GetFlags(flags); }
IFACEMETHODIMP ExplorerCommand::EnumSubCommands(IEnumExplorerCommand** commands) {
    return IExplorerCommand_EnumSubCommands(commands);
}
IFACEMETHODIMP ExplorerCommand::SetSite(IUnknown* site) { return IObjectWithSite_SetSite(site); }
IFACEMETHODIMP ExplorerCommand::GetSite(REFIID riid, void** site) { return IObjectWithSite_GetSite(riid, site); }

IUnknown* ExplorerCommand::Site() const {
    if (site_) return site_.Get();
    return parent_ ? parent_->Site() : nullptr;
}

HRESULT ExplorerCommand::IExplorerCommand_GetTitle(LPWSTR* name) {
    if (!name) return E_POINTER;
    *name = nullptr;
    return Traced(TitleTrace, [&] {
        const std::wstring title = Caption(kCaption[IndexOf(kind_)]);
        TitleTrace(L"Title: " + title);
        return Duplicate(title, name);
    });
}

HRESULT ExplorerCommand::IExplorerCommand_GetIcon(LPWSTR* icon) {
    if (!icon) return E_POINTER;
    *icon = nullptr;
    return Traced(IconTrace, [&] {
        // The flyout always has its picture; its commands only with Bitmaps,
        // as in the classic menu.
        if (kind_ != Kind::Root && ThreadState().Options.Bitmaps != 1) {
            IconTrace(L"No icon (Bitmaps is not 1)");
            return E_NOTIMPL;
        }
        const std::wstring location =
            ModuleInfo::FileName(Server::Instance()) + L",-" + std::to_wstring(kIcon[IndexOf(kind_)]);
        IconTrace(L"Icon: " + location);
        return Duplicate(location, icon);
    });
}

HRESULT ExplorerCommand::IExplorerCommand_GetToolTip(LPWSTR* tip) {
    if (!tip) return E_POINTER;
    *tip = nullptr;
    return Traced(TipTrace, [&] {
        if (kind_ == Kind::Root) return E_NOTIMPL;
        const std::wstring_view text =
            CommandText::Answer(CommandText::Kind::Help, kind_ == Kind::Create ? 0 : 1);
        TipTrace(L"Tip: " + std::wstring(text));
        return Duplicate(std::wstring(text), tip);
    });
}

HRESULT ExplorerCommand::IExplorerCommand_GetCanonicalName(GUID* name) {
    if (!name) return E_POINTER;
    *name = kCanonical[IndexOf(kind_)];
    return Traced(NameTrace, [] { return S_OK; });
}

HRESULT ExplorerCommand::IExplorerCommand_GetFlags(EXPCMDFLAGS* flags) {
    if (!flags) return E_POINTER;
    *flags = kind_ == Kind::Root ? ECF_HASSUBCOMMANDS : ECF_DEFAULT;
    return Traced(FlagsTrace, [&] {
        FlagsTrace(L"Flags: " + Trace::Number(static_cast<int32_t>(*flags)));
        return S_OK;
    });
}

HRESULT ExplorerCommand::IExplorerCommand_GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) {
    if (!state) return E_POINTER;
    *state = ECS_HIDDEN;
    return Traced(StateTrace, [&](const ModuleState& thread) {
        const OptionSet& options = thread.Options;
        const DWORD count = CountOf(items);
        if (thread.TraceSwitch)
            StateTrace(L"items: " + Trace::Number(static_cast<int32_t>(count)) +
                       L" okToBeSlow: " + Trace::Number(okToBeSlow));
        bool applies = kind_ == Kind::Options;
        if (!applies && count == 0) {
            // A folder's background may come without its item: the site names it.
            applies = options.Folders != 0 && !ExplorerSite::Read(Site()).folder.empty();
        }
        // Explorer asks on every right-click: the first item that decides
        // ends the walk, and nothing but paths and attributes is read; the
        // path is read where the shell put it, without a copy.
        for (DWORD i = 0; !applies && i < count; ++i) {
            ComPtr<IShellItem> item;
            if (FAILED(items->GetItemAt(i, &item)) || !item) continue;
            LPWSTR name = nullptr;
            // A failed call's out value is not the caller's to free.
            const Handles::UniqueTaskText text(SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &name)) ? name
                                                                                                       : nullptr);
            applies = Selection::Keeps(options.ExtensionList, text.get()) ||
                      (options.Folders != 0 && text && *text.get() && IsFolderItem(item.Get()));
        }
        *state = applies ? ECS_ENABLED : ECS_HIDDEN;
        if (thread.TraceSwitch) StateTrace(applies ? L"State: ECS_ENABLED" : L"State: ECS_HIDDEN");
        return S_OK;
    });
}

HRESULT ExplorerCommand::IExplorerCommand_Invoke(IShellItemArray* items) {
    return Traced(InvokeTrace, [&]() -> HRESULT {
        ModuleState& state = ThreadState();
        if (kind_ == Kind::Root) return E_NOTIMPL;
        if (kind_ == Kind::Options) {
            InvokeTrace(L"Command: Tracklet Options");
            return Trkconfig::ShowOptions(InvokeTrace) ? S_OK : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        }
        InvokeTrace(L"Command: Create M3U Playlist");
        const OptionSet& options = state.Options;
        const ExplorerSite::View view = ExplorerSite::Read(Site());
        InvokeTrace(L"View folder: " + view.folder + L" owner: " + Trace::Number(view.owner));

        KeptFiles files;
        std::vector<std::wstring> folders;
        Selection::Rules rules{&options.ExtensionList, nullptr, state.TraceSwitch ? TraceSelected : nullptr};
        if (options.Folders != 0) rules.folders = &folders;
        const DWORD count = CountOf(items);
        std::wstring path;
        for (DWORD i = 0; i < count; ++i) {
            ComPtr<IShellItem> item;
            const HRESULT hr = items->GetItemAt(i, &item);
            if (FAILED(hr)) Failure::Raise(static_cast<int>(hr));
            PathOf(item.Get(), path);
            if (i == 0) ReserveFor(files, count, path);
            Selection::Take(path, rules, files, [&](const std::wstring&) { return IsFolderItem(item.Get()); });
        }
        if (options.Folders != 0) {
            // Kept names may be folders ("Live.mp3"), as in the classic menu.
            FolderPlaylist::TakeFolders(files, folders);
            if (count == 0 && !view.folder.empty()) {
                InvokeTrace(L"Background of folder: " + view.folder + L"; upon command, adding its files to playlist");
                folders.push_back(view.folder);
            }
            if (state.TraceSwitch)
                for (const std::wstring& folder : folders)
                    InvokeTrace(L"Selected Folder: " + folder + L"; upon command, adding its files to playlist");
        }
        if (files.size() == 1 && folders.empty()) {
            InvokeTrace(L"No selected files match ext. criteria. No playlist is written");
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        }

        const PlaylistCommand::Request request{view.folder, std::wstring(), files, folders, view.owner, true};
        const PlaylistCommand::Result result = PlaylistCommand::Create(request, options, InvokeTrace);
        switch (result.outcome) {
        case PlaylistCommand::Outcome::Written: return S_OK;
        case PlaylistCommand::Outcome::Cancelled: return HRESULT_FROM_WIN32(ERROR_CANCELLED);
        case PlaylistCommand::Outcome::NothingFound: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        // The user has been told, with the site's window as owner.
        case PlaylistCommand::Outcome::Failed: return HRESULT_FROM_WIN32(result.error);
        }
        return E_UNEXPECTED;
    });
}

HRESULT ExplorerCommand::IExplorerCommand_EnumSubCommands(IEnumExplorerCommand** commands) {
    if (!commands) return E_POINTER;
    *commands = nullptr;
    return Traced(EnumTrace, [&]() -> HRESULT {
        if (kind_ != Kind::Root) return E_NOTIMPL;
        CommandList::Commands list;
        for (Kind kind : {Kind::Create, Kind::Options}) {
            ComPtr<IExplorerCommand> command;
            const HRESULT hr = CreateChild(kind, this, command.GetAddressOf());
            if (FAILED(hr)) return hr;
            list.push_back(std::move(command));
        }
        const HRESULT hr = CommandList::Create(std::move(list), commands);
        EnumTrace(L"Sub-commands: 2, " + HexOf(hr));
        return hr;
    });
}

HRESULT ExplorerCommand::IObjectWithSite_SetSite(IUnknown* site) {
    return Traced(SetSiteTrace, [&] {
        SetSiteTrace(L"site: " + Trace::Number(site));
        site_ = site;
        return S_OK;
    });
}

HRESULT ExplorerCommand::IObjectWithSite_GetSite(REFIID riid, void** site) {
    if (!site) return E_POINTER;
    *site = nullptr;
    return Traced(GetSiteTrace, [&] { return site_ ? site_->QueryInterface(riid, site) : E_FAIL; });
}
