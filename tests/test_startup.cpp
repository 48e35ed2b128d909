// Startup: the command line splits as Windows does, each start-up word ends as it should.
#include "base/StrUtil.h"
#include "browser/Pidl.h"
#include "startup/CommandLine.h"
#include "startup/Startup.h"
#include "framework/Framework.h"
#include "tests/support/TestUtil.h"

TEST(StartupCommandLine, SplitsLikeTheWindowsRuntime)
{
    struct Case
    {
        const char* line;
        std::vector<std::string> words;
    } cases[] = {
        {"prog.exe", {"prog.exe"}},
        {"\"C:\\Program Files\\tolvex.exe\" -i", {"C:\\Program Files\\tolvex.exe", "-i"}},
        {"p  a\tb   ", {"p", "a", "b"}},
        {"p /q \"C:\\my pics\\a b.png\"", {"p", "/q", "C:\\my pics\\a b.png"}},
        {"p a\\\\b\\c", {"p", "a\\\\b\\c"}},  // backslashes without a quote stay
        {"p a\\\"b", {"p", "a\"b"}},          // \" is a literal quote
        {"p \"a\\\\\" b", {"p", "a\\", "b"}}, // \\" ends the quotes with one backslash
        {"p \"\"", {"p", ""}},                // an empty quoted word counts
        {"p \"a\"\"b\"", {"p", "a\"b"}},
        {"C:\\dir\\prog.exe x", {"C:\\dir\\prog.exe", "x"}}, // program: backslashes plain
        {"", {""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.words, SplitCommandLine(c.line)) << c.line;
}

TEST(Startup, SingleWordsOtherThanUninstallDoNothingAndExitWithOne)
{
    RegistryState reg(ShellKeys());
    for (const char* word : {"-x", "-I", "/i", "-ix", "i", "-U", "/u", "-uu"})
        EXPECT_EQ(1, RunProgramExe(word)) << word;
}

TEST(Startup, UninstallExitsWithZero)
{
    RegistryState reg(ShellKeys());
    EXPECT_EQ(0, RunProgramExe("-u"));
}

TEST(Startup, QuotesAreRemovedBeforeTheWordIsCompared)
{
    RegistryState reg(ShellKeys());
    EXPECT_EQ(0, RunProgramExe("\"-u\""));
}

// The test runner holds the same process scope as the program, so code under
// test sees the services the program's start-up gives.
TEST(StartupProcessScope, TheRunnerHasTheProgramsServices)
{
    EXPECT_TRUE(g_pMalloc != NULL);
    EXPECT_TRUE(g_Module.IsInitialised());
    EXPECT_EQ(GetModuleHandleA(NULL), ModuleInstance());
    char path[kPathBufferSize];
    ASSERT_TRUE(ReadProgramPath(path, sizeof(path)));
    char expected[kPathBufferSize];
    GetModuleFileNameA(NULL, expected, sizeof(expected));
    EXPECT_STREQ(expected, path);
}
