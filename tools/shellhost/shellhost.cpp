// shellhost: does with trkmenu what Explorer does with a context-menu
// handler, and prints what it sees. For tests and the demo; not shipped.
//
// shellhost [options] FILE...
//   --registry      find the handler as Explorer does: the default value of
//                   *\shellex\ContextMenuHandlers\TRK names the class, the
//                   user's classes (HKCU\Software\Classes) before the
//                   machine's; a class registered for the user alone is
//                   created from its InprocServer32, since Wine's COM reads
//                   the machine's classes only
//   --own-data      hand over our own CF_HDROP data object instead of the
//                   shell's (files of several folders, long paths)
//   --ansi-data     our own data object with 8-bit names
//   --no-folder     pass a null folder to Initialize
//   --background    right-click the empty space of the folder FILE names:
//                   Initialize gets its ID list and no data object
//   --first N       idCmdFirst (default 1)      --last N   idCmdLast (0x7FFF)
//   --flags N       QueryContextMenu flags (0)  --index N  insert position (0)
//   --offset N      invoke command offset N
//   --verb TEXT     invoke by 8-bit verb        --verbw TEXT  by wide verb
//   --dir PATH      lpDirectory (default NULL, as Explorer passes it)
//   --second        invoke on a second object, freshly created and
//                   initialised with the same files, as Explorer does
//   --strings N     ask GetCommandString for offsets 0..N-1 (default 2)
//   --quiet         print only result codes
//   --show          show the menu on screen among host items, the cascade
//                   opened, until the process is ended (for pictures of it)
//   --explorer      the Explorer command of Windows 11's menu instead: the
//                   files as the shell's item array, a site for the view of
//                   the first file's folder; prints the root's title, flags
//                   and state and each sub-command's title, tip, icon and
//                   state; --offset N invokes sub-command N. With
//                   --background the site shows the folder FILE names and
//                   the array is empty, as for a folder's background;
//                   --no-folder gives no site
// Exit code: 0 when every COM call the run made succeeded, else 1.
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "DropDataObject.h"
#include "FolderSite.h"
#include "trkmenu_h.h"

namespace {

struct Options {
    bool registry = false, ownData = false, ansiData = false, noFolder = false, second = false, quiet = false,
         background = false, show = false, explorer = false;
    UINT first = 1, last = 0x7FFF, flags = 0, index = 0, strings = 2;
    enum class Invoke { None, Offset, Verb, VerbW } invoke = Invoke::None;
    UINT offset = 0;
    std::wstring verb, dir;
    std::vector<std::wstring> files;
};

void Print(const std::wstring& text) {
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
    utf8.pop_back();
    std::fputs(utf8.c_str(), stdout);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

std::wstring Hex(HRESULT hr) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    return text;
}

UINT Number(const wchar_t* text) { return static_cast<UINT>(std::wcstoul(text, nullptr, 0)); }

bool Parse(int argc, wchar_t** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        auto value = [&]() -> const wchar_t* { return i + 1 < argc ? argv[++i] : nullptr; };
        const wchar_t* v = nullptr;
        if (a == L"--registry") o.registry = true;
        else if (a == L"--own-data") o.ownData = true;
        else if (a == L"--ansi-data") o.ownData = o.ansiData = true;
        else if (a == L"--no-folder") o.noFolder = true;
        else if (a == L"--background") o.background = true;
        else if (a == L"--second") o.second = true;
        else if (a == L"--quiet") o.quiet = true;
        else if (a == L"--show") o.show = true;
        else if (a == L"--explorer") o.explorer = true;
        else if (a == L"--first" && (v = value())) o.first = Number(v);
        else if (a == L"--last" && (v = value())) o.last = Number(v);
        else if (a == L"--flags" && (v = value())) o.flags = Number(v);
        else if (a == L"--index" && (v = value())) o.index = Number(v);
        else if (a == L"--strings" && (v = value())) o.strings = Number(v);
        else if (a == L"--offset" && (v = value())) { o.invoke = Options::Invoke::Offset; o.offset = Number(v); }
        else if (a == L"--verb" && (v = value())) { o.invoke = Options::Invoke::Verb; o.verb = v; }
        else if (a == L"--verbw" && (v = value())) { o.invoke = Options::Invoke::VerbW; o.verb = v; }
        else if (a == L"--dir" && (v = value())) o.dir = v;
        else if (a.rfind(L"--", 0) == 0) return false;
        else o.files.push_back(a);
    }
    return !o.files.empty();
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash == 2 ? 3 : slash);
}

