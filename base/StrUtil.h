// Bounded text helpers: every copy into a fixed buffer goes through these.
// Each always terminates the destination (when it has room for anything)
// and returns true only when the whole text fitted.
#pragma once

#include <windows.h>
#include <string>

// The size of our path buffers.
const size_t kPathBufferSize = 2080;

bool SafeCopy(char* dst, size_t dstSize, const char* src);
bool SafeAppend(char* dst, size_t dstSize, const char* src);
bool SafeFormat(char* dst, size_t dstSize, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));

template <size_t N>
bool SafeCopy(char (&dst)[N], const char* src)
{
    return SafeCopy(dst, N, src);
}
template <size_t N>
bool SafeAppend(char (&dst)[N], const char* src)
{
    return SafeAppend(dst, N, src);
}

// Case-insensitive comparison of ASCII letters, as the MS runtime's _stricmp.
int StrICmp(const char* a, const char* b);

// A window's whole text, read by its length.
std::string GetWindowTextString(HWND hWnd);

// The decimal integer at the start of a text, as the runtime's string-to-
// integer routine reads it (leading white space, an optional sign, digits;
// 0 without digits), but saturated at the 32-bit limits instead of
// overflowing.
int ParseLeadingInt(const char* text);
