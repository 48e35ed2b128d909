#include "image/ProcessMemory.h"

#include <windows.h>
#include <cstdint>
#include <cstring>

#include "image/MagickInc.h"

// Any C library header tells which C library this is.
#include <cstdlib>

// The C runtime's allocator, not Win32: only glibc has these knobs. Where
// they do not exist, the allocator is left alone and the program is merely
// slower.
#if defined(__GLIBC__) && defined(__has_include)
#if __has_include(<malloc.h>)
#include <malloc.h>
#define TOLVEX_TUNE_ALLOCATOR 1
#endif
#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#ifdef MADV_HUGEPAGE
#define TOLVEX_HUGE_PAGES 1
#endif
#endif
#endif

namespace {

#ifdef TOLVEX_TUNE_ALLOCATOR
// Above any image the library's limits let us hold.
const int kTrimThreshold = 1 << 30;
#endif

// The library's large aligned blocks. Every GIF write takes and clears a
// 128 MiB colour table. Left in the C heap, a small allocation that is
// still alive sometimes lands inside a freed table, so the next table needs
// fresh memory and the process keeps one, two or three tables depending on
// luck. Kept here, outside the heap, a freed block serves the next request
// of about its size without faulting its pages in again.
struct KeptBlock
{
    // The reservation, and inside it the committed range handed out.
    void* reserved;
    void* base;
    size_t size;
    // The library's size of a block in use, which a growth in place
    // clears beyond.
    size_t used;
    bool inUse;
    ULONGLONG lastUse;
};

const size_t kKeptBlockSlots = 16;
// Free blocks beyond this are given back, the least recently used first,
// so that sizes no longer asked for do not pile up.
const size_t kMaxFreeBytes = 512u << 20;
// The library's cache-line size.
const size_t kDefaultAlignment = 64;
// Blocks are mapped in whole allocation units of the system.
const size_t kMapGranularity = 64u << 10;
// Where huge pages can be had, blocks start on a huge-page boundary, the
// kernel's unit for them; elsewhere the system's allocation unit will do.
#ifdef TOLVEX_HUGE_PAGES
const size_t kHugePageAlignment = 2u << 20;
#else
const size_t kHugePageAlignment = kMapGranularity;
#endif

// Plain data, so that the library's own clean-up at exit still finds it.
KeptBlock g_kept[kKeptBlockSlots];
ULONGLONG g_useClock = 0;
// The library allocates from its worker threads too.
SRWLOCK g_keptLock = SRWLOCK_INIT;

// How many decodes are running; while one is, memory handed out comes
// cleared (CClearedLibraryMemory).
volatile LONG g_clearingScopes = 0;

bool ClearingFreshMemory() { return g_clearingScopes > 0; }

// The part of a block the library has not written yet, cleared while a
// decode runs.
void ClearTail(void* block, size_t from, size_t to)
{
    if (to > from && ClearingFreshMemory())
        memset(static_cast<char*>(block) + from, 0, to - from);
}

class KeptLock
{
public:
    KeptLock() { AcquireSRWLockExclusive(&g_keptLock); }
    ~KeptLock() { ReleaseSRWLockExclusive(&g_keptLock); }
    KeptLock(const KeptLock&) = delete;
    KeptLock& operator=(const KeptLock&) = delete;
};

// Callers hold the lock.
void UnmapKept(KeptBlock& block)
{
    VirtualFree(block.reserved, 0, MEM_RELEASE);
    block = KeptBlock();
}

size_t FreeKeptBytes()
{
    size_t total = 0;
    for (const KeptBlock& block : g_kept)
        if (block.base != NULL && !block.inUse)
            total += block.size;
    return total;
}

KeptBlock* LeastRecentlyUsedFree()
{
    KeptBlock* oldest = NULL;
    for (KeptBlock& block : g_kept)
        if (block.base != NULL && !block.inUse &&
            (oldest == NULL || block.lastUse < oldest->lastUse))
            oldest = &block;
    return oldest;
}

// The smallest free block that holds the request without wasting more than
// the request itself.
KeptBlock* BestFreeFit(size_t size)
{
    KeptBlock* best = NULL;
    for (KeptBlock& block : g_kept)
        if (block.base != NULL && !block.inUse && block.size >= size && block.size / 2 <= size &&
            (best == NULL || block.size < best->size))
            best = &block;
    return best;
}

KeptBlock* EmptySlot()
{
    for (KeptBlock& block : g_kept)
        if (block.base == NULL)
            return &block;
    KeptBlock* oldest = LeastRecentlyUsedFree();
    if (oldest != NULL)
        UnmapKept(*oldest);
    return oldest;
}

// The C runtime's memory advice, not Win32, which has no such call: a
// fresh colour table otherwise costs 32,768 page faults on its first clear,
// most of a quiet conversion's time and the first file of every batch run.
// Where the kernel or the C library cannot give huge pages, the block is
// used as it is.
void AdviseHugePages(void* base, size_t size)
{
#ifdef TOLVEX_HUGE_PAGES
    madvise(base, size, MADV_HUGEPAGE);
#else
    (void)base;
    (void)size;
#endif
}

#ifndef TOLVEX_HUGE_PAGES
// Locking a range brings in all its pages at once; unlocked again at once,
// they stay. In pieces, so that a small lock limit still lets every piece
// through.
const size_t kPopulateStep = 1u << 20;
#endif

// Without huge pages, a fresh block's first clear takes one page fault per
// page: under wine64 a colour table's 32,768 faults were a fifth of a
// batch run of 40 thumbnails. Brought in ahead, in one call a piece, they
// cost a fraction of that. Where locking is refused, the block is faulted
// in as it is used.
void PopulateKept(void* base, size_t size)
{
#ifdef TOLVEX_HUGE_PAGES
    (void)base;
    (void)size;
#else
    char* const start = static_cast<char*>(base);
    for (size_t done = 0; done < size; done += kPopulateStep)
    {
        const size_t piece = size - done < kPopulateStep ? size - done : kPopulateStep;
        if (!VirtualLock(start + done, piece))
            return;
        VirtualUnlock(start + done, piece);
    }
#endif
}

// Reserves room for an aligned start and commits only the aligned range.
// A block about to be filled at once is brought in ahead; one that only
// gives a growing block room is faulted in as it is used.
bool MapKept(KeptBlock& block, size_t size, bool populate)
{
    const size_t mapped = (size + kHugePageAlignment - 1) / kHugePageAlignment * kHugePageAlignment;
    const size_t slack = kHugePageAlignment > kMapGranularity ? kHugePageAlignment : 0;
    void* reserved = VirtualAlloc(NULL, mapped + slack, MEM_RESERVE, PAGE_NOACCESS);
    if (reserved == NULL)
        return false;
    const uintptr_t start = (reinterpret_cast<uintptr_t>(reserved) + kHugePageAlignment - 1) &
                            ~static_cast<uintptr_t>(kHugePageAlignment - 1);
    void* base = VirtualAlloc(reinterpret_cast<void*>(start), mapped, MEM_COMMIT, PAGE_READWRITE);
    if (base == NULL)
    {
        VirtualFree(reserved, 0, MEM_RELEASE);
        return false;
    }
    AdviseHugePages(base, mapped);
    if (populate)
        PopulateKept(base, mapped);
    block.reserved = reserved;
    block.base = base;
    block.size = mapped;
    return true;
}

// A block of at least `room` bytes for `used` bytes of the library; NULL
// when none can be had, and the caller then takes it from the heap. Bytes
// up to `clearFrom` are about to be written by the caller; beyond them a
// reused block is cleared while a decode runs (a fresh mapping comes
// cleared from the system).
void* AcquireKept(size_t room, size_t used, size_t clearFrom, bool populate)
{
    KeptLock lock;
    KeptBlock* block = BestFreeFit(room);
    const bool reused = block != NULL;
    if (block == NULL)
    {
        block = EmptySlot();
        if (block == NULL)
            return NULL;
        if (!MapKept(*block, room, populate))
            return NULL;
    }
    block->inUse = true;
    block->used = used;
    block->lastUse = ++g_useClock;
    if (reused)
        ClearTail(block->base, clearFrom, used);
    while (FreeKeptBytes() > kMaxFreeBytes)
        UnmapKept(*LeastRecentlyUsedFree());
    return block->base;
}

void* AcquireKept(size_t size) { return AcquireKept(size, size, 0, true); }

bool ReleaseKept(void* memory)
{
    KeptLock lock;
    for (KeptBlock& block : g_kept)
        if (block.base == memory && block.inUse)
        {
            block.inUse = false;
            return true;
        }
    return false;
}

#ifndef TOLVEX_TUNE_ALLOCATOR
// A block the library outgrew goes back to the system: its size is one
// the library no longer asks for.
void DropKept(void* memory)
{
    KeptLock lock;
    for (KeptBlock& block : g_kept)
        if (block.base == memory && block.inUse)
            UnmapKept(block);
}
#endif

// Small blocks come from the library's own allocator, aligned by hand: the
// address of the allocation sits just below the aligned block.
void* AcquireSmallAligned(size_t size, size_t alignment)
{
    // The library asks for its cache-line size; anything that is not a
    // power of two gets that instead, which over-aligns at worst.
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        alignment = kDefaultAlignment;
    const size_t extra = alignment + sizeof(void*);
    if (size > static_cast<size_t>(-1) - extra)
        return NULL;
    void* base = MagickCore::AcquireMagickMemory(size + extra);
    if (base == NULL)
        return NULL;
    const uintptr_t aligned =
        (reinterpret_cast<uintptr_t>(base) + extra) & ~static_cast<uintptr_t>(alignment - 1);
    reinterpret_cast<void**>(aligned)[-1] = base;
    return reinterpret_cast<void*>(aligned);
}

void* AcquireAlignedBlock(const size_t size, const size_t alignment)
{
    if (size >= kLargeImageBlock && alignment <= kMapGranularity)
    {
        void* kept = AcquireKept(size);
        if (kept != NULL)
            return kept;
    }
    return AcquireSmallAligned(size, alignment);
}

void RelinquishAlignedBlock(void* memory)
{
    if (memory == NULL || ReleaseKept(memory))
        return;
    MagickCore::RelinquishMagickMemory(reinterpret_cast<void**>(memory)[-1]);
}

#ifdef TOLVEX_TUNE_ALLOCATOR
// glibc keeps the library's ordinary memory; these only clear it while a
// decode runs. calloc knows which of its memory is fresh from the system
// and clears only the rest.
void* AcquireLibraryMemory(size_t size)
{
    return ClearingFreshMemory() ? calloc(1, size) : malloc(size);
}

// Beyond the library's size a block holds zeros while a decode runs: every
// block taken then comes cleared in full, and each resize clears what lies
// beyond what the block keeps.
void* ResizeLibraryMemory(void* memory, size_t size)
{
    if (!ClearingFreshMemory())
        return realloc(memory, size);
    const size_t held = memory != NULL ? malloc_usable_size(memory) : 0;
    void* resized = realloc(memory, size);
    if (resized != NULL)
        ClearTail(resized, size < held ? size : held, malloc_usable_size(resized));
    return resized;
}

void DestroyLibraryMemory(void* memory) { free(memory); }
#else
// Where glibc's knobs are missing, the C runtime's heap gives the pages of
// freed blocks back to the system, so every file's scratch (the colour
// tree's nodes of a GIF write, the decoder's buffers, the file's bytes) is
// faulted in again: under wine64 a batch run of 40 thumbnails took 16,000
// such faults beside the colour table's. The library's ordinary memory
// comes from a heap of its own instead, which never gives back its first
// part, and its large blocks are kept like the aligned ones: what one file
// frees serves the next.
const SIZE_T kLibraryHeapKept = 32u << 20;
HANDLE g_libraryHeap = NULL;

// While a decode runs the heap clears what it hands out, and what a block
// gains when it grows.
DWORD HeapClearing() { return ClearingFreshMemory() ? HEAP_ZERO_MEMORY : 0; }

void* AcquireLibraryMemory(size_t size)
{
    if (size >= kLargeImageBlock)
    {
        void* kept = AcquireKept(size);
        if (kept != NULL)
            return kept;
    }
    return HeapAlloc(g_libraryHeap, HeapClearing(), size == 0 ? 1 : size);
}

// A kept block in use with room for `size` is resized where it is: true.
// Otherwise false, with what a kept block holds and the room it has (both
// 0 for any other memory).
bool ResizeKeptInPlace(void* memory, size_t size, size_t& held, size_t& room)
{
    KeptLock lock;
    for (KeptBlock& block : g_kept)
        if (block.base == memory && block.inUse)
        {
            if (size > block.size)
            {
                held = block.used;
                room = block.size;
                return false;
            }
            ClearTail(block.base, block.used, size);
            block.used = size;
            return true;
        }
    return false;
}

void DestroyLibraryMemory(void* memory)
{
    if (memory != NULL && !ReleaseKept(memory))
        HeapFree(g_libraryHeap, 0, memory);
}

// The room of the block that replaces an outgrown one: bigger by at least
// half again, so that all the copying of a block grown in small steps (a
// comment read 255 bytes at a time) adds up to a few times its size.
size_t GrownSize(size_t held, size_t size)
{
    const size_t grown = held + held / 2;
    return grown > size && grown > held ? grown : size;
}

// The heap would copy a big block at every page it grows by: a heap block
// that grows past the large size moves to a kept block instead, and a kept
// block that outgrows its room moves to one with room to spare.
void* ResizeLibraryMemory(void* memory, size_t size)
{
    if (memory == NULL)
        return AcquireLibraryMemory(size);
    size_t held = 0, room = 0;
    if (ResizeKeptInPlace(memory, size, held, room))
        return memory;
    const bool kept = room != 0;
    if (!kept)
    {
        if (size < kLargeImageBlock)
            return HeapReAlloc(g_libraryHeap, HeapClearing(), memory, size == 0 ? 1 : size);
        held = room = HeapSize(g_libraryHeap, 0, memory);
        if (held == static_cast<SIZE_T>(-1))
            return NULL;
    }
    void* moved = AcquireKept(GrownSize(room, size), size, held, false);
    if (moved == NULL)
    {
        if (!kept)
            return HeapReAlloc(g_libraryHeap, HeapClearing(), memory, size);
        moved = HeapAlloc(g_libraryHeap, HeapClearing(), size);
        if (moved == NULL)
            return NULL;
    }
    memcpy(moved, memory, held);
    if (kept)
        DropKept(memory);
    else
        HeapFree(g_libraryHeap, 0, memory);
    return moved;
}
#endif

} // namespace

