// The site Explorer gives an Explorer command, reduced to what a command may
// ask of it: a service provider whose top-level browser (IShellBrowser) has
// an active view (IShellView) of one folder (IFolderView::GetFolder), and a
// window (IOleWindow). Wine's Explorer calls no Explorer command, so the shell
// host and the tests stand in with this one.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

extern "C" const GUID SID_STopLevelBrowser;

class FolderSite final : public IServiceProvider, public IShellBrowser, public IShellView, public IFolderView {
public:
    // A site for the view of folder (reference count 1); window is what
    // IOleWindow answers. item, when given, is the folder as the view holds
    // it, handed out as is (the site keeps a reference); without it the
    // folder is parsed on every call.
    static IUnknown* Create(const std::wstring& folder, HWND window = nullptr, IShellItem* item = nullptr) {
        return static_cast<IServiceProvider*>(new FolderSite(folder, window, item));
    }

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IServiceProvider))
            *ppv = static_cast<IServiceProvider*>(this);
        else if (IsEqualIID(riid, IID_IShellBrowser) || IsEqualIID(riid, IID_IOleWindow))
            *ppv = static_cast<IShellBrowser*>(this);
        else if (IsEqualIID(riid, IID_IShellView))
            *ppv = static_cast<IShellView*>(this);
        else if (IsEqualIID(riid, IID_IFolderView))
            *ppv = static_cast<IFolderView*>(this);
        else {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs_); }
    IFACEMETHODIMP_(ULONG) Release() override {
        LONG refs = InterlockedDecrement(&refs_);
        if (refs == 0) delete this;
        return refs;
    }

    // IServiceProvider
    IFACEMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (!IsEqualGUID(service, SID_STopLevelBrowser)) return E_NOINTERFACE;
        return QueryInterface(riid, ppv);
    }

    // IOleWindow (of both the browser and the view)
    IFACEMETHODIMP GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = window_;
        return window_ ? S_OK : E_FAIL;
    }
    IFACEMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IShellBrowser
    IFACEMETHODIMP QueryActiveShellView(IShellView** view) override {
        if (!view) return E_POINTER;
        *view = static_cast<IShellView*>(this);
        AddRef();
        return S_OK;
    }
    IFACEMETHODIMP InsertMenusSB(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetMenuSB(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    IFACEMETHODIMP RemoveMenusSB(HMENU) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetStatusTextSB(LPCWSTR) override { return E_NOTIMPL; }
    IFACEMETHODIMP EnableModelessSB(BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP TranslateAcceleratorSB(MSG*, WORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP BrowseObject(PCUIDLIST_RELATIVE, UINT) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetViewStateStream(DWORD, IStream**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetControlWindow(UINT, HWND*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SendControlMsg(UINT, UINT, WPARAM, LPARAM, LRESULT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP OnViewWindowActive(IShellView*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetToolbarItems(LPTBBUTTONSB, UINT, UINT) override { return E_NOTIMPL; }

    // IShellView
    IFACEMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }
    IFACEMETHODIMP EnableModeless(BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP UIActivate(UINT) override { return E_NOTIMPL; }
    IFACEMETHODIMP Refresh() override { return E_NOTIMPL; }
    IFACEMETHODIMP CreateViewWindow(IShellView*, LPCFOLDERSETTINGS, IShellBrowser*, RECT*, HWND*) override {
        return E_NOTIMPL;
    }
    IFACEMETHODIMP DestroyViewWindow() override { return E_NOTIMPL; }
    IFACEMETHODIMP GetCurrentInfo(LPFOLDERSETTINGS) override { return E_NOTIMPL; }
    IFACEMETHODIMP AddPropertySheetPages(DWORD, LPFNSVADDPROPSHEETPAGE, LPARAM) override { return E_NOTIMPL; }
    IFACEMETHODIMP SaveViewState() override { return E_NOTIMPL; }
    IFACEMETHODIMP SelectItem(PCUITEMID_CHILD, SVSIF) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetItemObject(UINT, REFIID, void** ppv) override {
        if (ppv) *ppv = nullptr;
        return E_NOTIMPL;
    }

    // IFolderView: the folder as a shell item or as a shell folder.
    IFACEMETHODIMP GetFolder(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (IsEqualIID(riid, IID_IShellItem))
            return item_ ? item_->QueryInterface(riid, ppv) : SHCreateItemFromParsingName(folder_.c_str(), nullptr, riid, ppv);
        PIDLIST_ABSOLUTE pidl = nullptr;
        HRESULT hr = SHParseDisplayName(folder_.c_str(), nullptr, &pidl, 0, nullptr);
        if (FAILED(hr)) return hr;
        IShellFolder* desktop = nullptr;
        hr = SHGetDesktopFolder(&desktop);
        if (SUCCEEDED(hr)) {
            hr = desktop->BindToObject(pidl, nullptr, riid, ppv);
            desktop->Release();
        }
        CoTaskMemFree(pidl);
        return hr;
    }
    IFACEMETHODIMP GetCurrentViewMode(UINT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetCurrentViewMode(UINT) override { return E_NOTIMPL; }
    IFACEMETHODIMP Item(int, PITEMID_CHILD*) override { return E_NOTIMPL; }
    IFACEMETHODIMP ItemCount(UINT, int*) override { return E_NOTIMPL; }
    IFACEMETHODIMP Items(UINT, REFIID, void** ppv) override {
        if (ppv) *ppv = nullptr;
        return E_NOTIMPL;
    }
    IFACEMETHODIMP GetSelectionMarkedItem(int*) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetFocusedItem(int*) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetItemPosition(PCUITEMID_CHILD, POINT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetSpacing(POINT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetDefaultSpacing(POINT*) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetAutoArrange() override { return E_NOTIMPL; }
    IFACEMETHODIMP SelectItem(int, DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP SelectAndPositionItems(UINT, PCUITEMID_CHILD_ARRAY, POINT*, DWORD) override { return E_NOTIMPL; }

private:
    FolderSite(const std::wstring& folder, HWND window, IShellItem* item)
        : folder_(folder), window_(window), item_(item) {
        if (item_) item_->AddRef();
    }
    ~FolderSite() {
        if (item_) item_->Release();
    }

    LONG refs_ = 1;
    std::wstring folder_;
    HWND window_;
    IShellItem* item_;
};

// The shell's own item array for paths that exist (the parsing names Explorer
// would hand a command); null when one cannot be parsed.
inline IShellItemArray* ShellItems(const std::vector<std::wstring>& paths) {
    std::vector<PIDLIST_ABSOLUTE> pidls;
    bool ok = true;
    for (const std::wstring& path : paths) {
        PIDLIST_ABSOLUTE pidl = nullptr;
        if (FAILED(SHParseDisplayName(path.c_str(), nullptr, &pidl, 0, nullptr))) {
            ok = false;
            break;
        }
        pidls.push_back(pidl);
    }
    IShellItemArray* items = nullptr;
    if (ok && FAILED(SHCreateShellItemArrayFromIDLists(static_cast<UINT>(pidls.size()),
                                                        const_cast<PCIDLIST_ABSOLUTE_ARRAY>(
                                                            reinterpret_cast<PIDLIST_ABSOLUTE*>(pidls.data())),
                                                        &items)))
        items = nullptr;
    for (PIDLIST_ABSOLUTE pidl : pidls) CoTaskMemFree(pidl);
    return items;
}
