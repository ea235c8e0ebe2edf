#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "frmMain.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    int exitCode;
    {
        frmMain form(instance);
        exitCode = form.Run(GetCommandLineW());
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
