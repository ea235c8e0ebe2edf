// Resource and control identifiers of install.exe; the tests find the
// window's controls by these.
#pragma once

#define IDI_INSTALL 1

#define IDC_LBLREG0 1000
#define IDC_LBLREG1 1001
#define IDC_CHK0 1010
#define IDC_CHK1 1011
// cmdOk is IDOK, so that Enter presses it once it is enabled.

#define TRK_INSTALLER_CLASS L"TrkInstallerMain"
