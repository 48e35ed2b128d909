// Per-user values under HKEY_CURRENT_USER\SOFTWARE\Kestrelworks\Tolvex.
// Each call opens the key, reads or writes one value and closes it again.
// 1 means success, 0 failure.
#pragma once

#include <windows.h>

extern const char kRegistryKey[];

// Value names.
extern const char kRegShellOn[];
extern const char kRegShellPath[];
extern const char kRegView[];
extern const char kRegFirstStart[];

// The most a value read may hold, its terminating zero included.
const DWORD kRegMaxValueSize = 259;

// Copies the value's data (of any type, byte for byte) into the caller's
// buffer of bufferSize bytes. A value longer than the buffer is refused
// with 0 and the buffer left as it was; a text comes back zero-terminated.
int RegReadValue(const char* name, void* buffer, DWORD bufferSize);
int RegWriteDword(const char* name, const DWORD* value);
int RegWriteString(const char* name, const char* text);

// Convenience for the 4-byte values; true when one was read.
inline bool RegReadDword(const char* name, DWORD* value)
{
    return RegReadValue(name, value, sizeof(*value)) != 0;
}
