// The question before an existing output file is replaced. Batch mode
// offers five answers; single-file mode shows only the last two buttons,
// as "Yes" (IDC_OVERWRITE_NOALL) and "No" (IDC_OVERWRITE_CANCEL).
// DoModal returns the id of the answer; Escape and the close box give
// IDC_OVERWRITE_CANCEL. No button is the default push button, so Enter
// gives whatever has the focus, or IDOK, unless the output would replace
// its own source: then No (IDC_OVERWRITE_NO, or IDC_OVERWRITE_CANCEL in
// single-file mode) has the focus and is the default.
#pragma once

#include <string>

#include "controls/OwnerDrawButton.h"
#include "framework/Framework.h"
#include "res/resource.h"

// Show commands of the first three buttons: the two modes.
const int kOverwriteBatchMode = SW_SHOW;
const int kOverwriteSingleFileMode = SW_HIDE;

// Longest path text the question shows.
const size_t kOverwritePathShown = 40;

class COverwriteDlg : public CSimpleDialog<IDD_OVERWRITE>
{
    typedef CSimpleDialog<IDD_OVERWRITE> Base;

public:
    COverwriteDlg(const char* outputPath = "", int showCmd = kOverwriteBatchMode);

    void SetOutputPath(const char* path) { m_outputPath = path != NULL ? path : ""; }
    void SetShowCommand(int showCmd) { m_showCmd = showCmd; }
    // The output is the very file it would be made from.
    void SetReplacesSource(bool replacesSource) { m_replacesSource = replacesSource; }

    BEGIN_MSG_MAP(COverwriteDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDC_OVERWRITE_YES, OnAnswer)
        COMMAND_ID_HANDLER(IDC_OVERWRITE_YESALL, OnAnswer)
        COMMAND_ID_HANDLER(IDC_OVERWRITE_NO, OnAnswer)
        COMMAND_ID_HANDLER(IDC_OVERWRITE_NOALL, OnAnswer)
        COMMAND_ID_HANDLER(IDC_OVERWRITE_CANCEL, OnAnswer)
        CHAIN_MSG_MAP(Base)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAnswer(WORD, WORD wID, HWND, BOOL&);

private:
    enum { kButtonCount = 5 };

    std::string m_outputPath;
    int m_showCmd;
    bool m_replacesSource = false;
    // For the ids 1, 6, 7, 8 and 2; destroyed in the reverse order.
    COwnerDrawButton m_buttons[kButtonCount];
};
