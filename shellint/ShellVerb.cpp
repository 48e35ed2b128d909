#include "shellint/ShellVerb.h"

#include <shlobj.h>
#include <cctype>
#include <cstring>

#include "base/Handles.h"
#include "base/StrUtil.h"
#include "core/Extensions.h"

const char kShellVerbName[] = "convertGif";
const char kShellVerbCaption[] = "Convert to GIF";
const char kOwnClassFormat[] = "Tolvex.%s";

namespace {

const char kCommandFormat[] = "\"%s\" /q \"%%1\"";
const char kShellKeyFormat[] = "%s\\shell";
const char kSubKeyFormat[] = "%s\\%s";
const char kCommandKeyName[] = "command";
const char kUsualTypeNameFormat[] = "%s File";
const char kSampleFileFormat[] = "x.%s";

enum ClassValue {
    kClassMissing, // no default value, or an empty one
    kClassFound,
    kClassUnusable // too long for our buffer, or not text
};

// Reads the extension key's default value. Only a value that is not there
// counts as missing: anything we cannot read as a whole must not be
// overwritten with our own class.
ClassValue ReadClassName(HKEY hExtKey, char* out, size_t outSize)
{
    char data[kClassNameBufferSize + 1];
    DWORD type = REG_NONE;
    DWORD size = kClassNameBufferSize;
    LONG rc = RegQueryValueExA(hExtKey, NULL, NULL, &type, (BYTE*)data, &size);
    if (rc == ERROR_FILE_NOT_FOUND)
        return kClassMissing;
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return kClassUnusable;
    data[size < kClassNameBufferSize ? size : kClassNameBufferSize] = '\0';
    if (data[0] == '\0')
        return kClassMissing;
    return SafeCopy(out, outSize, data) ? kClassFound : kClassUnusable;
}

void SetDefaultText(HKEY hKey, const char* text)
{
    RegSetValueExA(hKey, NULL, 0, REG_SZ, (const BYTE*)text, (DWORD)(strlen(text) + 1));
}

// The type name the shell shows for a file of the extension, as the file
// list asks for it; empty when it shows none.
void ShownTypeName(const char* ext, char* out, size_t outSize)
{
    out[0] = '\0';
    char sample[kClassNameBufferSize];
    WCHAR wide[kClassNameBufferSize];
    if (!SafeFormat(sample, sizeof(sample), kSampleFileFormat, ext) ||
        MultiByteToWideChar(CP_ACP, 0, sample, -1, wide, kClassNameBufferSize) == 0)
        return;
    LPITEMIDLIST pidl = SHSimpleIDListFromPath(wide);
    if (pidl == NULL)
        return;
    SHFILEINFOA info;
    memset(&info, 0, sizeof(info));
    if (SHGetFileInfoA((LPCSTR)pidl, 0, &info, sizeof(info), SHGFI_PIDL | SHGFI_TYPENAME))
        SafeCopy(out, outSize, info.szTypeName);
    ILFree(pidl);
}

// The name a type shows where nothing names it: the extension in capitals
// and "File".
void UsualTypeName(const char* ext, char* out, size_t outSize)
{
    char upper[kClassNameBufferSize];
    SafeCopy(upper, ext);
    for (char* c = upper; *c; ++c)
        *c = (char)toupper((unsigned char)*c);
    SafeFormat(out, outSize, kUsualTypeNameFormat, upper);
}

enum ClassKeyState {
    kClassKeyMissing,
    kClassKeyUndescribed, // no description (default value), or an empty one
    kClassKeyDescribed
};

ClassKeyState ReadClassKeyState(const char* className)
{
    CRegistryKey key;
    if (key.Open(HKEY_CLASSES_ROOT, className) != ERROR_SUCCESS)
        return kClassKeyMissing;
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG rc = RegQueryValueExA(key, NULL, NULL, &type, NULL, &size);
    // A text holds more than its terminating zero.
    return rc == ERROR_SUCCESS && size > 1 ? kClassKeyDescribed : kClassKeyUndescribed;
}

// The shell shows a class's description as the type name of its files: a
// class without one shows none.
void DescribeClass(const char* className, const char* description)
{
    CRegistryKey key;
    if (key.Open(HKEY_CLASSES_ROOT, className) != ERROR_SUCCESS)
        return;
    SetDefaultText(key, description);
}

// Creates the key (and its missing parents) with the text as its default.
int CreateKeyWithText(const char* path, const char* text)
{
    CRegistryKey key;
    if (key.Create(HKEY_CLASSES_ROOT, path) != ERROR_SUCCESS)
        return 0;
    SetDefaultText(key, text);
    return 1;
}

void DeleteSubKeyOf(const char* parentPath, const char* name)
{
    CRegistryKey key;
    if (key.Open(HKEY_CLASSES_ROOT, parentPath) != ERROR_SUCCESS)
        return;
    RegDeleteKeyA(key, name);
}

// Deletes the key only when it holds neither values nor subkeys, so what
// other programs keep there survives.
void DeleteKeyIfEmpty(const char* path)
{
    CRegistryKey key;
    if (key.Open(HKEY_CLASSES_ROOT, path) != ERROR_SUCCESS)
        return;
    DWORD subKeys = 0;
    DWORD values = 0;
    LONG rc = RegQueryInfoKeyA(key, NULL, NULL, NULL, &subKeys, NULL, NULL, &values, NULL, NULL,
                               NULL, NULL);
    key.Close(); // before the key itself may go
    if (rc == ERROR_SUCCESS && subKeys == 0 && values == 0)
        RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
}

// The key paths of one class's verb, all built before anything is written.
struct VerbKeys
{
    char shell[kPathBufferSize];
    char verb[kPathBufferSize];
    char command[kPathBufferSize];

