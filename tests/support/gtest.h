// Under Winelib, GoogleTest must not see the Win32 platform macros that
// wineg++ defines: it is Debian's Linux build and would take its Windows
// branches. The Windows build compiles GoogleTest for Windows.
#pragma once

#include <windows.h>

#ifdef __WINE__
#pragma push_macro("_WIN32")
#pragma push_macro("_WIN64")
#pragma push_macro("WIN32")
#undef _WIN32
#undef _WIN64
#undef WIN32
#include <gtest/gtest.h>
#pragma pop_macro("WIN32")
#pragma pop_macro("_WIN64")
#pragma pop_macro("_WIN32")
#else
#include <gtest/gtest.h>
#endif
