// ParentCommands: the commands a test's parent window or dialog gets, kept in order.
#pragma once

#include <windows.h>
#include <vector>

struct ParentCommand
{
    WPARAM wParam;
    LPARAM lParam;
};

// Keeps a WM_COMMAND; the parent's procedure hands it every message.
void KeepParentCommand(UINT uMsg, WPARAM wParam, LPARAM lParam);
// Forgets what was kept.
void ForgetParentCommands();
// Dispatches what is pending and returns the commands kept since the last call.
std::vector<ParentCommand> TakeCommands();
// Sends a mouse message at (x, y) of the client area, the left button held
// but for a move.
LRESULT Mouse(HWND h, UINT msg, int x, int y);
