// The "Convert to GIF" verb of the desktop shell's context menu, under the
// file-type classes in HKEY_CLASSES_ROOT for every supported extension.
// A class of our own ("Tolvex.<ext>") is made only where the extension has
// none; another program's class only gains our verb key and loses it again.
// Where the machine's classes refuse a write (a user without administrator
// rights), the same keys go to the current user's classes
// (HKCU\Software\Classes), which Windows shows through HKEY_CLASSES_ROOT
// ahead of the machine's. Classes are read as the user sees them: the
// user's first, then HKEY_CLASSES_ROOT.
#pragma once

#include <windows.h>

#include "framework/Framework.h"

extern const char kShellVerbName[];    // "convertGif"
extern const char kShellVerbCaption[]; // "Convert to GIF"
extern const char kOwnClassFormat[];   // "Tolvex.%s"

// The most bytes of an existing class name that are read, and so the least
// a caller's class buffer must hold.
const DWORD kClassNameBufferSize = 256;

// The program path that the verb's command names comes from
// ReadProgramPath, beside the module object.

// The verb's command for the given program: "<path>" /q "%1"; false when
// there is no program path or the command does not fit.
bool FormatShellCommand(const char* programPath, char* out, size_t outSize);

// Registers the verb for one extension (lower case, no dot) and leaves the
// class it went under in classBuffer: in the machine's classes, or in the
// user's where the machine's refuse. 0 when neither takes the keys, the
// program path cannot be read, or the extension's class value is not a
// usable class name (too long, not text): then nothing is written for it.
int RegisterShellVerb(const char* ext, char* classBuffer, size_t classBufferSize);

// Removes the verb for one extension, and our own class and claim on the
// extension where we made them, keeping whatever else lives in those keys;
// from the user's classes and from the machine's. Always 1.
int UnregisterShellVerb(const char* ext, char* classBuffer, size_t classBufferSize);

// The two for every supported extension, in the table's order; a failure
// for one extension does not stop the others. The first write the
// machine's classes refuse sends the whole install to the user's classes.
void InstallShellIntegration();
void UninstallShellIntegration();
