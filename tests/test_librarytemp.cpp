#include <string>
#include <vector>

#include "mainwnd/MainDlg.h"
#include "tests/support/ImageFixtures.h"
#include "tests/support/MainPanel.h"
#include "tests/support/TestUtil.h"

namespace {

// The size the headers claim: within the library's side and area limits,
// its pixels just within its disk limit.
const unsigned kClaimedWidth = 15999, kClaimedHeight = 8000;

std::string BigEndian16(unsigned value) { return std::string{(char)(value >> 8), (char)value}; }

// Fifty bytes: the header, then ten runs of one colour.
std::string PixClaiming(unsigned width, unsigned height)
{
    std::string runs;
    for (int i = 0; i < 10; ++i)
        runs += std::string("\xFF\x01\x02\x03", 4);
    return BigEndian16(width) + BigEndian16(height) + BigEndian16(0) + BigEndian16(0) +
           BigEndian16(24) + runs;
}

const char kPixName[] = "runs.pix";

// Set by a case that starts one of those below in a process of its own.
const char kChildVariable[] = "TVX_LIBRARY_TEMP_CHILD";

bool IsChild() { return GetEnvironmentVariableA(kChildVariable, NULL, 0) != 0; }

const char kGoodName[] = "good.png";

// Convert All of the folder into the other, every option off; the texts of
// the message boxes it showed.
std::vector<std::string> ConvertAllAtFullSize(CMainDlg& dlg, const std::string& source,
                                              const std::string& output)
{
    SetPanel(dlg, PanelOptions());
    SafeCopy(dlg.m_szBrowsedFolder, source.c_str());
    SetDlgItemTextA(dlg.m_hWnd, IDC_MAIN_OUTPUT_FOLDER, output.c_str());
    dlg.m_nConvertCmd = ID_CONVERT_ALL;
    return RunAnsweringMessageBoxes(
        [&] { SendMessageA(dlg.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_MAIN_CONVERT, BN_CLICKED), 0); },
        "Tolvex");
}

} // namespace

// The GIF encoder makes a palette copy of a picture of many colours; a
// picture of 128 MP, read into the library's disk cache, leaves no room
// for that copy, and the encoder went on without it and died. Convert All
// at full size passes over such a file, converts the others and leaves no
// staging folder.
TEST(LibraryTemp, ConvertAllPassesOverAPictureTooLargeForTheGifEncoder)
{
    if (!IsChild())
        GTEST_SKIP() << "run in a process of its own by the case below";
    TempFolder src("bigheader src"), out("bigheader out");
    WriteFileBytes(src.File(kPixName), PixClaiming(kClaimedWidth, kClaimedHeight));
    WriteImage(src.File(kGoodName), MakeQuadrants(16, 12));
    MainDlgWindow main;
    const std::vector<std::string> reports = ConvertAllAtFullSize(main.dlg, src.Path(), out.Path());
    ASSERT_EQ(1u, reports.size());
    EXPECT_NE(std::string::npos, reports[0].find(kPixName)) << reports[0];
    EXPECT_EQ(std::vector<std::string>{"good.gif"}, FolderNames(out.Path()));
}

TEST(LibraryTemp, APictureTooLargeForTheGifEncoderLeavesTheProcessAlive)
{
    SetEnvironmentVariableA(kChildVariable, "1");
    EXPECT_EQ(0, RunTestCaseInNewProcess(
                     "LibraryTemp.ConvertAllPassesOverAPictureTooLargeForTheGifEncoder"));
    SetEnvironmentVariableA(kChildVariable, NULL);
}
