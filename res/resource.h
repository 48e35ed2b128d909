// Every resource, control and command id of the program.
#pragma once

// Dialog templates
#define IDD_MAIN        129
#define IDD_ABOUT       155
#define IDD_OVERWRITE   159
#define IDD_COLORPOPUP  228
#define IDD_PROGRESS    229
#define IDD_GIFSETTINGS 236
#define IDD_OPTIONS     249
#define IDD_SETUP       252

// Menus
#define IDR_CONVERT_MENU 206
#define IDR_MAIN_MENU    250

// Main window (IDD_MAIN), its icon, view bitmaps and commands
#define IDI_MAIN                    128
#define IDB_VIEW_DETAILS            201
#define IDB_VIEW_LARGEICONS         203
#define IDB_VIEW_LIST               204
#define IDB_VIEW_SMALLICONS         205
#define IDC_MAIN_RESIZE_FRAME       1000
#define IDC_MAIN_ROTATE             1002
#define IDC_MAIN_ROTATE_FRAME       1003
#define IDC_MAIN_RESIZE             1007
#define IDC_MAIN_USE_WIDTH          1008
#define IDC_MAIN_USE_HEIGHT         1009
#define IDC_MAIN_WIDTH              1010
#define IDC_MAIN_HEIGHT             1011
#define IDC_MAIN_FIT                1012
#define IDC_MAIN_CROP               1013
#define IDC_MAIN_STRETCH            1014
#define IDC_MAIN_ANCHOR             1015
#define IDC_MAIN_BORDER             1016
#define IDC_MAIN_BORDER_3D          1017
#define IDC_MAIN_BORDER_COLOR       1018
#define IDC_MAIN_BORDER_WIDTH       1019
#define IDC_MAIN_HUE_BAR            1021
#define IDC_MAIN_SATURATION_BAR     1022
#define IDC_MAIN_LIGHTNESS_BAR      1023
#define IDC_MAIN_HUE                1024
#define IDC_MAIN_SATURATION         1025
#define IDC_MAIN_LIGHTNESS          1026
#define IDC_MAIN_PREFIX             1027
#define IDC_MAIN_NAME_PATTERN       1028
#define IDC_MAIN_SUFFIX             1029
#define IDC_MAIN_OUTPUT_FOLDER      1030
#define IDC_MAIN_FILE_LIST          1031
#define IDC_MAIN_BORDER_WIDTH_LABEL 1033
#define IDC_MAIN_BORDER_COLOR_LABEL 1034
#define IDC_MAIN_SPLITTER_AREA      1035
#define IDC_MAIN_VIEW_DETAILS       1037
#define IDC_MAIN_VIEW_LIST          1038
#define IDC_MAIN_VIEW_SMALL_ICONS   1039
#define IDC_MAIN_VIEW_LARGE_ICONS   1040
#define IDC_MAIN_BROWSE             1042
#define IDC_MAIN_PREVIEW            1043
#define IDC_MAIN_HUE_LABEL          1044
#define IDC_MAIN_SATURATION_LABEL   1045
#define IDC_MAIN_LIGHTNESS_LABEL    1046
#define IDC_MAIN_NAMES_FRAME        1047
#define IDC_MAIN_PREFIX_LABEL       1048
#define IDC_MAIN_NAME_LABEL         1049
#define IDC_MAIN_SUFFIX_LABEL       1050
#define IDC_MAIN_OUTPUT_LABEL       1051
#define IDC_MAIN_RESET              1056
#define IDC_MAIN_CONVERT            1057
#define IDC_MAIN_SAVE               1058
#define IDC_MAIN_LOAD               1059
#define IDC_MAIN_GIF_SETTINGS       1060
#define IDC_MAIN_EXPLORE            1074
#define ID_TOOLS_OPTIONS            1075
#define ID_CONVERT_SELECTION        32772
#define ID_CONVERT_ALL              32773
#define ID_CONVERT_RECURSIVE        32774
#define ID_HELP_ABOUT               1054
#define ID_HELP_QUICKSTART          32785
#define ID_HELP_CONTENTS            32786
#define ID_HELP_SEARCH              32787
#define ID_HELP_ONLINE              32788
#define ID_HELP_SUPPORT             32789
#define ID_HELP_EMAIL               32790

// Setup dialog
#define IDB_SETUP_SIDE    253
#define IDB_SETUP_BANNER  254
#define IDC_SETUP_ENABLE  1090
#define IDC_SETUP_DISABLE 1091
#define IDC_SETUP_BANNER  1092
#define IDC_SETUP_SIDE    1093
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Overwrite question (IDD_OVERWRITE); the answer ids are its results
#define IDC_OVERWRITE_YES    1
#define IDC_OVERWRITE_CANCEL 2
#define IDC_OVERWRITE_YESALL 6
#define IDC_OVERWRITE_NO     7
#define IDC_OVERWRITE_NOALL  8
#define IDC_OVERWRITE_ICON   1167
#define IDC_OVERWRITE_PATH   1169

// Spin edit: the arrow buttons, children of the edit
#define IDC_SPIN_UP   10000
#define IDC_SPIN_DOWN 10001

// Progress dialog (IDD_PROGRESS)
#define IDC_PROGRESS_FROM   1061
#define IDC_PROGRESS_TO     1062
#define IDC_PROGRESS_BAR    1063
#define IDC_PROGRESS_CANCEL 1064

// GIF settings dialog (IDD_GIFSETTINGS)
#define IDC_GIF_CANCEL      1054
#define IDC_GIF_OK          1073
#define IDC_GIF_COLOR256    1160
#define IDC_GIF_NONE        1179
#define IDC_GIF_COLOR       1180
#define IDC_GIF_COLORBUTTON 1181
#define IDC_GIF_INTERLACE   1182

// About dialog (IDD_ABOUT), its picture and the link cursor
#define IDCUR_LINK        209
#define IDB_ABOUT         214
#define IDC_ABOUT_SITE    1158
#define IDC_ABOUT_EMAIL   1161
#define IDC_ABOUT_VERSION 1162

// Options dialog (IDD_OPTIONS)
#define IDC_OPTIONS_PATH      1030
#define IDC_OPTIONS_BROWSE    1042
#define IDC_OPTIONS_INTEGRATE 1075

// Colour popup (IDD_COLORPOPUP); the grid is made at run time
#define IDC_COLORPOPUP_GRID 1
#define IDC_COLORPOPUP_LIST 202
#define IDC_COLORPOPUP_TAB  1000
