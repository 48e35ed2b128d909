// How the process keeps and returns the memory that image work frees.
#pragma once

#include <cstddef>
// Any C library header tells which C library this is.
#include <cstdlib>

// Called once at start-up, before the image library is initialised. Hands
// the library's large aligned blocks to a keeper of their own (always) and
// tells the C allocator to keep freed memory; where the C library has no
// such setting, the library's other memory gets a heap of its own and its
// large blocks go to the same keeper, grown with room to spare. False when the
// allocator could not be set up.
bool KeepFreedMemory();

// Gives what was kept back to the system, once a batch run is over.
void ReturnFreedMemory();

// From this size on, the library's aligned blocks (the colour table of a
// GIF write, the pixels of a big picture) live outside the C heap. glibc,
// set up by KeepFreedMemory, keeps the smaller ones itself; the Windows C
// runtime maps each large block afresh and unmaps it when freed, so there
// the keeper also takes the pixels of a thumbnail and the library's other
// blocks of this size (a file's bytes, the decoder's buffers).
#ifdef __GLIBC__
const size_t kLargeImageBlock = 8u << 20;
#else
const size_t kLargeImageBlock = 256u << 10;
#endif

// While one lives, the memory the image library takes comes cleared, and so
// does what a block gains when it grows: whatever a decoder leaves
// unwritten reads as zero, never as what the memory held before (another
// file's pixels, for one). Opened around every decode. Blocks taken outside
// one come as they are: each GIF write's 128 MiB colour table is cleared by
// the library itself, and clearing it twice would cost every file.
class CClearedLibraryMemory
{
public:
    CClearedLibraryMemory();
    ~CClearedLibraryMemory();
    CClearedLibraryMemory(const CClearedLibraryMemory&) = delete;
    CClearedLibraryMemory& operator=(const CClearedLibraryMemory&) = delete;
};

// Where the kept large blocks start: a huge-page boundary where the kernel
// can give huge pages, the system's allocation unit elsewhere.
size_t KeptBlockAlignment();
