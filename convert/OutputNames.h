// Where outputs are named, for the quiet conversion and the batch alike: the
// base name from the prefix, the source's name, the running index and the
// suffix, and the rules that keep it one plain file name, so that an output
// lands in its output folder as a file and never on a device or elsewhere.
#pragma once

#include <windows.h>

// Output name patterns.
const int kNameOnly = 0;
const int kNameIndex = 1;
const int kIndexName = 2;

// What every output's name ends with.
extern const char kOutputExtension[];

// True when `name` is one plain file name: no separator, drive or stream
// colon, control character or any of <>"|?*; not "." or ".." and without a
// trailing dot or blank (which Windows would strip); and no device name
// (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9 and their superscript
// forms) whatever extension or trailing blanks follow it. The empty name
// passes: the extension alone is a file name.
bool IsPlainFileName(const char* name);

// An output file's name without folder and extension: the prefix, then the
// source's name and the running index as the pattern says (any other
// pattern adds neither), then the suffix. False (and an empty output) when it
// does not fit, or when it and kOutputExtension make no plain file name.
bool MakeOutputBaseName(const char* prefix, const char* name, int pattern, unsigned index,
                        const char* suffix, char* out, size_t outSize);
