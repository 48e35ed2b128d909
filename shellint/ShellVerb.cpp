#include "shellint/ShellVerb.h"

#include <shlobj.h>
#include <cctype>
#include <cstring>

#include "base/Handles.h"
#include "base/StrUtil.h"
#include "image/Extensions.h"

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

// The current user's classes, which Windows shows through HKEY_CLASSES_ROOT
// ahead of the machine's (Wine 8 does not).
const char kUserClassesKey[] = "Software\\Classes";

enum ClassValue {
    kClassMissing, // no default value, or an empty one
    kClassFound,
    kClassUnusable // too long for our buffer, or not text
};

// A key's default value as the user's shell sees it: the current user's
// classes first, the machine's (HKEY_CLASSES_ROOT) where the user's key has
// no default value. userClasses may be NULL: the user has none.
struct DefaultValue
{
    bool keyFound = false;
    LONG rc = ERROR_FILE_NOT_FOUND;
    DWORD type = REG_NONE;
    DWORD size = 0;
    char data[kClassNameBufferSize + 1];
};

void QueryDefaultIn(HKEY root, const char* path, DefaultValue& v)
{
    CRegistryKey key;
    if (root == NULL || key.Open(root, path, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return;
    v.keyFound = true;
    v.size = kClassNameBufferSize;
    v.rc = RegQueryValueExA(key, NULL, NULL, &v.type, (BYTE*)v.data, &v.size);
}

void QueryDefault(HKEY userClasses, const char* path, DefaultValue& v)
{
    QueryDefaultIn(userClasses, path, v);
    if (v.rc == ERROR_FILE_NOT_FOUND)
        QueryDefaultIn(HKEY_CLASSES_ROOT, path, v);
}

// Only a value that is not there counts as missing: anything we cannot
// read as a whole must not be overwritten with our own class.
ClassValue ClassOf(DefaultValue& v, char* out, size_t outSize)
{
    if (v.rc == ERROR_FILE_NOT_FOUND)
        return kClassMissing;
    if (v.rc != ERROR_SUCCESS || v.type != REG_SZ)
        return kClassUnusable;
    v.data[v.size < kClassNameBufferSize ? v.size : kClassNameBufferSize] = '\0';
    if (v.data[0] == '\0')
        return kClassMissing;
    return SafeCopy(out, outSize, v.data) ? kClassFound : kClassUnusable;
}

// The class an extension key names, as the user sees it.
ClassValue ReadClassName(HKEY userClasses, const char* extKey, char* out, size_t outSize)
{
    DefaultValue v;
    QueryDefault(userClasses, extKey, v);
    return ClassOf(v, out, outSize);
}

// The class an extension key names in one place only.
ClassValue ReadClassNameIn(HKEY root, const char* extKey, char* out, size_t outSize)
{
    DefaultValue v;
    QueryDefaultIn(root, extKey, v);
    return ClassOf(v, out, outSize);
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

ClassKeyState ReadClassKeyState(HKEY userClasses, const char* className)
{
    DefaultValue v;
    QueryDefault(userClasses, className, v);
    if (!v.keyFound)
        return kClassKeyMissing;
    // A text holds more than its terminating zero; one longer than our
    // buffer is a description all the same.
    const bool described = (v.rc == ERROR_SUCCESS && v.size > 1) || v.rc == ERROR_MORE_DATA;
    return described ? kClassKeyDescribed : kClassKeyUndescribed;
}

// One of the two places the classes are written to: the machine's, through
// HKEY_CLASSES_ROOT, or the current user's. It remembers whether a write
// was refused.
class CClassesPlace
{
public:
    explicit CClassesPlace(HKEY root) : m_root(root) {}
    HKEY Root() const { return m_root; }

    // Creates the key (and its missing parents) with the text as its
    // default.
    bool WriteKeyText(const char* path, const char* text)
    {
        CRegistryKey key;
        if (key.Create(m_root, path) != ERROR_SUCCESS ||
            RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE*)text, (DWORD)(strlen(text) + 1)) !=
                ERROR_SUCCESS)
            m_refused = true;
        return !m_refused;
    }

    void DeleteDefault(const char* path) const
    {
        CRegistryKey key;
        if (key.Open(m_root, path) == ERROR_SUCCESS)
            RegDeleteValueA(key, NULL);
    }

    void DeleteSubKeyOf(const char* parentPath, const char* name) const
    {
        CRegistryKey key;
        if (key.Open(m_root, parentPath) != ERROR_SUCCESS)
            return;
        RegDeleteKeyA(key, name);
    }

    // Deletes the key only when it holds neither values nor subkeys, so what
    // other programs keep there survives.
    void DeleteKeyIfEmpty(const char* path) const
    {
        CRegistryKey key;
        if (key.Open(m_root, path) != ERROR_SUCCESS)
            return;
        DWORD subKeys = 0;
        DWORD values = 0;
        LONG rc = RegQueryInfoKeyA(key, NULL, NULL, NULL, &subKeys, NULL, NULL, &values, NULL, NULL,
                                   NULL, NULL);
        key.Close(); // before the key itself may go
        if (rc == ERROR_SUCCESS && subKeys == 0 && values == 0)
            RegDeleteKeyA(m_root, path);
    }

private:
    HKEY m_root;
    bool m_refused = false;
};

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

enum RegisterResult {
    kRegistered,
    kNotRegistered, // nothing to register under, or no program path
    kWriteRefused   // the place did not take a write
};

RegisterResult RegisterIn(CClassesPlace& place, HKEY userClasses, const char* ext,
                          char* classBuffer, size_t classBufferSize)
{
    ExtensionNames names;
    if (classBuffer == NULL || classBufferSize < kClassNameBufferSize || !names.Build(ext))
        return kNotRegistered;
    const char* extKey = names.key;
    const char* ownClass = names.ownClass;

    char programPath[MAX_PATH];
    char command[kPathBufferSize];
    if (!ReadProgramPath(programPath, sizeof(programPath)) ||
        !FormatShellCommand(programPath, command, sizeof(command)))
        return kNotRegistered;

    // What files of the type show before anything is changed.
    char typeName[kClassNameBufferSize];
    ShownTypeName(ext, typeName, sizeof(typeName));
    if (typeName[0] == '\0')
        UsualTypeName(ext, typeName, sizeof(typeName));

    const ClassValue found = ReadClassName(userClasses, extKey, classBuffer, classBufferSize);
    if (found == kClassUnusable)
        return kNotRegistered;
    if (found == kClassMissing)
    {
        SafeCopy(classBuffer, classBufferSize, ownClass);
        if (!place.WriteKeyText(extKey, ownClass))
            return kWriteRefused;
    }

    VerbKeys keys;
    if (!keys.Build(classBuffer))
        return kNotRegistered;
    // A class that another program described keeps its description; one that
    // the verb's keys bring into being, and our own, get the type name.
    const ClassKeyState state = ReadClassKeyState(userClasses, classBuffer);
    const bool describe = state == kClassKeyMissing ||
                          (state == kClassKeyUndescribed && strcmp(classBuffer, ownClass) == 0);
    if (!place.WriteKeyText(keys.verb, kShellVerbCaption))
        return kWriteRefused;
    if (describe && !place.WriteKeyText(classBuffer, typeName))
        return kWriteRefused;
    return place.WriteKeyText(keys.command, command) ? kRegistered : kWriteRefused;
}

// Registers the extensions in the current user's classes; false when the
// user's classes cannot be opened for writing.
bool RegisterForUser(const char* const* exts, size_t count, char* classBuffer,
                     size_t classBufferSize, RegisterResult* last)
{
    CRegistryKey userClasses;
    if (userClasses.Create(HKEY_CURRENT_USER, kUserClassesKey) != ERROR_SUCCESS)
        return false;
    CClassesPlace user(userClasses);
    for (size_t i = 0; i < count; ++i)
        *last = RegisterIn(user, userClasses, exts[i], classBuffer, classBufferSize);
    return true;
}

// Registers the extensions in the machine's classes. The first write the
// machine refuses shows that its classes are not ours to change: then all
// of them go to the current user's classes, so one install lives in one
// place. The result is that of the last extension.
RegisterResult RegisterAll(const char* const* exts, size_t count, char* classBuffer,
                           size_t classBufferSize)
{
    CRegistryKey userClasses;
    userClasses.Open(HKEY_CURRENT_USER, kUserClassesKey, KEY_READ);
    CClassesPlace machine(HKEY_CLASSES_ROOT);
    RegisterResult result = kNotRegistered;
    for (size_t i = 0; i < count; ++i)
    {
        result = RegisterIn(machine, userClasses, exts[i], classBuffer, classBufferSize);
        if (result == kWriteRefused)
        {
            userClasses.Close();
            if (!RegisterForUser(exts, count, classBuffer, classBufferSize, &result))
                return kNotRegistered;
            return result;
        }
    }
    return result;
}

// Our verb's two keys, leaf first.
void RemoveVerb(const CClassesPlace& place, const VerbKeys& keys)
{
    place.DeleteSubKeyOf(keys.verb, kCommandKeyName);
    place.DeleteSubKeyOf(keys.shell, kShellVerbName);
}

// The verb under the class, and the class itself where it is our own and
// nothing else lives in it.
void RemoveFromClass(const CClassesPlace& place, const char* className, const char* ownClass)
{
    VerbKeys keys;
    if (!keys.Build(className))
        return;
    RemoveVerb(place, keys);
    // Letter case counts: "TOLVEX.bmp" is another program's class.
    if (strcmp(className, ownClass) != 0)
        return;
    place.DeleteKeyIfEmpty(keys.shell);
    place.DeleteDefault(className); // our description
    place.DeleteKeyIfEmpty(className);
}

// One place's part of the removal: our claim on the extension where this
// place holds it, and the verb under the class the user saw and under the
// one this place names.
void UnregisterIn(const CClassesPlace& place, const ExtensionNames& names, const char* seenClass)
{
    char placeClass[kClassNameBufferSize];
    const bool named =
        ReadClassNameIn(place.Root(), names.key, placeClass, sizeof(placeClass)) == kClassFound;
    if (named && strcmp(placeClass, names.ownClass) == 0)
    {
        place.DeleteDefault(names.key);
        place.DeleteKeyIfEmpty(names.key);
    }
    if (seenClass != NULL)
        RemoveFromClass(place, seenClass, names.ownClass);
    if (named && (seenClass == NULL || strcmp(placeClass, seenClass) != 0))
        RemoveFromClass(place, placeClass, names.ownClass);
}

} // namespace