std::wstring NameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

class Host {
public:
    explicit Host(const Options& o) : o_(o) {}
    int Run();

private:
    bool ClassId(CLSID& clsid);
    // A new handler, initialised with the files; null on failure.
    IContextMenu* NewHandler(const CLSID& clsid, const wchar_t* label);
    // Hands the files over as a selection, or the folder as a background.
    HRESULT Initialize(IShellExtInit* init);
    void ShowMenu(HMENU menu, const std::wstring& indent);
    void ShowStrings(IContextMenu* menu);
    void Display(HMENU popup);
    HRESULT Invoke(IContextMenu* menu);
    void Result(const wchar_t* what, HRESULT hr) {
        if (FAILED(hr)) failed_ = true;
        Print(std::wstring(what) + L": " + Hex(hr));
    }

    const Options& o_;
    bool failed_ = false;
};

bool Host::ClassId(CLSID& clsid) {
    clsid = CLSID_ShellExt;
    if (!o_.registry) return true;
    wchar_t text[64] = {};
    DWORD size = sizeof text;
    LSTATUS rc = RegGetValueW(HKEY_CURRENT_USER, L"Software\\Classes\\*\\shellex\\ContextMenuHandlers\\TRK", nullptr,
                              RRF_RT_REG_SZ, nullptr, text, &size);
    if (rc != ERROR_SUCCESS) {
        size = sizeof text;
        rc = RegGetValueW(HKEY_CLASSES_ROOT, L"*\\shellex\\ContextMenuHandlers\\TRK", nullptr, RRF_RT_REG_SZ, nullptr,
                          text, &size);
    }
    if (rc != ERROR_SUCCESS) {
        Result(L"registry lookup", HRESULT_FROM_WIN32(rc));
        return false;
    }
    Print(std::wstring(L"handler: ") + text);
    return SUCCEEDED(CLSIDFromString(text, &clsid));
}

// The class's object from the user's own registration, as Windows' COM
// would create it; REGDB_E_CLASSNOTREG when the user has none.
HRESULT CreateFromUserClasses(const CLSID& clsid, REFIID riid, void** ppv) {
    wchar_t id[40] = {};
    StringFromGUID2(clsid, id, 40);
    const std::wstring key = std::wstring(L"Software\\Classes\\CLSID\\") + id + L"\\InprocServer32";
    wchar_t server[MAX_PATH] = {};
    DWORD size = sizeof server;
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, server, &size) != ERROR_SUCCESS)
        return REGDB_E_CLASSNOTREG;
    // Stays loaded for the process, as COM keeps a server it has used.
    HMODULE module = LoadLibraryExW(server, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return HRESULT_FROM_WIN32(GetLastError());
    using GetClassObjectProc = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectProc>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    if (!getClassObject) return HRESULT_FROM_WIN32(GetLastError());
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(nullptr, riid, ppv);
    factory->Release();
    return hr;
}

IContextMenu* Host::NewHandler(const CLSID& clsid, const wchar_t* label) {
    IShellExtInit* init = nullptr;
    HRESULT hr = REGDB_E_CLASSNOTREG;
    if (o_.registry) hr = CreateFromUserClasses(clsid, IID_IShellExtInit, reinterpret_cast<void**>(&init));
    if (hr == REGDB_E_CLASSNOTREG)
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, reinterpret_cast<void**>(&init));
    Result((std::wstring(label) + L" create").c_str(), hr);
    if (FAILED(hr)) return nullptr;

    hr = Initialize(init);
    Result((std::wstring(label) + L" initialize").c_str(), hr);

    IContextMenu* menu = nullptr;
    hr = init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    init->Release();
    if (FAILED(hr)) {
        Result(L"IContextMenu", hr);
        return nullptr;
    }
    return menu;
}

