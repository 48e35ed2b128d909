// Every test program's entry: the program's process scope and a time limit per case.
#include <windows.h>

#include "startup/Startup.h"
#include "framework/Framework.h"
#include "tests/support/TestUtil.h"
#include "tests/support/gtest.h"

// A case takes a few seconds at most; a minute means it waits for
// something that will not come.
const DWORD kTestCaseTimeLimitMs = 60000;

int main(int argc, char** argv)
{
    CProcessScope scope(ModuleInstance());
    testing::InitGoogleTest(&argc, argv);
    InstallTestTimeLimit(kTestCaseTimeLimitMs);
    return RUN_ALL_TESTS();
}
