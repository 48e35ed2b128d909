// The single-file overwrite question of the quiet conversion.
#pragma once

// The answers the single-file question ends with.
const int kOverwriteSingleYes = 8;
const int kOverwriteSingleNo = 2;

// Asks whether the existing file or folder at `path` may be replaced, owned
// by the thread's active window; returns kOverwriteSingleNo when the user
// declines, any other value goes on. With `replacesSource` (the output is
// the very file it is made from) Enter answers No.
int AskOverwriteSingle(const char* path, bool replacesSource);