HRESULT Host::Initialize(IShellExtInit* init) {
    if (o_.background) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        HRESULT hr = SHParseDisplayName(o_.files.front().c_str(), nullptr, &pidl, 0, nullptr);
        if (SUCCEEDED(hr)) hr = init->Initialize(pidl, nullptr, nullptr);
        if (pidl) CoTaskMemFree(pidl);
        return hr;
    }
    const std::wstring folder = FolderOf(o_.files.front());
    std::vector<std::wstring> names;
    bool oneFolder = true;
    for (const std::wstring& f : o_.files) {
        names.push_back(NameOf(f));
        if (FolderOf(f) != folder) oneFolder = false;
    }
    PIDLIST_ABSOLUTE folderPidl = nullptr;
    IDataObject* data = nullptr;
    if (!o_.ownData && oneFolder) data = ShellDataObject(folder, names, &folderPidl);
    if (!data) {
        if (!o_.ownData) Print(L"note: the shell made no data object for these files; using our own");
        data = DropDataObject::Create(o_.files, !o_.ansiData);
        if (!folderPidl && oneFolder) SHParseDisplayName(folder.c_str(), nullptr, &folderPidl, 0, nullptr);
    }
    HRESULT hr = init->Initialize(o_.noFolder ? nullptr : folderPidl, data, nullptr);
    data->Release();
    if (folderPidl) CoTaskMemFree(folderPidl);
    return hr;
}

void Host::ShowMenu(HMENU menu, const std::wstring& indent) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t caption[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_CHECKMARKS | MIIM_BITMAP | MIIM_FTYPE;
        info.dwTypeData = caption;
        info.cch = 256;
        if (!GetMenuItemInfoW(menu, i, TRUE, &info)) continue;
        std::wstring line = indent + L"item " + std::to_wstring(i) + L": \"" + caption + L"\"";
        if (info.hSubMenu) line += L" submenu";
        else line += L" id=" + std::to_wstring(info.wID);
        if (info.hbmpChecked || info.hbmpUnchecked) {
            BITMAP bm{};
            GetObjectW(info.hbmpUnchecked, sizeof bm, &bm);
            line += L" checkmark-bitmaps=" + std::to_wstring(bm.bmWidth) + L"x" + std::to_wstring(bm.bmHeight);
        }
        if (info.hbmpItem) line += L" item-bitmap";
        Print(line);
        if (info.hSubMenu) ShowMenu(info.hSubMenu, indent + L"  ");
    }
}

void Host::ShowStrings(IContextMenu* menu) {
    for (UINT offset = 0; offset < o_.strings; ++offset) {
        char verbA[260] = {}, helpA[260] = {};
        wchar_t verbW[260] = {}, helpW[260] = {};
        HRESULT h1 = menu->GetCommandString(offset, GCS_VERBA, nullptr, verbA, 260);
        HRESULT h2 = menu->GetCommandString(offset, GCS_VERBW, nullptr, reinterpret_cast<char*>(verbW), 260);
        HRESULT h3 = menu->GetCommandString(offset, GCS_HELPTEXTA, nullptr, helpA, 260);
        HRESULT h4 = menu->GetCommandString(offset, GCS_HELPTEXTW, nullptr, reinterpret_cast<char*>(helpW), 260);
        wchar_t a1[260] = {}, a3[260] = {};
        MultiByteToWideChar(CP_ACP, 0, verbA, -1, a1, 260);
        MultiByteToWideChar(CP_ACP, 0, helpA, -1, a3, 260);
        Print(L"offset " + std::to_wstring(offset) + L": verbA=\"" + a1 + L"\" (" + Hex(h1) + L") verbW=\"" + verbW +
              L"\" (" + Hex(h2) + L")");
        Print(L"offset " + std::to_wstring(offset) + L": helpA=\"" + a3 + L"\" (" + Hex(h3) + L") helpW=\"" + helpW +
              L"\" (" + Hex(h4) + L")");
    }
}

void Host::Display(HMENU popup) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"shellhost";
    RegisterClassW(&wc);
    // Under the menu's corner, so that only the menu shows.
    HWND owner = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"shellhost", WS_POPUP | WS_VISIBLE, 20, 20, 1,
                                 1, nullptr, nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(owner);
    // The menu's own loop takes these: past "Open" to the cascade, and open it.
    for (WPARAM key : {VK_DOWN, VK_DOWN, VK_RIGHT}) PostMessageW(owner, WM_KEYDOWN, key, 0);
    Print(L"menu shown");
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, 20, 20, 0, owner, nullptr);
    DestroyWindow(owner);
}

