// Window, dialog and control style bits used by korvex32.rc, with the values
// of the Windows headers, so that the resource script needs no <windows.h>:
// windres preprocesses it with these definitions and the host build reads the
// same lines. Only the resource script includes this file.
#pragma once

#define WS_POPUP 0x80000000
#define WS_CHILD 0x40000000
#define WS_VISIBLE 0x10000000
#define WS_DISABLED 0x08000000
#define WS_CAPTION 0x00C00000
#define WS_BORDER 0x00800000
#define WS_VSCROLL 0x00200000
#define WS_SYSMENU 0x00080000
#define WS_GROUP 0x00020000
#define WS_TABSTOP 0x00010000

#define DS_SYSMODAL 0x0002
#define DS_SETFONT 0x0040
#define DS_MODALFRAME 0x0080

#define BS_PUSHBUTTON 0x0000
#define BS_DEFPUSHBUTTON 0x0001
#define BS_AUTOCHECKBOX 0x0003
#define BS_GROUPBOX 0x0007
#define BS_AUTORADIOBUTTON 0x0009

#define SS_LEFT 0x0000
#define SS_CENTER 0x0001
#define SS_RIGHT 0x0002
#define SS_ICON 0x0003
#define SS_SUNKEN 0x1000

#define ES_LEFT 0x0000
#define ES_AUTOHSCROLL 0x0080

#define CBS_DROPDOWNLIST 0x0003

#define LBS_NOTIFY 0x0001
#define LBS_SORT 0x0002

#define SBS_HORZ 0x0000

#define IDOK 1
#define IDCANCEL 2
