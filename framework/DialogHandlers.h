// The two command handlers that several dialogs share to end themselves:
// OnOK with the result 1, OnCancel with 0. A dialog derives from
// CDialogHandlers<itself> and names them in its message map.
#pragma once

#include <windows.h>

template <class T>
class CDialogHandlers
{
public:
    LRESULT OnOK(WORD, WORD, HWND, BOOL&)
    {
        static_cast<T*>(this)->EndDialog(1);
        return 0;
    }
    LRESULT OnCancel(WORD, WORD, HWND, BOOL&)
    {
        static_cast<T*>(this)->EndDialog(0);
        return 0;
    }
};
