// How the process keeps and returns the memory that image work frees.
#pragma once

// Called once at start-up, before the first image is read. 1 when the
// allocator was set up, 0 where the C library has no such setting.
int KeepFreedMemory();

// Gives what was kept back to the system, once a batch run is over.
void ReturnFreedMemory();
