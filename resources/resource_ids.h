// Ids of the dialog controls that have no fixed id of their own: labels that
// no procedure touches share IDC_STATIC, group boxes that frame radio buttons
// or value lines get ids of their own. Read by windres (through korvex32.rc),
// by the host resource parser and by C++ code alike, so it holds plain
// #define lines only. The wait dialog reuses the ids 1130 and 1131 of the
// progress dialog for its two status lines.
#pragma once

#define IDC_STATIC (-1)
#define IDC_PAGE_GROUP 1200
#define IDC_SIDE_GROUP 1201
#define IDC_FREESIZE_GROUP 1202
#define IDC_ABOUT_DRIVER_GROUP 1203
#define IDC_ABOUT_SCANNER_GROUP 1204
#define IDC_STATUS_LINE1 1130
#define IDC_STATUS_LINE2 1131
#define IDC_PROGRESS_BAR 118
