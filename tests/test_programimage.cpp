// ProgramImage: the Windows tolvex.exe is a GUI program of its word size importing system DLLs.
#include <windows.h>
#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "base/WinUtil.h"
#include "tests/support/TestUtil.h"

namespace {

const char kNoPeImage[] =
    "under Winelib the program is a Linux image that Wine loads, not a PE file";

std::vector<char> ReadWholeFile(const std::string& path)
{
    std::vector<char> data;
    HANDLE h =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    if (h == INVALID_HANDLE_VALUE)
        return data;
    LARGE_INTEGER size;
    DWORD got = 0;
    if (GetFileSizeEx(h, &size) && size.QuadPart > 0 && size.QuadPart < (1LL << 30))
    {
        data.resize((size_t)size.QuadPart);
        if (!ReadFile(h, data.data(), (DWORD)data.size(), &got, NULL) || got != data.size())
            data.clear();
    }
    CloseHandle(h);
    return data;
}

// A PE file read by hand: its headers and the names of the DLLs it imports,
// directly or delay-loaded. `error` says what did not parse.
struct PeImage
{
    WORD machine = 0;
    WORD magic = 0;
    WORD subsystem = 0;
    std::vector<std::string> imports;
    std::string error;
};

class PeReader
{
public:
    explicit PeReader(const std::vector<char>& data) : m_data(data) {}

    PeImage Read()
    {
        PeImage pe;
        const IMAGE_DOS_HEADER* dos = At<IMAGE_DOS_HEADER>(0);
        if (dos == NULL || dos->e_magic != IMAGE_DOS_SIGNATURE)
            return Fail(pe, "no DOS header");
        const size_t nt = (size_t)dos->e_lfanew;
        const DWORD* signature = At<DWORD>(nt);
        const IMAGE_FILE_HEADER* file = At<IMAGE_FILE_HEADER>(nt + sizeof(DWORD));
        if (signature == NULL || *signature != IMAGE_NT_SIGNATURE || file == NULL)
            return Fail(pe, "no PE header");
        pe.machine = file->Machine;
        const size_t optional = nt + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
        const WORD* magic = At<WORD>(optional);
        if (magic == NULL)
            return Fail(pe, "no optional header");
        pe.magic = *magic;
        const IMAGE_DATA_DIRECTORY* dirs = NULL;
        DWORD dirCount = 0;
        if (pe.magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
            ReadOptional<IMAGE_OPTIONAL_HEADER64>(optional, pe, dirs, dirCount);
        else if (pe.magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
            ReadOptional<IMAGE_OPTIONAL_HEADER32>(optional, pe, dirs, dirCount);
        else
            return Fail(pe, "unknown optional header");
        if (dirs == NULL)
            return Fail(pe, "short optional header");
        m_sections = optional + file->SizeOfOptionalHeader;
        m_sectionCount = file->NumberOfSections;
        if (dirCount > IMAGE_DIRECTORY_ENTRY_IMPORT &&
            !ReadImports<IMAGE_IMPORT_DESCRIPTOR>(dirs[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress,
                                                  pe))
            return Fail(pe, "broken import table");
        if (dirCount > IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT &&
            !ReadImports<IMAGE_DELAYLOAD_DESCRIPTOR>(
                dirs[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].VirtualAddress, pe))
            return Fail(pe, "broken delay-load table");
        return pe;
    }

private:
    template <class Header>
    void ReadOptional(size_t offset, PeImage& pe, const IMAGE_DATA_DIRECTORY*& dirs,
                      DWORD& count) const
    {
        const Header* h = At<Header>(offset);
        if (h == NULL)
            return;
        pe.subsystem = h->Subsystem;
        dirs = h->DataDirectory;
        count = std::min<DWORD>(h->NumberOfRvaAndSizes, IMAGE_NUMBEROF_DIRECTORY_ENTRIES);
    }

    template <class T>
    const T* At(size_t offset) const
    {
        if (offset > m_data.size() || m_data.size() - offset < sizeof(T))
            return NULL;
        return reinterpret_cast<const T*>(m_data.data() + offset);
    }

    // The file offset of a relative virtual address, or 0.
    size_t FileOffset(DWORD rva) const
    {
        for (size_t i = 0; i < m_sectionCount; ++i)
        {
            const IMAGE_SECTION_HEADER* s =
                At<IMAGE_SECTION_HEADER>(m_sections + i * sizeof(IMAGE_SECTION_HEADER));
            if (s == NULL)
                return 0;
            const DWORD span = std::max(s->Misc.VirtualSize, s->SizeOfRawData);
            if (rva >= s->VirtualAddress && rva - s->VirtualAddress < span)
                return (size_t)s->PointerToRawData + (rva - s->VirtualAddress);
        }
        return 0;
    }

    static DWORD NameOf(const IMAGE_IMPORT_DESCRIPTOR& d) { return d.Name; }
    static DWORD NameOf(const IMAGE_DELAYLOAD_DESCRIPTOR& d) { return d.DllNameRVA; }

    template <class Descriptor>
    bool ReadImports(DWORD rva, PeImage& pe) const
    {
        if (rva == 0)
            return true;
        size_t at = FileOffset(rva);
        for (;;)
        {
            const Descriptor* d = At<Descriptor>(at);
            if (d == NULL)
                return false;
            if (NameOf(*d) == 0)
                return true;
            const size_t name = FileOffset(NameOf(*d));
            const char* text = name == 0 || name >= m_data.size() ? NULL : m_data.data() + name;
            const char* nul = text == NULL
                                  ? NULL
                                  : static_cast<const char*>(memchr(text, 0, m_data.size() - name));
            if (nul == NULL)
                return false;
            pe.imports.push_back(std::string(text, nul));
            at += sizeof(Descriptor);
        }
    }

    static PeImage Fail(PeImage& pe, const char* what)
    {
        pe.error = what;
        return pe;
    }

    const std::vector<char>& m_data;
    size_t m_sections = 0;
    size_t m_sectionCount = 0;
};

std::string SystemFolder()
{
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, sizeof(dir));
    return n > 0 && n < sizeof(dir) ? std::string(dir) + "\\" : std::string();
}

} // namespace

// A Windows user gets one file: a GUI program of the build's own word size
// that needs nothing but DLLs every Windows system has, none of the
// compiler's runtime or the image library's.
TEST(ProgramImage, IsAGuiProgramThatImportsSystemDllsOnly)
{
    if (IsWinelibBuild())
        GTEST_SKIP() << kNoPeImage;
    const std::vector<char> data = ReadWholeFile(ProgramImage());
    ASSERT_FALSE(data.empty()) << ProgramImage();
    const PeImage pe = PeReader(data).Read();
    ASSERT_EQ("", pe.error);
#ifdef _WIN64
    EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, pe.machine);
    EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR64_MAGIC, pe.magic);
#else
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, pe.machine);
    EXPECT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, pe.magic);
#endif
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, pe.subsystem);

    // The program needs user32 and the image library needs Winsock: a table
    // read wrongly, or one that lists nothing, shows here.
    std::set<std::string> names;
    for (std::string name : pe.imports)
    {
        MakeLower(&name[0]);
        names.insert(name);
    }
    EXPECT_EQ(1u, names.count("user32.dll"));
    EXPECT_EQ(1u, names.count("ws2_32.dll"));
    const std::string system = SystemFolder();
    ASSERT_FALSE(system.empty());
    for (const std::string& name : names)
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((system + name).c_str()))
            << name << " is not a system DLL";
}
