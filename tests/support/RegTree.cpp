// Reads registry trees into sorted text lines.
#include "tests/support/RegTree.h"

#include <sddl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/Handles.h"
#include "tests/support/gtest.h"

namespace {

std::string FormatValue(const RegValue& v)
{
    if (v.type == REG_SZ)
    {
        std::string s = v.data;
        if (!s.empty() && s.back() == '\0')
            s.pop_back();
        return s;
    }
    char text[64];
    if (v.type == REG_DWORD && v.data.size() == sizeof(DWORD))
        snprintf(text, sizeof(text), "dword:%lu", (unsigned long)*(const DWORD*)v.data.data());
    else
        snprintf(text, sizeof(text), "type %lu:%lu bytes", (unsigned long)v.type,
                 (unsigned long)v.data.size());
    return text;
}

void DumpSnapshot(const RegSnapshot& key, const std::string& path, std::vector<std::string>& out)
{
    out.push_back(path);
    for (const auto& v : key.values)
        out.push_back(path + " " + (v.first.empty() ? "@" : v.first) + "=" + FormatValue(v.second));
    for (const RegSnapshot& sub : key.keys)
        DumpSnapshot(sub, path.empty() ? sub.name : path + "\\" + sub.name, out);
}

} // namespace

std::vector<std::string> DumpRegistryTree(HKEY root, const std::string& path)
{
    std::vector<std::string> out;
    const RegSnapshot snapshot = SnapshotRegistryTree(root, path);
    if (!snapshot.present)
        return out;
    DumpSnapshot(snapshot, path, out);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> DumpRegistryTrees(HKEY root, const std::vector<std::string>& paths)
{
    std::vector<std::string> out;
    for (const std::string& p : paths)
    {
        std::vector<std::string> one = DumpRegistryTree(root, p);
        out.insert(out.end(), one.begin(), one.end());
    }
    return out;
}

namespace {

void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type,
              const BYTE* data, DWORD size)
{
    CRegistryKey hKey;
    ASSERT_EQ(ERROR_SUCCESS, hKey.Create(root, path.c_str(), KEY_ALL_ACCESS)) << path;
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExA(hKey, name.empty() ? NULL : name.c_str(), 0, type, data, size))
        << path << " " << name;
}

} // namespace

void SetRegText(HKEY root, const std::string& path, const std::string& name,
                const std::string& text)
{
    SetValue(root, path, name, REG_SZ, (const BYTE*)text.c_str(), (DWORD)text.size() + 1);
}

void SetRegDword(HKEY root, const std::string& path, const std::string& name, DWORD value)
{
    SetValue(root, path, name, REG_DWORD, (const BYTE*)&value, sizeof(value));
}

void CreateRegKey(HKEY root, const std::string& path)
{
    CRegistryKey hKey;
    ASSERT_EQ(ERROR_SUCCESS, hKey.Create(root, path.c_str(), KEY_ALL_ACCESS)) << path;
}

