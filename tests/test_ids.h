// Ids of the tests' own dialog templates and bitmaps in tests.rc.
#pragma once
#define IDD_TEST_FRAMEWORK 9001
#define IDC_TEST_BUTTON    9002
#define IDC_TEST_LIST      9003

// Palette bitmaps of the bitmap-loader tests
#define IDB_TEST_MAPPED    9101
#define IDB_TEST_MAPPED_V5 9102
#define IDB_TEST_TRUNCATED 9103

// Owner-drawn button tests
#define IDR_TEST_DROP_MENU 9200
#define IDM_TEST_FIRST     9201
#define IDM_TEST_SECOND    9202
#define IDM_TEST_PLAIN     9203

// Spin edit and hyperlink tests
#define IDD_TEST_CONTROLS   9300
#define IDC_TEST_SPIN       9301
#define IDC_TEST_SPIN_OTHER 9302
#define IDC_TEST_LINK       9303

// Colour button and popup tests
#define IDD_TEST_COLOR    9400
#define IDC_TEST_COLORBTN 9401
#define IDC_TEST_PICKER   9402
