// The modeless window a batch conversion keeps open: the shortened source
// and target paths, a bar stepped once per file and a Cancel button that
// asks the run to stop.
#pragma once

#include "controls/OwnerDrawButton.h"
#include "framework/Framework.h"
#include "res/resource.h"

// Told about each file before it is converted; 0 means the user cancelled.
class IProgressCallback
{
public:
    virtual ~IProgressCallback() {}
    virtual int SetFromTo(const char* fromText, const char* toText)
    {
        (void)fromText;
        (void)toText;
        return 0;
    }
};

class CProgressDlg : public CDialogImpl<CProgressDlg>, public IProgressCallback
{
public:
    enum { IDD = IDD_PROGRESS };

    BEGIN_MSG_MAP(CProgressDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_ID_HANDLER(IDC_PROGRESS_CANCEL, OnCancel)
    END_MSG_MAP()

    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&);

    // The bar's range is 0 to count.
    void SetRange(int count);
    // Shows both texts, steps the bar, dispatches every pending message of
    // the thread and returns 1 to go on or 0 after a Cancel.
    int SetFromTo(const char* fromText, const char* toText) override;
    // While the files are collected: the folder being searched, no target,
    // the bar not stepped.
    void SetSearching(const char* folderText);
    // Dispatches every pending message of the thread; true to go on, false
    // after a Cancel.
    bool DispatchPending();

    bool IsRunning() const { return m_running; }
    // The batch driver raises the flag again as it finishes.
    void SetRunning(bool running) { m_running = running; }

private:
    bool m_running = true;
    COwnerDrawButton m_cancel;
};