bool FormatShellCommand(const char* programPath, char* out, size_t outSize)
{
    if (programPath == NULL || programPath[0] == '\0')
        return false;
    return SafeFormat(out, outSize, kCommandFormat, programPath);
}

int RegisterShellVerb(const char* ext, char* classBuffer, size_t classBufferSize)
{
    const char* const exts[] = {ext};
    return RegisterAll(exts, 1, classBuffer, classBufferSize) == kRegistered ? 1 : 0;
}

int UnregisterShellVerb(const char* ext, char* classBuffer, size_t classBufferSize)
{
    ExtensionNames names;
    if (classBuffer == NULL || classBufferSize == 0 || !names.Build(ext))
        return 1;
    CRegistryKey userClasses;
    const bool hasUserClasses =
        userClasses.Open(HKEY_CURRENT_USER, kUserClassesKey) == ERROR_SUCCESS;
    // Read before anything goes: the removal in one place changes what the
    // user sees.
    const bool seen =
        ReadClassName(userClasses, names.key, classBuffer, classBufferSize) == kClassFound;
    const char* seenClass = seen ? classBuffer : NULL;
    // The user's first: on Windows HKEY_CLASSES_ROOT then shows the
    // machine's alone.
    if (hasUserClasses)
        UnregisterIn(CClassesPlace(userClasses), names, seenClass);
    UnregisterIn(CClassesPlace(HKEY_CLASSES_ROOT), names, seenClass);
    return 1;
}

void InstallShellIntegration()
{
    char classBuffer[kPathBufferSize];
    RegisterAll(kSupportedExtensionNames, kSupportedExtensionCount, classBuffer,
                sizeof(classBuffer));
}

void UninstallShellIntegration()
{
    char classBuffer[kPathBufferSize];
    for (const char* ext : kSupportedExtensionNames)
        UnregisterShellVerb(ext, classBuffer, sizeof(classBuffer));
}
