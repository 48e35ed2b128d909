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
