// The overwrite policy of both ways of converting: an output name that
// exists is replaced, passed over or ends the run by the user's answer;
// the quiet conversion asks Yes or No, a batch run asks with five answers
// and keeps the "to All" ones for the rest of the run.
#pragma once

#include <windows.h>

// The answers the single-file question ends with.
const int kOverwriteSingleYes = 8;
const int kOverwriteSingleNo = 2;

// Asks whether the existing file or folder at `path` may be replaced, owned
// by the thread's active window; returns kOverwriteSingleNo when the user
// declines, any other value goes on. With `replacesSource` (the output is
// the very file it is made from) Enter answers No.
int AskOverwriteSingle(const char* path, bool replacesSource);

// The answers that stand for the rest of one batch run.
struct OverwriteRunAnswers
{
    int& yesToAll;
    int& noToAll;
};

enum OverwriteDecision {
    kOverwriteWrite, // write the output (nothing of that name, or replace it)
    kOverwriteSkip,  // write nothing, go on
    kOverwriteStop,  // write nothing, end the run
};

// What to do with `output`, made from `source`. Whether a file or folder of
// that name exists is looked up once, its attributes into `attributes`
// (which may be NULL). With `run` NULL the single-file question is asked;
// with a run, its standing answers decide or the batch question is asked.
OverwriteDecision DecideOverwrite(const char* output, const char* source, DWORD* attributes,
                                  OverwriteRunAnswers* run);
