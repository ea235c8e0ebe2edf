// ExplorerCommand: Tracklet in the menu Windows 11 shows first. Explorer
// creates the root ("Tracklet", a flyout), asks it for its two sub-commands
// and, on every right-click, for their state; the chosen one is invoked with
// the selection as shell items. The playlist is made by the same command core
// as the classic handler's. The COM methods forward in one line to the
// procedures that hold the real code (IExplorerCommand_GetState, ...).
#pragma once

#include <windows.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>

class ExplorerCommand final : public IExplorerCommand, public IObjectWithSite {
public:
    enum class Kind { Root, Create, Options };

    // The root, as the class factory hands it out: reference count 1, queried
    // for riid and released once.
    static HRESULT Create(REFIID riid, void** ppv);
    // A sub-command of parent, whose site it uses while it has none of its own.
    static HRESULT CreateChild(Kind kind, ExplorerCommand* parent, IExplorerCommand** command);

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;
    // IExplorerCommand
    IFACEMETHODIMP GetTitle(IShellItemArray* items, LPWSTR* name) override;
    IFACEMETHODIMP GetIcon(IShellItemArray* items, LPWSTR* icon) override;
    IFACEMETHODIMP GetToolTip(IShellItemArray* items, LPWSTR* tip) override;
    IFACEMETHODIMP GetCanonicalName(GUID* name) override;
    IFACEMETHODIMP GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state) override;
    IFACEMETHODIMP Invoke(IShellItemArray* items, IBindCtx* context) override;
    IFACEMETHODIMP GetFlags(EXPCMDFLAGS* flags) override;
    IFACEMETHODIMP EnumSubCommands(IEnumExplorerCommand** commands) override;
    // IObjectWithSite
    IFACEMETHODIMP SetSite(IUnknown* site) override;
    IFACEMETHODIMP GetSite(REFIID riid, void** site) override;

    HRESULT IExplorerCommand_GetTitle(LPWSTR* name);
    HRESULT IExplorerCommand_GetIcon(LPWSTR* icon);
    HRESULT IExplorerCommand_GetToolTip(LPWSTR* tip);
    HRESULT IExplorerCommand_GetCanonicalName(GUID* name);
    HRESULT IExplorerCommand_GetState(IShellItemArray* items, BOOL okToBeSlow, EXPCMDSTATE* state);
    HRESULT IExplorerCommand_Invoke(IShellItemArray* items);
    HRESULT IExplorerCommand_GetFlags(EXPCMDFLAGS* flags);
    HRESULT IExplorerCommand_EnumSubCommands(IEnumExplorerCommand** commands);
    HRESULT IObjectWithSite_SetSite(IUnknown* site);
    HRESULT IObjectWithSite_GetSite(REFIID riid, void** site);

private:
    ExplorerCommand(Kind kind, ExplorerCommand* parent);
    ~ExplorerCommand();

    // This command's site, or its parent's.
    IUnknown* Site() const;

    LONG refs_ = 1;
    const Kind kind_;
    const Microsoft::WRL::ComPtr<ExplorerCommand> parent_;
    Microsoft::WRL::ComPtr<IUnknown> site_;
};

namespace ExplorerSite {

// What a command learns from Explorer's site: the folder its view shows
// (IServiceProvider, SID_STopLevelBrowser, IShellBrowser, the active view's
// IFolderView::GetFolder) and the window to own a prompt (IOleWindow). Either
// is empty where the site cannot say.
struct View {
    std::wstring folder;
    HWND owner = nullptr;
};
View Read(IUnknown* site);

}  // namespace ExplorerSite
