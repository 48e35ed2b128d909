// Under Winelib, Magick++ is a native Linux library: its headers must not see
// the Win32 platform macros that wineg++ defines, or they take their Windows
// branches. The Windows build's library was built for Windows and needs them.
#pragma once

#ifdef __WINE__
#pragma push_macro("_WIN32")
#pragma push_macro("_WIN64")
#pragma push_macro("WIN32")
#pragma push_macro("WIN64")
#undef _WIN32
#undef _WIN64
#undef WIN32
#undef WIN64
#include <Magick++.h>
#pragma pop_macro("WIN64")
#pragma pop_macro("WIN32")
#pragma pop_macro("_WIN64")
#pragma pop_macro("_WIN32")
#else
#include <Magick++.h>
#endif
