#pragma once
#define IDD_TEST_FRAMEWORK  9001
#define IDC_TEST_BUTTON     9002
#define IDC_TEST_LIST       9003