HRESULT Host::Invoke(IContextMenu* menu) {
    // As Explorer passes it: the extended structure, lpDirectory NULL.
    CMINVOKECOMMANDINFOEX info{};
    info.cbSize = sizeof info;
    info.nShow = SW_SHOWNORMAL;
    std::string verbA, dirA;
    auto ansi = [](const std::wstring& w) {
        std::string s(WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr), '\0');
        WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, s.data(), static_cast<int>(s.size()), nullptr, nullptr);
        return s;
    };
    if (!o_.dir.empty()) {
        dirA = ansi(o_.dir);
        info.lpDirectory = dirA.c_str();
        info.lpDirectoryW = o_.dir.c_str();
    }
    switch (o_.invoke) {
    case Options::Invoke::Offset:
        info.lpVerb = MAKEINTRESOURCEA(o_.offset);
        info.lpVerbW = MAKEINTRESOURCEW(o_.offset);
        break;
    case Options::Invoke::Verb:
        verbA = ansi(o_.verb);
        info.lpVerb = verbA.c_str();
        break;
    case Options::Invoke::VerbW:
        verbA = ansi(o_.verb);
        info.fMask |= CMIC_MASK_UNICODE;
        info.lpVerb = verbA.c_str();
        info.lpVerbW = o_.verb.c_str();
        break;
    case Options::Invoke::None:
        return S_OK;
    }
    return menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info));
}

int Host::Run() {
    CLSID clsid;
    if (!ClassId(clsid)) return 1;
    IContextMenu* menu = NewHandler(clsid, L"first");
    if (!menu) return 1;

    HMENU popup = CreatePopupMenu();
    UINT index = o_.index;
    if (o_.show) {
        AppendMenuW(popup, MF_STRING, 0x7F00, L"&Open");
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        index = 2;
    }
    HRESULT hr = menu->QueryContextMenu(popup, index, o_.first, o_.last, o_.flags);
    if (o_.show) {
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(popup, MF_STRING, 0x7F01, L"P&roperties");
        Display(popup);
    }
    if (FAILED(hr)) failed_ = true;
    Print(L"query: " + Hex(hr) + L" (" + std::to_wstring(HRESULT_CODE(hr)) + L" identifiers)");
    if (!o_.quiet) {
        ShowMenu(popup, L"");
        ShowStrings(menu);
    }
    if (o_.invoke != Options::Invoke::None) {
        if (o_.second) {
            // Explorer runs the chosen command on another object, which it
            // initialises afresh and invokes by canonical verb.
            IContextMenu* other = NewHandler(clsid, L"second");
            if (other) {
                Result(L"invoke", Invoke(other));
                other->Release();
            }
        } else {
            Result(L"invoke", Invoke(menu));
        }
    }
    DestroyMenu(popup);
    ULONG left = menu->Release();
    if (!o_.quiet) Print(L"released: " + std::to_wstring(left) + L" references left");
    return failed_ ? 1 : 0;
}

// What Explorer does with an Explorer command: create it, give it the site,
// ask its texts and state, walk its sub-commands, invoke the chosen one.
class ExplorerHost {
public:
    explicit ExplorerHost(const Options& o) : o_(o) {}
    int Run();

private:
    void Result(const wchar_t* what, HRESULT hr) {
        if (FAILED(hr)) failed_ = true;
        Print(std::wstring(what) + L": " + Hex(hr));
    }
    // A text the command answers, or "none" with the code when it has none.
    static std::wstring Text(IExplorerCommand* command, HRESULT (STDMETHODCALLTYPE IExplorerCommand::*method)(IShellItemArray*, LPWSTR*),
                             IShellItemArray* items) {
        LPWSTR text = nullptr;
        const HRESULT hr = (command->*method)(items, &text);
        if (FAILED(hr)) return L"none (" + Hex(hr) + L")";
        std::wstring answer = L"\"" + std::wstring(text ? text : L"") + L"\"";
        CoTaskMemFree(text);
        return answer;
    }
    std::wstring State(IExplorerCommand* command, IShellItemArray* items) {
        EXPCMDSTATE state = ECS_HIDDEN;
        const HRESULT hr = command->GetState(items, TRUE, &state);
        if (FAILED(hr)) {
            failed_ = true;
            return L"failed (" + Hex(hr) + L")";
        }
        switch (state) {
        case ECS_ENABLED: return L"ECS_ENABLED";
        case ECS_HIDDEN: return L"ECS_HIDDEN";
        case ECS_DISABLED: return L"ECS_DISABLED";
        default: return L"0x" + std::to_wstring(state);
        }
    }

