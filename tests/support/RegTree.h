// Registry trees as sorted text lines, for exact before/after comparisons.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

// One line per key ("path") and per value ("path @=data" for the default
// value, "path name=data" otherwise), sorted. Texts show as they are,
// other types as "dword:N" or "type T:N bytes". Nothing when the key is
// missing.
std::vector<std::string> DumpRegistryTree(HKEY root, const std::string& path);

// The trees of several keys, one after another.
std::vector<std::string> DumpRegistryTrees(HKEY root, const std::vector<std::string>& paths);

// Creates the key (with its parents) and sets one value; an empty name is
// the default value.
void SetRegText(HKEY root, const std::string& path, const std::string& name,
                const std::string& text);
void SetRegDword(HKEY root, const std::string& path, const std::string& name, DWORD value);
void CreateRegKey(HKEY root, const std::string& path);

// A value's type, size and data; false when it cannot be read.
struct RegValue
{
    DWORD type = REG_NONE;
    std::string data; // the raw bytes, terminator included
};
bool QueryRegValue(HKEY root, const std::string& path, const std::string& name, RegValue* out);

// A key as it stood: its values and subkeys, to be written back later.
struct RegSnapshot
{
    std::string name; // the subkey's name; empty for the snapshot's own key
    bool present = false;
    std::vector<std::pair<std::string, RegValue>> values; // "" is the default value
    std::vector<RegSnapshot> keys;
};
RegSnapshot SnapshotRegistryTree(HKEY root, const std::string& path);

// Deletes the key, then writes the snapshot back when the key was there.
void RestoreRegistryTree(HKEY root, const std::string& path, const RegSnapshot& snapshot);

// Writes the keys and values of dump lines (in DumpRegistryTree's form;
// texts, and "dword:N") under root. Volatile keys with `options`
// REG_OPTION_VOLATILE.
void WriteRegistryLines(HKEY root, const std::vector<std::string>& lines,
                        DWORD options = REG_OPTION_NON_VOLATILE);

// The machine's classes as a user without administrator rights meets them:
// while the object lives, HKEY_CLASSES_ROOT of this process shows `lines`
// and refuses new keys (they live in a volatile key, whose children must
// be volatile too) and changed values (every key allows reading only).
// Wine lets deletions through whatever a key's security says.
class RefusingClassesRoot
{
public:
    explicit RefusingClassesRoot(const std::vector<std::string>& lines);
    ~RefusingClassesRoot();
    RefusingClassesRoot(const RefusingClassesRoot&) = delete;
    RefusingClassesRoot& operator=(const RefusingClassesRoot&) = delete;

private:
    void Map(const std::vector<std::string>& lines);

    HKEY m_hReadOnly = NULL;
};
