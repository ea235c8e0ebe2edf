// Resource and control identifiers of trkconfig. The buttons avoid IDOK and
// IDCANCEL on purpose: the dialog manager sends those for Enter and Escape
// even when no such button exists, and both dialogs must ignore them.
#pragma once

#define IDI_PROGRAM 1
#define IDB_LOGO 101
#define IDC_HANDPOINTER 102

#define IDC_CMDOK 1001
#define IDC_CMDCANCEL 1002

// frmInput
#define IDC_LBLPROMPT 1101
#define IDC_TXTINPUT 1102
#define IDC_LBLMESSAGE 1103

// frmSetup
#define IDC_IMAGE1 1201
#define IDC_LBLLINK0 1210
#define IDC_LBLLINK1 1211
#define IDC_LBLLINK2 1212
#define IDC_LABEL1 1220
#define IDC_LABEL2 1221
#define IDC_LABEL3 1222
#define IDC_LBLEACHFOLDER 1223
#define IDC_CHKSB 1230
#define IDC_CHKDEBUG 1231
#define IDC_CHKPROMPT 1232
#define IDC_CHKOVERWRITE 1233
#define IDC_CHKFULLPATHS 1234
#define IDC_CHKFORMAT 1235
#define IDC_CHKORDER 1236
#define IDC_CHKFOLDERS 1237
#define IDC_CHKPORTABLE 1238
#define IDC_CHKNAME 1239
#define IDC_TXTFILEEXT 1240
#define IDC_CMBEACHFOLDER 1241
