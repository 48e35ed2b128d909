// Every resource, control and command id of the program.
#pragma once

// Dialog templates
#define IDD_MAIN            129
#define IDD_ABOUT           155
#define IDD_OVERWRITE       159
#define IDD_COLORPOPUP      228
#define IDD_PROGRESS        229
#define IDD_GIFSETTINGS     236
#define IDD_OPTIONS         249
#define IDD_SETUP           252

// Menus
#define IDR_CONVERT_MENU    206
#define IDR_MAIN_MENU       250

// Setup dialog
#define IDB_SETUP_SIDE      253
#define IDB_SETUP_BANNER    254
#define IDC_SETUP_ENABLE    1090
#define IDC_SETUP_DISABLE   1091
#ifndef IDC_STATIC
#define IDC_STATIC          (-1)
#endif

// Overwrite question (IDD_OVERWRITE); the answer ids are its results
#define IDC_OVERWRITE_YES       1
#define IDC_OVERWRITE_CANCEL    2
#define IDC_OVERWRITE_YESALL    6
#define IDC_OVERWRITE_NO        7
#define IDC_OVERWRITE_NOALL     8
#define IDC_OVERWRITE_ICON      1167
#define IDC_OVERWRITE_PATH      1169
