#include "files/TempNames.h"

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/StrUtil.h"

namespace {

// "~tvx" + owner + "_" + serial + ".tmp"; settings copies without the "~",
// the image library's folders with "lib" after it.
const char kImagePrefix[] = "~tvx";
const char kLibraryPrefix[] = "~tvxlib";
const char kCopyPrefix[] = "tvx";
const char kTempExtension[] = ".tmp";
const char kOwnedFormat[] = "%s%lx-%016llx_%lx%s";

const size_t kMaxPidDigits = 8;
const size_t kStartDigits = 16;
const size_t kMaxSerialDigits = 8;
// An earlier version's settings copy came from GetTempFileNameA.
const size_t kMaxOldCopyDigits = 4;

// Names tried before a folder is taken as one that takes no new entry.
const int kMaxNameAttempts = 1000;

const ULONGLONG kFileTimeUnitsPerMs = 10000;

const LeftoverKind kAllKinds[] = {kImageTemps, kStagingFolders, kSettingsCopies, kLibraryFolders};

struct Owner
{
    DWORD pid;
    ULONGLONG start; // 0: not known
};

const Owner& ThisProcess()
{
    static const Owner self = {GetCurrentProcessId(), ProcessStartTime(GetCurrentProcess())};
    return self;
}

LONG g_serial = 0;

ULONGLONG FileTimeValue(const FILETIME& t)
{
    return ((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime;
}

// When the machine started; what was last written before then has no
// running owner.
ULONGLONG MachineStartTime()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FileTimeValue(now) - GetTickCount64() * kFileTimeUnitsPerMs;
}

// True while a process of that id runs; with a start time, only the one
// that started then. A process we may not look at is taken as running.
bool IsRunning(DWORD pid, ULONGLONG start)
{
    const Owner& self = ThisProcess();
    if (pid == self.pid)
        return start == 0 || self.start == 0 || start == self.start;
    CKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
    if (!process.Valid())
        return GetLastError() != ERROR_INVALID_PARAMETER;
    // An ended process stays while someone holds a handle to it.
    if (WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0)
        return false;
    const ULONGLONG started = ProcessStartTime(process.Get());
    return start == 0 || started == 0 || started == start;
}

bool StartsWith(const char* text, const char* prefix)
{
    const size_t n = strlen(prefix);
    return strlen(text) >= n && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text, (int)n,
                                               prefix, (int)n) == CSTR_EQUAL;
}

// The run of hex digits at `at` when it has `min` to `max` of them; its
// length (0 when it does not) and value.
size_t HexRun(const std::string& text, size_t at, size_t min, size_t max, ULONGLONG* value)
{
    size_t n = 0;
    ULONGLONG v = 0;
    while (at + n < text.size() && isxdigit((unsigned char)text[at + n]))
    {
        const char c = (char)tolower((unsigned char)text[at + n]);
        v = v * 16 + (ULONGLONG)(c <= '9' ? c - '0' : c - 'a' + 10);
        if (++n > max)
            return 0;
    }
    if (n < min)
        return 0;
    *value = v;
    return n;
}

// What a name of ours says about its maker.
enum NameForm {
    kNotOurs,
    kOwnedName, // owner and serial: this version's
    kOldFile,   // "~tvx<pid>_<serial>.tmp": an earlier version's temporary file
    kOldFolder, // "~tvx<pid>.tmp": an earlier version's staging folder
    kOldCopy,   // "tvx<serial>.tmp": an earlier version's settings copy
};

struct ParsedName
{
    NameForm form = kNotOurs;
    LeftoverKind kind = kImageTemps;
    Owner owner = {0, 0};
};

// The name's body between prefix and extension, read as one of our forms.
NameForm ParseBody(const std::string& body, bool image, Owner* owner)
{
    ULONGLONG pid = 0, start = 0, serial = 0;
    const size_t pidDigits = HexRun(body, 0, 1, kMaxPidDigits, &pid);
    if (!image && pidDigits > 0 && pidDigits == body.size() && pidDigits <= kMaxOldCopyDigits)
        return kOldCopy;
    if (pidDigits == 0)
        return kNotOurs;
    owner->pid = (DWORD)pid;
    size_t at = pidDigits;
    if (image && at == body.size())
        return kOldFolder;
    // A start of 0 is an owner whose start was not known: its id decides.
    const bool hasStart = at < body.size() && body[at] == '-';
    if (hasStart)
    {
        const size_t startDigits = HexRun(body, at + 1, kStartDigits, kStartDigits, &start);
        if (startDigits == 0)
            return kNotOurs;
        owner->start = start;
        at += 1 + startDigits;
    }
    if (at >= body.size() || body[at] != '_')
        return kNotOurs;
    const size_t serialDigits = HexRun(body, at + 1, 1, kMaxSerialDigits, &serial);
    if (serialDigits == 0 || at + 1 + serialDigits != body.size())
        return kNotOurs;
    if (hasStart)
        return kOwnedName;
    return image ? kOldFile : kNotOurs;
}

ParsedName ParseName(const char* name, bool isFolder)
{
    ParsedName parsed;
    const size_t length = strlen(name);
    const size_t extension = sizeof(kTempExtension) - 1;
    if (length <= extension || StrICmp(name + length - extension, kTempExtension) != 0)
        return parsed;
    const bool library = StartsWith(name, kLibraryPrefix);
    const bool image = library || StartsWith(name, kImagePrefix);
    if (!image && !StartsWith(name, kCopyPrefix))
        return parsed;
    const size_t prefix = library ? sizeof(kLibraryPrefix) - 1
                          : image ? sizeof(kImagePrefix) - 1
                                  : sizeof(kCopyPrefix) - 1;
    if (length < prefix + extension)
        return parsed;
    const std::string body(name + prefix, length - prefix - extension);
    const NameForm form = ParseBody(body, image, &parsed.owner);
    // The library's folders came only with owned names.
    if (library)
    {
        if (form == kOwnedName && isFolder)
        {
            parsed.form = form;
            parsed.kind = kLibraryFolders;
        }
        return parsed;
    }
    // Each form names only files or only folders.
    bool fits = false;
    switch (form)
    {
    case kNotOurs:
        break;
    case kOwnedName:
        parsed.kind = !image ? kSettingsCopies : isFolder ? kStagingFolders : kImageTemps;
        fits = image || !isFolder;
        break;
    case kOldFile:
        parsed.kind = kImageTemps;
        fits = !isFolder;
        break;
    case kOldFolder:
        parsed.kind = kStagingFolders;
        fits = isFolder;
        break;
    case kOldCopy:
        parsed.kind = kSettingsCopies;
        fits = !isFolder;
        break;
    }
    if (fits)
        parsed.form = form;
    return parsed;
}

bool IsOurs(const ParsedName& name, unsigned kinds)
{
    return name.form != kNotOurs && (kinds & name.kind) != 0;
}

bool IsDead(const ParsedName& name, const WIN32_FIND_DATAA& found, ULONGLONG machineStart)
{
    if (name.form == kOwnedName)
        return !IsRunning(name.owner.pid, name.owner.start);
    if (FileTimeValue(found.ftLastWriteTime) < machineStart)
        return true;
    if (name.form == kOldCopy)
        return false;
    // This version never makes these names, so one under our own id is not
    // a running process's.
    return name.owner.pid == ThisProcess().pid || !IsRunning(name.owner.pid, 0);
}

std::string WithSeparator(const char* folder)
{
    std::string base = folder != NULL ? folder : "";
    if (!base.empty() && base.back() != '\\' && base.back() != '/')
        base += '\\';
    return base;
}

// A folder of ours with its files, then the folder; a file that is held
// open keeps the folder. A staging folder's files go only by names of ours;
// a library folder holds only the library's files, whatever their names.
void RemoveOwnedFolder(const std::string& folder, LeftoverKind kind)
{
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    {
        CFindHandle search((folder + "\\*").c_str(), found);
        if (search.Valid())
        {
            do
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                    (kind == kLibraryFolders ||
                     IsOurs(ParseName(found.cFileName, false), kImageTemps)))
                    files.push_back(found.cFileName);
            while (search.Next(found));
        }
    } // the search ends before its folder goes
    for (const std::string& file : files)
        DeleteFileA((folder + "\\" + file).c_str());
    RemoveDirectoryA(folder.c_str());
}

