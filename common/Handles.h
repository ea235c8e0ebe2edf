// One way to own a handle: the owner releases it on every way out, and a
// handle is owned on the line that acquires it. COM pointers are
// Microsoft::WRL::ComPtr's; everything else is one alias below.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <objidl.h>

#include <type_traits>
#include <utility>

namespace Handles {

// Sole owner of a T that Close releases. A handle of the HANDLE kind is
// invalid both as null and as INVALID_HANDLE_VALUE (CreateFile's failure).
template <class T, auto Close>
class Unique {
public:
    Unique() = default;
    explicit Unique(T value) : value_(value) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& other) noexcept : value_(other.release()) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    ~Unique() { reset(); }

    T get() const { return value_; }
    explicit operator bool() const { return Valid(value_); }
    // For functions that hand out a handle through a pointer.
    T* put() {
        reset();
        return &value_;
    }
    T release() { return std::exchange(value_, T{}); }
    void reset(T value = T{}) {
        T old = std::exchange(value_, value);
        if (Valid(old)) Close(old);
    }

private:
    static bool Valid(T value) {
        if constexpr (std::is_same_v<T, HANDLE>)
            return value && value != INVALID_HANDLE_VALUE;
        else
            return value != T{};
    }
    T value_{};
};

using UniqueHandle = Unique<HANDLE, &::CloseHandle>;  // files, processes, threads, events
using UniqueFind = Unique<HANDLE, &::FindClose>;     // FindFirstFileEx searches
using UniqueKey = Unique<HKEY, &::RegCloseKey>;
using UniqueModule = Unique<HMODULE, &::FreeLibrary>;
using UniqueDC = Unique<HDC, &::DeleteDC>;            // made with CreateCompatibleDC / CreateIC
using UniqueMenu = Unique<HMENU, &::DestroyMenu>;     // until handed to the shell
using UniqueTaskText = Unique<LPWSTR, &::CoTaskMemFree>;  // text the shell allocated for the caller
template <class Gdi>
using UniqueGdi = Unique<Gdi, &::DeleteObject>;       // HBITMAP, HFONT, HBRUSH, ...
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueFont = UniqueGdi<HFONT>;
using UniqueBrush = UniqueGdi<HBRUSH>;

// A GlobalLock'ed block, unlocked when the owner goes.
class GlobalLocked {
public:
    explicit GlobalLocked(HGLOBAL block) : block_(block), data_(block ? ::GlobalLock(block) : nullptr) {}
    GlobalLocked(const GlobalLocked&) = delete;
    GlobalLocked& operator=(const GlobalLocked&) = delete;
    ~GlobalLocked() {
        if (data_) ::GlobalUnlock(block_);
    }
    const void* data() const { return data_; }
    SIZE_T size() const { return data_ ? ::GlobalSize(block_) : 0; }

private:
    HGLOBAL block_;
    void* data_;
};

// A storage medium filled by IDataObject::GetData, released when the owner goes.
class UniqueMedium {
public:
    UniqueMedium() = default;
    UniqueMedium(const UniqueMedium&) = delete;
    UniqueMedium& operator=(const UniqueMedium&) = delete;
    ~UniqueMedium() {
        if (medium_.tymed != TYMED_NULL) ::ReleaseStgMedium(&medium_);
    }
    STGMEDIUM* put() { return &medium_; }
    const STGMEDIUM& get() const { return medium_; }

private:
    STGMEDIUM medium_{};
};

}  // namespace Handles