bool QueryRegValue(HKEY root, const std::string& path, const std::string& name, RegValue* out)
{
    CRegistryKey hKey;
    if (hKey.Open(root, path.c_str(), KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    DWORD type = REG_NONE;
    const char* valueName = name.empty() ? NULL : name.c_str();
    bool ok = RegQueryValueExA(hKey, valueName, NULL, &type, NULL, &size) == ERROR_SUCCESS;
    std::vector<BYTE> data(size + 1);
    ok = ok && RegQueryValueExA(hKey, valueName, NULL, &type, data.data(), &size) == ERROR_SUCCESS;
    if (ok && out != NULL)
    {
        out->type = type;
        out->data.assign((const char*)data.data(), size);
    }
    return ok;
}

namespace {

void SnapshotKey(HKEY hKey, RegSnapshot& out)
{
    out.present = true;
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxNameLen = 0, maxDataLen = 0;
    if (RegQueryInfoKeyA(hKey, NULL, NULL, NULL, &subKeys, &maxSubKeyLen, NULL, &values,
                         &maxNameLen, &maxDataLen, NULL, NULL) != ERROR_SUCCESS)
        return;
    std::vector<char> name(std::max(maxNameLen, maxSubKeyLen) + 2);
    std::vector<BYTE> data(maxDataLen + 2);
    for (DWORD i = 0; i < values; ++i)
    {
        DWORD nameLen = (DWORD)name.size();
        DWORD size = (DWORD)data.size();
        RegValue v;
        if (RegEnumValueA(hKey, i, name.data(), &nameLen, NULL, &v.type, data.data(), &size) !=
            ERROR_SUCCESS)
            continue;
        v.data.assign((const char*)data.data(), size);
        out.values.push_back({std::string(name.data(), nameLen), v});
    }
    for (DWORD i = 0; i < subKeys; ++i)
    {
        DWORD nameLen = (DWORD)name.size();
        if (RegEnumKeyExA(hKey, i, name.data(), &nameLen, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            continue;
        RegSnapshot sub;
        sub.name.assign(name.data(), nameLen);
        CRegistryKey hSub;
        if (hSub.Open(hKey, sub.name.c_str(), KEY_READ) != ERROR_SUCCESS)
            continue;
        SnapshotKey(hSub, sub);
        out.keys.push_back(std::move(sub));
    }
}

void WriteKey(HKEY root, const std::string& path, const RegSnapshot& snapshot)
{
    {
        CRegistryKey hKey;
        if (hKey.Create(root, path.c_str(), KEY_ALL_ACCESS) != ERROR_SUCCESS)
        {
            ADD_FAILURE() << "cannot put back " << path;
            return;
        }
        for (const auto& v : snapshot.values)
            RegSetValueExA(hKey, v.first.empty() ? NULL : v.first.c_str(), 0, v.second.type,
                           (const BYTE*)v.second.data.data(), (DWORD)v.second.data.size());
    }
    for (const RegSnapshot& sub : snapshot.keys)
        WriteKey(root, path + "\\" + sub.name, sub);
}

} // namespace

RegSnapshot SnapshotRegistryTree(HKEY root, const std::string& path)
{
    RegSnapshot snapshot;
    CRegistryKey hKey;
    if (hKey.Open(root, path.c_str(), KEY_READ) != ERROR_SUCCESS)
        return snapshot;
    SnapshotKey(hKey, snapshot);
    return snapshot;
}

void RestoreRegistryTree(HKEY root, const std::string& path, const RegSnapshot& snapshot)
{
    RegDeleteTreeA(root, path.c_str());
    if (snapshot.present)
        WriteKey(root, path, snapshot);
}

namespace {

// A key made with options CRegistryKey does not offer (volatile ones).
struct CreatedKey
{
    HKEY h = NULL;
    LONG Create(HKEY root, const char* path, DWORD options)
    {
        return RegCreateKeyExA(root, path, 0, NULL, options, KEY_ALL_ACCESS, NULL, &h, NULL);
    }
    ~CreatedKey()
    {
        if (h != NULL)
            RegCloseKey(h);
    }
};

} // namespace

void WriteRegistryLines(HKEY root, const std::vector<std::string>& lines, DWORD options)
{
    for (const std::string& line : lines)
    {
        const size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        CreatedKey created;
        ASSERT_EQ(ERROR_SUCCESS, created.Create(root, key.c_str(), options)) << key;
        const HKEY hKey = created.h;
        if (blank == std::string::npos)
            continue;
        const std::string rest = line.substr(blank + 1);
        const size_t eq = rest.find('=');
        const std::string name = rest.substr(0, eq) == "@" ? "" : rest.substr(0, eq);
        const std::string data = rest.substr(eq + 1);
        const char* valueName = name.empty() ? NULL : name.c_str();
        LONG rc;
        if (data.compare(0, 6, "dword:") == 0)
        {
            const DWORD value = (DWORD)atoi(data.c_str() + 6);
            rc = RegSetValueExA(hKey, valueName, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
        }
        else
            rc = RegSetValueExA(hKey, valueName, 0, REG_SZ, (const BYTE*)data.c_str(),
                                (DWORD)data.size() + 1);
        EXPECT_EQ(ERROR_SUCCESS, rc) << line;
    }
}

namespace {

const char kRefusingClassesKey[] = "Software\\Kestrelworks\\TolvexRefusingClasses";
// Everyone may read; nobody may change a value or make a key.
const char kReadOnlySecurity[] = "D:P(A;OICI;KR;;;WD)";

void MakeReadOnly(HKEY hKey, PSECURITY_DESCRIPTOR security)
{
    DWORD subKeys = 0, maxLen = 0;
    RegQueryInfoKeyA(hKey, NULL, NULL, NULL, &subKeys, &maxLen, NULL, NULL, NULL, NULL, NULL, NULL);
    std::vector<char> name(maxLen + 2);
    for (DWORD i = 0; i < subKeys; ++i)
    {
        DWORD len = (DWORD)name.size();
        CRegistryKey sub;
        if (RegEnumKeyExA(hKey, i, name.data(), &len, NULL, NULL, NULL, NULL) == ERROR_SUCCESS &&
            sub.Open(hKey, name.data(), KEY_ALL_ACCESS) == ERROR_SUCCESS)
            MakeReadOnly(sub, security);
    }
    EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(hKey, DACL_SECURITY_INFORMATION, security));
}

} // namespace

RefusingClassesRoot::RefusingClassesRoot(const std::vector<std::string>& lines) { Map(lines); }

void RefusingClassesRoot::Map(const std::vector<std::string>& lines)
{
    RegDeleteTreeA(HKEY_CURRENT_USER, kRefusingClassesKey);
    {
        CreatedKey top;
        ASSERT_EQ(ERROR_SUCCESS,
                  top.Create(HKEY_CURRENT_USER, kRefusingClassesKey, REG_OPTION_VOLATILE));
        WriteRegistryLines(top.h, lines, REG_OPTION_VOLATILE);
        PSECURITY_DESCRIPTOR security = NULL;
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
            kReadOnlySecurity, SDDL_REVISION_1, &security, NULL));
        MakeReadOnly(top.h, security);
        LocalFree(security);
    }
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, kRefusingClassesKey, 0, KEY_READ, &m_hReadOnly));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, m_hReadOnly));
}

RefusingClassesRoot::~RefusingClassesRoot()
{
    RegOverridePredefKey(HKEY_CLASSES_ROOT, NULL);
    if (m_hReadOnly != NULL)
        RegCloseKey(m_hReadOnly);
    RegDeleteTreeA(HKEY_CURRENT_USER, kRefusingClassesKey);
}
