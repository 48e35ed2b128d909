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
