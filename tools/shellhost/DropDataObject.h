// A small data object that serves only CF_HDROP, as a search-results view
// does: the stand-in for the shell's own data object where Wine cannot make
// one (files of several folders, paths of 260 characters or more).
#pragma once

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <string>
#include <utility>
#include <vector>

#include "ComObject.h"

class DropDataObject final : public ComObject<IDataObject> {
public:
    // wide: the names as UTF-16 (fWide set), else as 8-bit text.
    static IDataObject* Create(const std::vector<std::wstring>& paths, bool wide = true) {
        return new DropDataObject(paths, wide);
    }
    // A ready CF_HDROP block (DROPFILES header, names, final terminator).
    static IDataObject* FromBlock(std::vector<char> block) { return new DropDataObject(std::move(block)); }

    IFACEMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (!format || !medium) return E_INVALIDARG;
        HRESULT hr = QueryGetData(format);
        if (FAILED(hr)) return hr;
        HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, block_.size());
        if (!copy) return E_OUTOFMEMORY;
        void* p = GlobalLock(copy);
        memcpy(p, block_.data(), block_.size());
        GlobalUnlock(copy);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = copy;
        medium->pUnkForRelease = nullptr;
        return S_OK;
    }
    IFACEMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    IFACEMETHODIMP QueryGetData(FORMATETC* format) override {
        if (!format) return E_INVALIDARG;
        if (format->cfFormat != CF_HDROP) return DV_E_FORMATETC;
        if (!(format->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
        return S_OK;
    }
    IFACEMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        if (out) out->ptd = nullptr;
        return E_NOTIMPL;
    }
    IFACEMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    IFACEMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    IFACEMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    IFACEMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    DropDataObject(const std::vector<std::wstring>& paths, bool wide) {
        DROPFILES header{};
        header.pFiles = sizeof header;
        header.fWide = wide;
        block_.assign(reinterpret_cast<const char*>(&header), reinterpret_cast<const char*>(&header) + sizeof header);
        for (const std::wstring& path : paths) {
            if (wide) {
                const char* p = reinterpret_cast<const char*>(path.c_str());
                block_.insert(block_.end(), p, p + (path.size() + 1) * sizeof(wchar_t));
            } else {
                int n = WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, nullptr, 0, nullptr, nullptr);
                std::string text(n, '\0');
                WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, text.data(), n, nullptr, nullptr);
                block_.insert(block_.end(), text.begin(), text.end());
            }
        }
        block_.insert(block_.end(), wide ? sizeof(wchar_t) : 1, '\0');
    }
    explicit DropDataObject(std::vector<char> block) : block_(std::move(block)) {}
    ~DropDataObject() = default;

    std::vector<char> block_;
};

// The data object the shell itself makes for files of one folder (the
// folder's IShellFolder::GetUIObjectOf), and that folder's absolute item
// identifier list (free it with CoTaskMemFree). Null on failure.
inline IDataObject* ShellDataObject(const std::wstring& folder, const std::vector<std::wstring>& names,
                                    PIDLIST_ABSOLUTE* folderPidl) {
    *folderPidl = nullptr;
    if (FAILED(SHParseDisplayName(folder.c_str(), nullptr, folderPidl, 0, nullptr))) return nullptr;
    IShellFolder* desktop = nullptr;
    IShellFolder* shellFolder = nullptr;
    IDataObject* data = nullptr;
    SHGetDesktopFolder(&desktop);
    if (desktop &&
        SUCCEEDED(desktop->BindToObject(*folderPidl, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&shellFolder)))) {
        std::vector<PITEMID_CHILD> children;
        bool ok = true;
        for (const std::wstring& name : names) {
            PIDLIST_RELATIVE child = nullptr;
            std::wstring text = name;
            if (FAILED(shellFolder->ParseDisplayName(nullptr, nullptr, text.data(), nullptr, &child, nullptr))) {
                ok = false;
                break;
            }
            children.push_back(reinterpret_cast<PITEMID_CHILD>(child));
        }
        if (ok && !children.empty())
            shellFolder->GetUIObjectOf(nullptr, static_cast<UINT>(children.size()),
                                       const_cast<PCUITEMID_CHILD_ARRAY>(children.data()), IID_IDataObject,
                                       nullptr, reinterpret_cast<void**>(&data));
        for (PITEMID_CHILD child : children) CoTaskMemFree(child);
        shellFolder->Release();
    }
    if (desktop) desktop->Release();
    return data;
}
