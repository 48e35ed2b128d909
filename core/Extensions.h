// The image file types the program reads: one table serves the file list,
// the batch conversion and the shell verb registration.
#pragma once

#include <windows.h>

// The extensions in their fixed order, lower case, without the dot.
const size_t kSupportedExtensionCount = 42;
extern const char* const kSupportedExtensionNames[kSupportedExtensionCount];

// The same extensions as one text, each with its dot and followed by ";".
extern const char kSupportedExtensionText[];

// Whether an extension (dot included, any letter case, as SplitPath gives
// it) is one of ours: its first occurrence in the text must be followed by
// ";". An empty extension is not.
BOOL IsSupportedExtension(const char* ext);

// The same test on the extension of a file path.
BOOL IsSupportedFile(const char* path);
