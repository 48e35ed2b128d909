#include "settings/Registry.h"

#include <cstring>

#include "base/Handles.h"

const char kRegistryKey[] = "SOFTWARE\\Kestrelworks\\Tolvex";
const char kRegShellOn[] = "ShellOn";
const char kRegShellPath[] = "ShellPath";
const char kRegView[] = "View";
const char kRegFirstStart[] = "FirstStart";

int RegReadValue(const char* name, void* buffer, DWORD bufferSize)
{
    if (buffer == NULL || bufferSize == 0)
        return 0;
    CRegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, kRegistryKey, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return 0;
    // Read into our own buffer first: the caller's is never written unless
    // the whole value fits it.
    BYTE data[kRegMaxValueSize + 1];
    DWORD type = REG_NONE;
    DWORD size = kRegMaxValueSize;
    LONG rc = RegQueryValueExA(key, name, NULL, &type, data, &size);
    if (rc != ERROR_SUCCESS)
        return 0;

    const bool isText = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
    DWORD needed = size;
    if (isText && (size == 0 || data[size - 1] != 0))
        needed = size + 1; // room for the terminator the stored text lacks
    if (needed > bufferSize)
        return 0;
    memcpy(buffer, data, size);
    if (isText && needed > size)
        ((BYTE*)buffer)[size] = 0;
    return 1;
}

namespace {

int WriteValue(const char* name, DWORD type, const BYTE* data, DWORD size)
{
    CRegistryKey key;
    if (key.Create(HKEY_CURRENT_USER, kRegistryKey, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return 0;
    LONG rc = RegSetValueExA(key, name, 0, type, data, size);
    return rc == ERROR_SUCCESS ? 1 : 0;
}

} // namespace

int RegWriteDword(const char* name, const DWORD* value)
{
    if (value == NULL)
        return 0;
    return WriteValue(name, REG_DWORD, (const BYTE*)value, sizeof(DWORD));
}

int RegWriteString(const char* name, const char* text)
{
    if (text == NULL)
        return 0;
    size_t len = strlen(text);
    if (len + 1 > kRegMaxValueSize)
        return 0; // could never be read back
    return WriteValue(name, REG_SZ, (const BYTE*)text, (DWORD)(len + 1));
}
