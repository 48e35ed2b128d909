// ParentCommands: the commands a test's parent window or dialog gets, kept in order.
#include "tests/support/ParentCommands.h"

#include "tests/support/TestUtil.h"

namespace {

std::vector<ParentCommand> g_commands;

} // namespace

void KeepParentCommand(UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_COMMAND)
        g_commands.push_back({wParam, lParam});
}

void ForgetParentCommands() { g_commands.clear(); }

std::vector<ParentCommand> TakeCommands()
{
    PumpMessages();
    std::vector<ParentCommand> out;
    out.swap(g_commands);
    return out;
}

LRESULT Mouse(HWND h, UINT msg, int x, int y)
{
    return SendMessageA(h, msg, msg == WM_MOUSEMOVE ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
}
