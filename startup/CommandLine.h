// Splits a process command line into words with the rules of the Windows C
// runtime (the runtime here does not do it for us).
#pragma once

#include <string>
#include <vector>

std::vector<std::string> SplitCommandLine(const char* cmdLine);
