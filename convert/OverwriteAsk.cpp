#include "convert/OverwriteAsk.h"

#include <windows.h>

#include "convert/OverwriteDlg.h"

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
