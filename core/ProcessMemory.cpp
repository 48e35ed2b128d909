#include "core/ProcessMemory.h"

// Any C library header tells which C library this is.
#include <cstdlib>

// The C runtime's allocator, not Win32: only glibc has these knobs. Where
// they do not exist, both functions do nothing and the program is merely
// slower.
#if defined(__GLIBC__) && defined(__has_include)
#if __has_include(<malloc.h>)
#include <malloc.h>
#define TOLVEX_TUNE_ALLOCATOR 1
#endif
#endif

namespace {

#ifdef TOLVEX_TUNE_ALLOCATOR
// Above any image the library's limits let us hold.
const int kTrimThreshold = 1 << 30;
#endif

} // namespace

int KeepFreedMemory()
{
#ifdef TOLVEX_TUNE_ALLOCATOR
    // The image library's colour reduction, which every GIF write runs,
    // allocates and clears a 128 MiB table. Served by a fresh mapping each
    // time, that costs the faulting-in of 32,768 pages per file, far more
    // than the conversion itself. Taken from the heap and not trimmed
    // after it is freed, the same pages serve the next file.
    return mallopt(M_MMAP_MAX, 0) == 1 && mallopt(M_TRIM_THRESHOLD, kTrimThreshold) == 1 ? 1 : 0;
#else
    return 0;
#endif
}

void ReturnFreedMemory()
{
#ifdef TOLVEX_TUNE_ALLOCATOR
    // An idle main window should not hold on to a batch run's peak.
    malloc_trim(0);
#endif
}
