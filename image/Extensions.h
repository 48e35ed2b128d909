// The image file types the program reads: one table serves the file list,
// the batch conversion, the shell verb registration and the image reader.
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
bool IsSupportedExtension(const char* ext);

// The same test on the extension of a file path.
bool IsSupportedFile(const char* path);

// The image library's coder that reads files of a listed type, and whether
// it may also read a file of another listed type whose bytes it recognises.
struct ExtensionReader
{
    const char* coder; // upper case; empty for a type that is never read
    bool byContent;
};

// In the order of kSupportedExtensionNames.
extern const ExtensionReader kSupportedExtensionReaders[kSupportedExtensionCount];

// The reader of an extension (dot included, any letter case); NULL when the
// extension is not listed or its files are never read.
const ExtensionReader* ReaderOfExtension(const char* ext);

// Whether a coder that the library chose from a file's bytes may read it:
// only the raster coders of the listed types, never a vector, script, text
// or document coder.
bool IsCoderForContent(const char* coder);