void SweepPattern(const std::string& base, const char* prefix, unsigned kinds,
                  ULONGLONG machineStart)
{
    struct Found
    {
        std::string name;
        bool folder;
        LeftoverKind kind;
    };
    std::vector<Found> dead;
    WIN32_FIND_DATAA found;
    {
        CFindHandle search((base + prefix + "*" + kTempExtension).c_str(), found);
        if (!search.Valid())
            return;
        do
        {
            const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            const ParsedName name = ParseName(found.cFileName, folder);
            if (IsOurs(name, kinds) && IsDead(name, found, machineStart))
                dead.push_back({found.cFileName, folder, name.kind});
        } while (search.Next(found));
    }
    for (const Found& f : dead)
    {
        const std::string path = base + f.name;
        if (f.folder)
            RemoveOwnedFolder(path, f.kind);
        else
            DeleteFileA(path.c_str()); // fails while someone holds it open
    }
}

std::set<std::string>& SweptFolders()
{
    static std::set<std::string> swept;
    return swept;
}

std::string SweptKey(const std::string& base, unsigned kind)
{
    std::string key = base;
    if (!key.empty())
        CharUpperBuffA(&key[0], (DWORD)key.size());
    return key + "|" + std::to_string(kind);
}

bool FormatOwnedPath(LeftoverKind kind, const char* folder, char* path, size_t pathSize)
{
    const Owner& self = ThisProcess();
    const unsigned serial = (unsigned)InterlockedIncrement(&g_serial);
    return SafeFormat(path, pathSize, "%s%s", folder != NULL ? folder : "",
                      OwnedTempName(kind, self.pid, self.start, serial).c_str()) != FALSE;
}

} // namespace

