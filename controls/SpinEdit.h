// An integer edit box: takes over a single-line EDIT and puts two small
// auto-repeating arrow buttons inside its right edge. The number steps by
// the arrows, Ctrl+Up/Ctrl+Down and the mouse wheel, snaps to a multiple of
// the step, stays within its range and is written back as decimal text; a
// text ending in "%" has a range of its own and keeps its "%". Every rewrite
// goes through the edit's own text setting, so the dialog hears EN_CHANGE.
#pragma once

#include <windows.h>

#include "controls/OwnerDrawButton.h"
#include "framework/Framework.h"
#include "res/resource.h"

// An arrow of the spin edit: shows one of the shared arrow bitmaps, which it
// borrows and never deletes.
class CSpinButton : public COwnerDrawButton
{
public:
    CSpinButton() {}
    // Detaches here, while Cleanup is still this class's: the object may die
    // before its window.
    ~CSpinButton() override { DetachIfAttached(); }

    // The up arrow with kOdbUpArrow in the style word, else the down arrow.
    BOOL Attach(HWND hWnd, DWORD style) override;
    // Lets go of the shared arrow, then cleans up as every button does.
    void Cleanup() override;
};

class CSpinEdit : public CWindowImplBaseT
{
public:
    // The size of the buffer the number is read into.
    static const int kTextSize = 260;

    CSpinEdit() {}

    BEGIN_MSG_MAP(CSpinEdit)
        MESSAGE_HANDLER(WM_CREATE, OnCreateMessage)
        MESSAGE_HANDLER(WM_ENABLE, OnEnable)
        MESSAGE_HANDLER(WM_KILLFOCUS, OnKillFocus)
        MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheel)
        COMMAND_ID_HANDLER(IDC_SPIN_UP, OnUpButton)
        COMMAND_ID_HANDLER(IDC_SPIN_DOWN, OnDownButton)
    END_MSG_MAP()

    // Makes the arrow buttons. The owner calls it after SubclassWindow, as
    // WM_CREATE never reaches a window that already exists.
    void OnCreate();
    // Reads the number, snaps it delta further (delta 0 only clamps),
    // clamps it and writes it back. Does nothing while already running.
    void StepBy(int delta);
    // Selects the digits, leaving out a final "%".
    void SelectNumber();

    LRESULT OnCreateMessage(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEnable(UINT, WPARAM wParam, LPARAM, BOOL& bHandled);
    LRESULT OnKillFocus(UINT, WPARAM, LPARAM, BOOL& bHandled);
    LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled);
    LRESULT OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnUpButton(WORD, WORD, HWND, BOOL&);
    LRESULT OnDownButton(WORD, WORD, HWND, BOOL&);

    CSpinButton m_btnUp;
    CSpinButton m_btnDown;
    int m_nMin = 0;
    int m_nMax = 100;
    int m_nPercentMin = 0;
    int m_nPercentMax = 100;
    int m_nStep = 1;
    int m_nWheelStep = 5;
    // 1 while no StepBy runs; the text change inside StepBy reaches the
    // dialog, whose handlers may come back here.
    BOOL m_bIdle = TRUE;
};

// The value one step of delta beyond v: the next multiple of delta past v
// in delta's direction (truncating division decides for opposite signs);
// v itself when delta is 0. Wide, so no case overflows before clamping.
long long SnapStep(int v, int delta);