bool KeepFreedMemory()
{
    // Installed before the library allocates anything, so every block it
    // ever frees is one of ours.
    static bool installed = false;
    if (!installed)
    {
        installed = true;
#ifdef TOLVEX_TUNE_ALLOCATOR
        MagickCore::SetMagickMemoryMethods(AcquireLibraryMemory, ResizeLibraryMemory,
                                           DestroyLibraryMemory);
#else
        g_libraryHeap = HeapCreate(0, kLibraryHeapKept, 0);
        if (g_libraryHeap != NULL)
            MagickCore::SetMagickMemoryMethods(AcquireLibraryMemory, ResizeLibraryMemory,
                                               DestroyLibraryMemory);
#endif
        MagickCore::SetMagickAlignedMemoryMethods(AcquireAlignedBlock, RelinquishAlignedBlock);
    }
#ifdef TOLVEX_TUNE_ALLOCATOR
    // The rest of the library's scratch memory (pixel rows, encoded files)
    // is smaller but comes and goes with every file: taken from the heap
    // and not trimmed after it is freed, the same pages serve the next one.
    return mallopt(M_MMAP_MAX, 0) == 1 && mallopt(M_TRIM_THRESHOLD, kTrimThreshold) == 1;
#else
    return g_libraryHeap != NULL;
#endif
}

void ReturnFreedMemory()
{
    // An idle main window should not hold on to a batch run's peak.
    {
        KeptLock lock;
        for (KeptBlock& block : g_kept)
            if (block.base != NULL && !block.inUse)
                UnmapKept(block);
    }
#ifdef TOLVEX_TUNE_ALLOCATOR
    malloc_trim(0);
#endif
}

size_t KeptBlockAlignment() { return kHugePageAlignment; }

CClearedLibraryMemory::CClearedLibraryMemory() { InterlockedIncrement(&g_clearingScopes); }

CClearedLibraryMemory::~CClearedLibraryMemory() { InterlockedDecrement(&g_clearingScopes); }