    BOOL Build(const char* className)
    {
        return SafeFormat(shell, sizeof(shell), kShellKeyFormat, className) &&
               SafeFormat(verb, sizeof(verb), kSubKeyFormat, shell, kShellVerbName) &&
               SafeFormat(command, sizeof(command), kSubKeyFormat, verb, kCommandKeyName);
    }
};

// The extension's key and the class of our own that it gets where it has
// none.
struct ExtensionNames
{
    char key[kClassNameBufferSize];
    char ownClass[kClassNameBufferSize];

    BOOL Build(const char* ext)
    {
        return ext != NULL && ext[0] != '\0' && SafeFormat(key, sizeof(key), ".%s", ext) &&
               SafeFormat(ownClass, sizeof(ownClass), kOwnClassFormat, ext);
    }
};

// Our verb's two keys, leaf first.
void RemoveVerb(const VerbKeys& keys)
{
    DeleteSubKeyOf(keys.verb, kCommandKeyName);
    DeleteSubKeyOf(keys.shell, kShellVerbName);
}

} // namespace

int FormatShellCommand(const char* programPath, char* out, size_t outSize)
{
    if (programPath == NULL || programPath[0] == '\0')
        return 0;
    return SafeFormat(out, outSize, kCommandFormat, programPath) ? 1 : 0;
}

int RegisterShellVerb(const char* ext, char* classBuffer, size_t classBufferSize)
{
    ExtensionNames names;
    if (classBuffer == NULL || classBufferSize < kClassNameBufferSize || !names.Build(ext))
        return 0;
    const char* extKey = names.key;
    const char* ownClass = names.ownClass;

    char programPath[MAX_PATH];
    char command[kPathBufferSize];
    if (!ReadProgramPath(programPath, sizeof(programPath)) ||
        !FormatShellCommand(programPath, command, sizeof(command)))
        return 0;

    // What files of the type show before anything is changed.
    char typeName[kClassNameBufferSize];
    ShownTypeName(ext, typeName, sizeof(typeName));
    if (typeName[0] == '\0')
        UsualTypeName(ext, typeName, sizeof(typeName));

    CRegistryKey extension;
    if (extension.Open(HKEY_CLASSES_ROOT, extKey) == ERROR_SUCCESS)
    {
        ClassValue found = ReadClassName(extension, classBuffer, classBufferSize);
        if (found == kClassMissing)
        {
            SafeCopy(classBuffer, classBufferSize, ownClass);
            SetDefaultText(extension, ownClass);
        }
        extension.Close();
        if (found == kClassUnusable)
            return 0;
    }
    else
    {
        if (!CreateKeyWithText(extKey, ownClass))
            return 0;
        SafeCopy(classBuffer, classBufferSize, ownClass);
    }

    VerbKeys keys;
    if (!keys.Build(classBuffer))
        return 0;
    // A class that another program described keeps its description; one that
    // the verb's keys bring into being, and our own, get the type name.
    const ClassKeyState state = ReadClassKeyState(classBuffer);
    const bool describe = state == kClassKeyMissing ||
                          (state == kClassKeyUndescribed && strcmp(classBuffer, ownClass) == 0);
    if (!CreateKeyWithText(keys.verb, kShellVerbCaption))
        return 0;
    if (describe)
        DescribeClass(classBuffer, typeName);
    return CreateKeyWithText(keys.command, command);
}

int UnregisterShellVerb(const char* ext, char* classBuffer, size_t classBufferSize)
{
    ExtensionNames names;
    if (classBuffer == NULL || classBufferSize == 0 || !names.Build(ext))
        return 1;
    const char* extKey = names.key;
    const char* ownClass = names.ownClass;

    CRegistryKey extension;
    if (extension.Open(HKEY_CLASSES_ROOT, extKey) != ERROR_SUCCESS)
        return 1;
    if (ReadClassName(extension, classBuffer, classBufferSize) != kClassFound)
        return 1;
    VerbKeys keys;
    if (!keys.Build(classBuffer))
        return 1;

    // Letter case counts: "TOLVEX.bmp" is another program's class.
    if (strcmp(classBuffer, ownClass) != 0)
    {
        extension.Close();
        RemoveVerb(keys);
        return 1;
    }

    RegDeleteValueA(extension, NULL);
    extension.Close(); // before the key itself may go
    DeleteKeyIfEmpty(extKey);
    RemoveVerb(keys);
    DeleteKeyIfEmpty(keys.shell);
    CRegistryKey ownClassKey;
    if (ownClassKey.Open(HKEY_CLASSES_ROOT, classBuffer) == ERROR_SUCCESS)
        RegDeleteValueA(ownClassKey, NULL); // our description
    ownClassKey.Close();                    // before the key itself may go
    DeleteKeyIfEmpty(classBuffer);
    return 1;
}

void InstallShellIntegration()
{
    char classBuffer[kPathBufferSize];
    for (const char* ext : kSupportedExtensionNames)
        RegisterShellVerb(ext, classBuffer, sizeof(classBuffer));
}

void UninstallShellIntegration()
{
    char classBuffer[kPathBufferSize];
    for (const char* ext : kSupportedExtensionNames)
        UnregisterShellVerb(ext, classBuffer, sizeof(classBuffer));
}
