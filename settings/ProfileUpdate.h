// Keys of an INI file written as one change: the profile functions write
// them into a copy beside the file, and the checked copy replaces the file
// in one step. A failure part way (a full disk, a folder or file that cannot
// be written) leaves the file as it was and no copy behind. The file's text
// is what the profile functions make of it, as when they write it directly:
// values replaced in place, every other section and key kept.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

#include "base/StrUtil.h"

class CProfileUpdate
{
public:
    explicit CProfileUpdate(const char* path);
    ~CProfileUpdate(); // drops the copy unless Commit replaced the file with it
    CProfileUpdate(const CProfileUpdate&) = delete;
    CProfileUpdate& operator=(const CProfileUpdate&) = delete;

    void WriteString(const char* section, const char* key, const char* value);
    // A text that reads back as it stands: the profile functions drop the
    // blanks around a value and one pair of quotes around it, so such a
    // text goes in inside double quotes, which reading strips again.
    void WriteText(const char* section, const char* key, const char* text);
    void WriteInt(const char* section, const char* key, int value); // as "%i"

    // true when the file now holds every key written; false leaves it as
    // it was (also after any earlier write failed).
    bool Commit();

private:
    struct Written
    {
        std::string section, key, value;
    };

    void Discard();
    bool IsWritten(const std::string& section, const std::string& key, size_t after = 0) const;
    bool CopyIsWhole() const;

    char m_path[kPathBufferSize];
    char m_copy[kPathBufferSize];
    bool m_hadFile;
    bool m_ok;
    std::vector<Written> m_written;
};

// For tests: called with the copy's path once every key is in it, before it
// is checked, so a test can damage it as a full disk would.
typedef void (*ProfileCopyHook)(const char* copyPath);
void SetProfileCopyHook(ProfileCopyHook hook);
