// The data object's side of the selection: its CF_HDROP medium, read as
// Selection::Read reads a block.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "Handles.h"
#include "Selection.h"

namespace Selection {

// Asks the data object for its list of paths and answers GetLastError as it
// stood right after. Raises the failure of an object that cannot give one.
DWORD FetchDropList(IUnknown* dataObject, Handles::UniqueMedium& medium);

// The kept files of a fetched list. Raises the invalid-argument failure for a
// medium that is no global memory block.
std::size_t ReadDropList(const STGMEDIUM& medium, const Rules& rules, Files& files);

}  // namespace Selection
