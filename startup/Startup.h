// Process start-up and the dispatch on the command line.
#pragma once

#include <windows.h>

// Exit codes of the roads.
const int kExitNormal = 1;
const int kExitUninstalled = 0;

// The process-wide services every road relies on, for the program, the test
// runner and the bench alike: the constructor is start-up (COM, the common
// controls, the module object, the shell allocator, the image library, the
// buttons' shared bitmaps); the destructor frees the bitmaps and ends the
// module object and COM, while the shell allocator and the image library
// stay until the process ends.
class CProcessScope
{
public:
    explicit CProcessScope(HINSTANCE hInstance);
    ~CProcessScope();
    CProcessScope(const CProcessScope&) = delete;
    CProcessScope& operator=(const CProcessScope&) = delete;

    // The removal road ends the process at once, without clean-up.
    void SkipCleanUp() { m_cleanUp = false; }

private:
    bool m_cleanUp = true;
};

// Runs the whole program for the given command line; returns the exit code.
int RunProgram(HINSTANCE hInstance, const char* cmdLine);
