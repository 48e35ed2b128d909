// Process start-up and the dispatch on the command line.
#pragma once

#include <objidl.h>
#include <windows.h>

// The shell's task allocator, obtained once at start-up; NULL when the
// shell could not give it.
extern IMalloc* g_pMalloc;

// Exit codes of the roads.
const int kExitNormal = 1;
const int kExitUninstalled = 0;

// Runs the whole program for the given command line; returns the exit code.
int RunProgram(HINSTANCE hInstance, const char* cmdLine);