ULONGLONG ProcessStartTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return FileTimeValue(created);
}

std::string OwnedTempName(LeftoverKind kind, DWORD pid, ULONGLONG startTime, unsigned serial)
{
    char name[MAX_PATH];
    const char* prefix = kind == kSettingsCopies   ? kCopyPrefix
                         : kind == kLibraryFolders ? kLibraryPrefix
                                                   : kImagePrefix;
    SafeFormat(name, sizeof(name), kOwnedFormat, prefix, (unsigned long)pid,
               (unsigned long long)startTime, (unsigned long)serial, kTempExtension);
    return name;
}

HANDLE CreateOwnedFile(LeftoverKind kind, const char* folder, char* path, size_t pathSize)
{
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt)
    {
        if (!FormatOwnedPath(kind, folder, path, pathSize))
            return INVALID_HANDLE_VALUE;
        HANDLE h =
            CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        const DWORD error = GetLastError();
        if (h != INVALID_HANDLE_VALUE ||
            (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS))
            return h;
    }
    return INVALID_HANDLE_VALUE;
}

bool CreateOwnedFolder(const char* folder, char* path, size_t pathSize, LeftoverKind kind)
{
    for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt)
    {
        if (!FormatOwnedPath(kind, folder, path, pathSize))
            return false;
        if (CreateDirectoryA(path, NULL))
            return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

void RemoveDeadLeftovers(const char* folder, unsigned kinds)
{
    const std::string base = WithSeparator(folder);
    for (unsigned kind : kAllKinds)
        if (kinds & kind)
            SweptFolders().insert(SweptKey(base, kind));
    const ULONGLONG machineStart = MachineStartTime();
    // The library's folders share the prefix of the image temporaries.
    if (kinds & (kImageTemps | kStagingFolders | kLibraryFolders))
        SweepPattern(base, kImagePrefix, kinds, machineStart);
    if (kinds & kSettingsCopies)
        SweepPattern(base, kCopyPrefix, kinds, machineStart);
}

void RemoveDeadLeftoversOnce(const char* folder, unsigned kinds)
{
    const std::string base = WithSeparator(folder);
    unsigned due = 0;
    for (unsigned kind : kAllKinds)
        if ((kinds & kind) && SweptFolders().count(SweptKey(base, kind)) == 0)
            due |= kind;
    if (due != 0)
        RemoveDeadLeftovers(folder, due);
}
