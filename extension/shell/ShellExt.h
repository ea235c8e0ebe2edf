// ShellExt: the context-menu handler the shell creates for a selection of
// files. The COM methods, constructor and destructor forward in one line to
// the procedures that hold the real code (Class_Initialize, ...).
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <vector>

#include "Handles.h"

class ShellExt final : public IShellExtInit, public IContextMenu {
public:
    // Creates an object (reference count 1), queries riid and releases once.
    static HRESULT Create(REFIID riid, void** ppv);

    // IUnknown
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;
    // IShellExtInit
    IFACEMETHODIMP Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* lpdobj, HKEY hKeyProgID) override;
    // IContextMenu
    IFACEMETHODIMP QueryContextMenu(HMENU hMenu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                    UINT uFlags) override;
    IFACEMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* lpcmi) override;
    IFACEMETHODIMP GetCommandString(UINT_PTR idCmd, UINT uFlags, UINT* reserved, CHAR* pszName,
                                    UINT cchMax) override;

    void Class_Initialize();
    void Class_Terminate();
    HRESULT IShellExtInit_Initialize(PCIDLIST_ABSOLUTE pidlFolder, IDataObject* lpdobj, HKEY hKeyProgID);
    HRESULT IContextMenu_GetCommandString(UINT_PTR idCmd, UINT uFlags, UINT* reserved, CHAR* pszName,
                                          UINT cchMax);

    // The menu builder hands over each bitmap it sets on this object's menus;
    // the object deletes them when it goes, not before: the shell keeps the
    // menu open for as long as it holds the object.
    void AdoptMenuBitmap(HBITMAP bitmap);
    // True when this object's creation succeeded; its menu is then built
    // whatever another thread did to the shared interface table.
    bool CreationSucceeded() const { return created_; }

private:
    ShellExt();
    ~ShellExt();

    LONG refs_ = 1;
    bool created_ = false;
    std::vector<Handles::UniqueBitmap> bitmaps_;
};
