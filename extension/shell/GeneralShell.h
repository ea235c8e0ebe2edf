// Module General, the shell side: the menu builder that the shell's
// QueryContextMenu call reaches, and the interface-table entry replacement
// that routes it there.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <cstdint>

namespace General {

// Laid out as IContextMenu::QueryContextMenu with the interface pointer
// first, so that it can stand in an IContextMenu table entry.
HRESULT STDMETHODCALLTYPE QueryContextMenu(IContextMenu* object, HMENU hMenu, UINT indexMenu,
                                           UINT idCmdFirst, UINT idCmdLast, UINT uFlags);

// Points entry slot (counted from 1) of the table of the interface at object
// to newEntry; returns the entry it displaced, or 0 when it did nothing.
// Entries are pointer-sized.
uintptr_t ReplaceVtableEntry(void* object, int16_t slot, uintptr_t newEntry);

}  // namespace General
