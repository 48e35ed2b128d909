#include "startup/Startup.h"

#include <commctrl.h>
#include <shlobj.h>
#include <cstring>

#include "browser/Pidl.h"
#include "controls/OwnerDrawButton.h"
#include "startup/CommandLine.h"
#include "image/ImageIO.h"
#include "convert/QuietConverter.h"
#include "framework/Framework.h"
#include "mainwnd/MainDlg.h"
#include "shellint/SetupDlg.h"
#include "shellint/ShellVerb.h"

namespace {

const DWORD kCommonControlClasses = ICC_BAR_CLASSES | ICC_COOL_CLASSES;

} // namespace

CProcessScope::CProcessScope(HINSTANCE hInstance)
{
    CoInitialize(NULL);
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = sizeof(icc);
    icc.dwICC = kCommonControlClasses;
    InitCommonControlsEx(&icc);
    g_Module.Init(hInstance);
    g_pMalloc = NULL;
    if (FAILED(SHGetMalloc(&g_pMalloc)))
        g_pMalloc = NULL;
    InitImageLibrary();
    CreateButtonArrowBitmaps();
}

CProcessScope::~CProcessScope()
{
    // Even the removal road: the library's folder was made at start-up.
    EndImageLibrary();
    if (!m_cleanUp)
        return;
    FreeButtonArrowBitmaps();
    g_Module.Term();
    CoUninitialize();
}

int RunProgram(HINSTANCE hInstance, const char* cmdLine)
{
    CProcessScope scope(hInstance);
    std::vector<std::string> words = SplitCommandLine(cmdLine);
    const size_t count = words.size();

    if (count == 2 && words[1] == "-i")
    {
        CSetupDlg setup;
        setup.DoModal(GetActiveWindow());
    }
    else if (count == 2 && words[1] == "-u")
    {
        UninstallShellIntegration();
        scope.SkipCleanUp();
        return kExitUninstalled;
    }
    else if (count == 2)
    {
        // any other single word: nothing to do
    }
    else if (count == 3)
    {
        CQuietConverter converter;
        converter.Run(words[2].c_str());
    }
    else
    {
        CMainDlg dialog;
        dialog.DoModal(GetActiveWindow());
    }
    return kExitNormal;
}
