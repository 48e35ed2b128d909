#include "tests/support/RegTree.h"

#include <algorithm>
#include <cstdio>

#include "tests/support/gtest.h"

namespace {

std::string FormatValue(DWORD type, const std::vector<BYTE>& data, DWORD size)
{
    if (type == REG_SZ)
    {
        std::string s((const char*)data.data(), size);
        if (!s.empty() && s.back() == '\0')
            s.pop_back();
        return s;
    }
    char text[64];
    if (type == REG_DWORD && size == sizeof(DWORD))
        snprintf(text, sizeof(text), "dword:%lu", (unsigned long)*(const DWORD*)data.data());
    else
        snprintf(text, sizeof(text), "type %lu:%lu bytes", (unsigned long)type, (unsigned long)size);
    return text;
}

void DumpKey(HKEY hKey, const std::string& path, std::vector<std::string>& out)
{
    out.push_back(path);
    DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxNameLen = 0, maxDataLen = 0;
    if (RegQueryInfoKeyA(hKey, NULL, NULL, NULL, &subKeys, &maxSubKeyLen, NULL, &values, &maxNameLen,
                         &maxDataLen, NULL, NULL) != ERROR_SUCCESS)
        return;
    std::vector<char> name(std::max(maxNameLen, maxSubKeyLen) + 2);
    std::vector<BYTE> data(maxDataLen + 2);
    for (DWORD i = 0; i < values; ++i)
    {
        DWORD nameLen = (DWORD)name.size();
        DWORD size = (DWORD)data.size();
        DWORD type = REG_NONE;
        if (RegEnumValueA(hKey, i, name.data(), &nameLen, NULL, &type, data.data(), &size) != ERROR_SUCCESS)
            continue;
        std::string valueName(name.data(), nameLen);
        out.push_back(path + " " + (valueName.empty() ? "@" : valueName) + "=" + FormatValue(type, data, size));
    }
    for (DWORD i = 0; i < subKeys; ++i)
    {
        DWORD nameLen = (DWORD)name.size();
        if (RegEnumKeyExA(hKey, i, name.data(), &nameLen, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            continue;
        std::string sub(name.data(), nameLen);
        HKEY hSub = NULL;
        if (RegOpenKeyExA(hKey, sub.c_str(), 0, KEY_READ, &hSub) != ERROR_SUCCESS)
            continue;
        DumpKey(hSub, path.empty() ? sub : path + "\\" + sub, out);
        RegCloseKey(hSub);
    }
}

} // namespace

std::vector<std::string> DumpRegistryTree(HKEY root, const std::string& path)
{
    std::vector<std::string> out;
    HKEY hKey = NULL;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return out;
    DumpKey(hKey, path, out);
    RegCloseKey(hKey);
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

void SetValue(HKEY root, const std::string& path, const std::string& name, DWORD type, const BYTE* data,
              DWORD size)
{
    HKEY hKey = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL))
        << path;
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(hKey, name.empty() ? NULL : name.c_str(), 0, type, data, size))
        << path << " " << name;
    RegCloseKey(hKey);
}

} // namespace

void SetRegText(HKEY root, const std::string& path, const std::string& name, const std::string& text)
{
    SetValue(root, path, name, REG_SZ, (const BYTE*)text.c_str(), (DWORD)text.size() + 1);
}

void SetRegDword(HKEY root, const std::string& path, const std::string& name, DWORD value)
{
    SetValue(root, path, name, REG_DWORD, (const BYTE*)&value, sizeof(value));
}

void CreateRegKey(HKEY root, const std::string& path)
{
    HKEY hKey = NULL;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &hKey, NULL))
        << path;
    RegCloseKey(hKey);
}

bool QueryRegValue(HKEY root, const std::string& path, const std::string& name, RegValue* out)
{
    HKEY hKey = NULL;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_QUERY_VALUE, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    DWORD type = REG_NONE;
    const char* valueName = name.empty() ? NULL : name.c_str();
    bool ok = RegQueryValueExA(hKey, valueName, NULL, &type, NULL, &size) == ERROR_SUCCESS;
    std::vector<BYTE> data(size + 1);
    ok = ok && RegQueryValueExA(hKey, valueName, NULL, &type, data.data(), &size) == ERROR_SUCCESS;
    RegCloseKey(hKey);
    if (ok && out != NULL)
    {
        out->type = type;
        out->data.assign((const char*)data.data(), size);
    }
    return ok;
}
