#include "ShellExtInvoke.h"

HRESULT IContextMenu_InvokeCommand(CMINVOKECOMMANDINFO* lpcmi) {
    return lpcmi ? S_OK : E_INVALIDARG;
}
