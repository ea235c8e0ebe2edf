// ShellExt's command invocation: "&Create M3U Playlist" (offset 0 or verb
// "(GCS_VERB)MENUITEM1") and "Tracklet &Options" (offset 1 or verb
// "(GCS_VERB)MENUITEM2"). The COM object's InvokeCommand forwards here.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "Trace.h"

HRESULT IContextMenu_InvokeCommand(CMINVOKECOMMANDINFO* lpcmi);

// The invocation's trace lines, in whichever unit its steps are carried out.
inline constexpr Trace::Procedure InvokeTrace{L"ShellExt", L"IContextMenu_InvokeCommand()"};
