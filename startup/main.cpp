#include <windows.h>

#include "startup/Startup.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    try
    {
        return RunProgram(hInstance, GetCommandLineA());
    }
    catch (...)
    {
        // Nothing may escape to the runtime; every road ends with 1.
        return kExitNormal;
    }
}
