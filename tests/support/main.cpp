#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "controls/OwnerDrawButton.h"
#include "core/ImageIO.h"
#include "framework/Framework.h"
#include "tests/support/TestUtil.h"
#include "tests/support/gtest.h"

// A case takes a few seconds at most; a minute means it waits for
// something that will not come.
const DWORD kTestCaseTimeLimitMs = 60000;

int main(int argc, char** argv)
{
    CoInitialize(NULL);
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_COOL_CLASSES};
    InitCommonControlsEx(&icc);
    g_Module.Init(GetModuleHandleA(NULL));
    InitImageLibrary();
    CreateButtonArrowBitmaps();
    testing::InitGoogleTest(&argc, argv);
    InstallTestTimeLimit(kTestCaseTimeLimitMs);
    int rc = RUN_ALL_TESTS();
    FreeButtonArrowBitmaps();
    g_Module.Term();
    CoUninitialize();
    return rc;
}