    const Options& o_;
    bool failed_ = false;
};

int ExplorerHost::Run() {
    IExplorerCommand* root = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ExplorerCommand, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand,
                                  reinterpret_cast<void**>(&root));
    Result(L"create", hr);
    if (FAILED(hr)) return 1;

    // Explorer's site answers for the view: the folder itself for a
    // background, else the folder the files are shown in.
    const std::wstring viewFolder = o_.background ? o_.files.front() : FolderOf(o_.files.front());
    if (!o_.noFolder) {
        IObjectWithSite* withSite = nullptr;
        if (SUCCEEDED(root->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)))) {
            IUnknown* site = FolderSite::Create(viewFolder);
            Result(L"site", withSite->SetSite(site));
            site->Release();
            withSite->Release();
        }
        if (!o_.quiet) Print(L"view folder: " + viewFolder);
    }
    IShellItemArray* items = nullptr;
    if (!o_.background) {
        items = ShellItems(o_.files);
        if (!items) {
            Result(L"item array", E_FAIL);
            root->Release();
            return 1;
        }
    }

    EXPCMDFLAGS flags = ECF_DEFAULT;
    root->GetFlags(&flags);
    if (!o_.quiet) {
        Print(L"root: title=" + Text(root, &IExplorerCommand::GetTitle, items) + L" flags=" + std::to_wstring(flags) +
              (flags & ECF_HASSUBCOMMANDS ? L" (ECF_HASSUBCOMMANDS)" : L"") + L" state=" + State(root, items));
        Print(L"  icon=" + Text(root, &IExplorerCommand::GetIcon, items));
    }
    IEnumExplorerCommand* list = nullptr;
    hr = root->EnumSubCommands(&list);
    if (FAILED(hr)) Result(L"sub-commands", hr);
    std::vector<IExplorerCommand*> children;
    IExplorerCommand* child = nullptr;
    while (list && list->Next(1, &child, nullptr) == S_OK) children.push_back(child);
    if (list) list->Release();
    for (size_t i = 0; i < children.size() && !o_.quiet; ++i) {
        IExplorerCommand* c = children[i];
        Print(L"  " + std::to_wstring(i) + L": title=" + Text(c, &IExplorerCommand::GetTitle, items) +
              L" state=" + State(c, items));
        Print(L"     tip=" + Text(c, &IExplorerCommand::GetToolTip, items));
        Print(L"     icon=" + Text(c, &IExplorerCommand::GetIcon, items));
    }
    if (o_.invoke == Options::Invoke::Offset) {
        if (o_.offset < children.size()) Result(L"invoke", children[o_.offset]->Invoke(items, nullptr));
        else Result(L"invoke", E_INVALIDARG);
    }
    for (IExplorerCommand* c : children) c->Release();
    if (items) items->Release();
    ULONG left = root->Release();
    if (!o_.quiet) Print(L"released: " + std::to_wstring(left) + L" references left");
    return failed_ ? 1 : 0;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Options options;
    if (!argv || !Parse(argc, argv, options)) {
        std::fputs("usage: shellhost [--registry] [--own-data|--ansi-data] [--no-folder] [--background]\n"
                   "                 [--first N] [--last N] [--flags N] [--index N]\n"
                   "                 [--offset N | --verb TEXT | --verbw TEXT]\n"
                   "                 [--dir PATH] [--second] [--strings N] [--quiet] [--show] FILE...\n"
                   "       shellhost --explorer [--background] [--no-folder] [--offset N] [--quiet] FILE...\n",
                   stderr);
        return 2;
    }
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr)) {
        Print(L"CoInitializeEx: " + Hex(hr));
        return 1;
    }
    int rc = options.explorer ? ExplorerHost(options).Run() : Host(options).Run();
    CoFreeUnusedLibraries();
    CoUninitialize();
    LocalFree(argv);
    return rc;
}
