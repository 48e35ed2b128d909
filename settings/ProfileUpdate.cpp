#include "settings/ProfileUpdate.h"

#include <string>
#include <vector>

#include "base/Handles.h"
#include "files/Paths.h"
#include "files/TempNames.h"

namespace {

ProfileCopyHook g_copyHook = NULL;

const DWORD kFirstReadSize = 4096;
const DWORD kMaxReadSize = 0x4000000;

// Tells a missing key from an empty value; no file holds it.
const char kAbsent[] = "\x01"
                       "absent"
                       "\x01";

// One profile read that reports its length; the answer was cut when it
// filled the buffer to the last two bytes.
template <typename Read>
bool ReadWhole(Read read, std::string* out)
{
    for (DWORD size = kFirstReadSize; size <= kMaxReadSize; size *= 2)
    {
        std::vector<char> buffer(size);
        const DWORD got = read(buffer.data(), size);
        if (got + 2 < size)
        {
            out->assign(buffer.data(), got);
            return true;
        }
    }
    return false;
}

// A zero-separated list as the profile functions give it.
std::vector<std::string> SplitList(const std::string& list)
{
    std::vector<std::string> items;
    for (size_t at = 0; at < list.size();)
    {
        const std::string item = list.c_str() + at;
        at += item.size() + 1;
        if (!item.empty())
            items.push_back(item);
    }
    return items;
}

bool ReadValue(const char* path, const char* section, const char* key, std::string* out)
{
    return ReadWhole(
        [&](char* b, DWORD n) {
            return GetPrivateProfileStringA(section, key, kAbsent, b, n, path);
        },
        out);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsQuote(char c) { return c == '"' || c == '\''; }

// What a value reads back as: the profile functions drop the blanks around
// it. A quoted value loses its quotes as well; only its presence is sure.
bool ReadsBackAs(const std::string& stored, const char* written)
{
    std::string meant = written;
    const char* const blanks = " \t";
    const size_t first = meant.find_first_not_of(blanks);
    meant = first == std::string::npos
                ? std::string()
                : meant.substr(first, meant.find_last_not_of(blanks) - first + 1);
    if (meant.size() >= 2 && IsQuote(meant[0]) && meant[meant.size() - 1] == meant[0])
        return stored != kAbsent;
    return stored == meant;
}

// True when the profile functions would not read the text back as it
// stands: blanks around it, or a pair of matching quotes around it.
bool NeedsQuotes(const std::string& text)
{
    if (text.empty())
        return false;
    const char first = text[0], last = text[text.size() - 1];
    return IsBlank(first) || IsBlank(last) || (text.size() >= 2 && IsQuote(first) && last == first);
}

bool FlushToDisk(const char* path)
{
    CKernelHandle file(
        CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file.Valid())
        return false;
    const bool ok = FlushFileBuffers(file.Get()) != FALSE;
    return file.Close() && ok;
}

} // namespace

void SetProfileCopyHook(ProfileCopyHook hook) { g_copyHook = hook; }

CProfileUpdate::CProfileUpdate(const char* path) : m_hadFile(false), m_ok(false)
{
    m_path[0] = '\0';
    m_copy[0] = '\0';
    if (path == NULL || path[0] == '\0' || !SafeCopy(m_path, path))
        return;
    // Windows refuses to replace a read-only file; so do we.
    const DWORD attributes = GetFileAttributesA(path);
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return;

    char folder[kPathBufferSize];
    if (!GetFolderOfPath(path, folder, sizeof(folder)))
        return;
    // Copies of saves that a kill cut short go first.
    RemoveDeadLeftovers(folder, kSettingsCopies);
    CKernelHandle copy(CreateOwnedFile(kSettingsCopies, folder, m_copy, sizeof(m_copy)));
    if (!copy.Valid())
    {
        m_copy[0] = '\0'; // a name that was not made is no one's to remove
        return;
    }
    if (!copy.Close())
    {
        Discard();
        return;
    }
    // The copy starts as the whole file, so what the keys written leave
    // alone (other sections, comments, their order) stays.
    if (exists && !CopyFileA(path, m_copy, FALSE))
    {
        Discard();
        return;
    }
    m_hadFile = exists;
    m_ok = true;
}

CProfileUpdate::~CProfileUpdate() { Discard(); }

void CProfileUpdate::Discard()
{
    if (m_copy[0] != '\0')
        DeleteFileA(m_copy);
    m_copy[0] = '\0';
    m_ok = false;
}

void CProfileUpdate::WriteString(const char* section, const char* key, const char* value)
{
    if (!m_ok || section == NULL || key == NULL || value == NULL)
    {
        m_ok = false;
        return;
    }
    m_ok = WritePrivateProfileStringA(section, key, value, m_copy) != FALSE;
    m_written.push_back({section, key, value});
}

void CProfileUpdate::WriteText(const char* section, const char* key, const char* text)
{
    if (text == NULL || !NeedsQuotes(text))
    {
        WriteString(section, key, text);
        return;
    }
    WriteString(section, key, ('"' + std::string(text) + '"').c_str());
}

void CProfileUpdate::WriteInt(const char* section, const char* key, int value)
{
    char text[16];
    SafeFormat(text, sizeof(text), "%i", value);
    WriteString(section, key, text);
}

// Section and key names are compared as the profile functions do, without
// regard to case.
bool CProfileUpdate::IsWritten(const std::string& section, const std::string& key,
                               size_t after) const
{
    for (size_t i = after; i < m_written.size(); ++i)
        if (StrICmp(m_written[i].section.c_str(), section.c_str()) == 0 &&
            StrICmp(m_written[i].key.c_str(), key.c_str()) == 0)
            return true;
    return false;
}

// A full disk cuts the profile functions' file short without telling: the
// copy must give back every key written and every other key the file held.
bool CProfileUpdate::CopyIsWhole() const
{
    std::string stored;
    for (size_t i = 0; i < m_written.size(); ++i)
    {
        const Written& w = m_written[i];
        if (IsWritten(w.section, w.key, i + 1))
            continue; // written again later
        if (!ReadValue(m_copy, w.section.c_str(), w.key.c_str(), &stored) ||
            !ReadsBackAs(stored, w.value.c_str()))
            return false;
    }
    if (!m_hadFile)
        return true;
    std::string sections;
    if (!ReadWhole([&](char* b, DWORD n) { return GetPrivateProfileSectionNamesA(b, n, m_path); },
                   &sections))
        return false;
    for (const std::string& section : SplitList(sections))
    {
        std::string entries;
        if (!ReadWhole(
                [&](char* b, DWORD n) {
                    return GetPrivateProfileSectionA(section.c_str(), b, n, m_path);
                },
                &entries))
            return false;
        for (const std::string& entry : SplitList(entries))
        {
            const std::string key = entry.substr(0, entry.find('='));
            if (IsWritten(section, key))
                continue;
            std::string before;
            if (!ReadValue(m_path, section.c_str(), key.c_str(), &before) ||
                !ReadValue(m_copy, section.c_str(), key.c_str(), &stored) || stored != before)
                return false;
        }
    }
    return true;
}

bool CProfileUpdate::Commit()
{
    if (m_ok && g_copyHook != NULL)
        g_copyHook(m_copy);
    const bool ok = m_ok && CopyIsWhole() && FlushToDisk(m_copy) &&
                    MoveFileExA(m_copy, m_path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (ok)
        m_copy[0] = '\0';
    Discard();
    return ok;
}
