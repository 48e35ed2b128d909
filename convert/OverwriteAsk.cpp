#include "convert/OverwriteAsk.h"

#include <windows.h>

#include "convert/OverwriteDlg.h"
#include "files/Paths.h"

static_assert(kOverwriteSingleYes == IDC_OVERWRITE_NOALL, "single-file Yes");
static_assert(kOverwriteSingleNo == IDC_OVERWRITE_CANCEL, "single-file No");

int AskOverwriteSingle(const char* path, bool replacesSource)
{
    COverwriteDlg dlg(path, kOverwriteSingleFileMode);
    dlg.SetReplacesSource(replacesSource);
    INT_PTR answer = dlg.DoModal(GetActiveWindow());
    // Enter with no button focused gives the hidden Yes (IDOK), unless No
    // was made the default; a question that could not be shown replaces
    // nothing.
    if (answer == IDC_OVERWRITE_NOALL || answer == IDC_OVERWRITE_YES)
        return kOverwriteSingleYes;
    return kOverwriteSingleNo;
}

namespace {

OverwriteDecision AskOverwriteInRun(const char* output, const char* source,
                                    OverwriteRunAnswers& run)
{
    if (run.yesToAll)
        return kOverwriteWrite;
    if (run.noToAll)
        return kOverwriteSkip;
    COverwriteDlg question(output, kOverwriteBatchMode);
    question.SetReplacesSource(IsSameFile(output, source));
    switch (question.DoModal(::GetActiveWindow()))
    {
    case IDC_OVERWRITE_CANCEL:
        return kOverwriteStop;
    case IDC_OVERWRITE_YESALL:
        run.yesToAll = 1;
        return kOverwriteWrite;
    case IDC_OVERWRITE_NO:
        return kOverwriteSkip;
    case IDC_OVERWRITE_NOALL:
        run.noToAll = 1;
        return kOverwriteSkip;
    default:
        return kOverwriteWrite;
    }
}

} // namespace

OverwriteDecision DecideOverwrite(const char* output, const char* source, DWORD* attributes,
                                  OverwriteRunAnswers* run)
{
    if (PathExists(output, attributes) == 0)
        return kOverwriteWrite;
    if (run != NULL)
        return AskOverwriteInRun(output, source, *run);
    return AskOverwriteSingle(output, IsSameFile(output, source)) == kOverwriteSingleNo
               ? kOverwriteSkip
               : kOverwriteWrite;
}
