// ProcessMemory: freed library memory is kept for reuse and comes back cleared.
#include <cstdint>
#include <cstring>

#include "image/MagickInc.h"
#include "image/ProcessMemory.h"
#include "tests/support/TestUtil.h"

// Without it the library's scratch memory of every file comes from fresh
// pages: glibc is told to keep freed memory, elsewhere the library gets a
// heap of its own.
TEST(ProcessMemory, TheAllocatorKeepsFreedMemory) { EXPECT_TRUE(KeepFreedMemory()); }

namespace {

char* AcquireLibraryBlock(size_t size)
{
    return static_cast<char*>(MagickCore::AcquireAlignedMemory(1, size));
}

bool IsUnmapped(const void* address)
{
    MEMORY_BASIC_INFORMATION info;
    return VirtualQuery(address, &info, sizeof(info)) != 0 && info.State == MEM_FREE;
}

} // namespace

// Large blocks of the library (the colour table of every GIF write) live
// outside the C heap, so the next file reuses a freed one instead of
// faulting in fresh pages, and the end of a batch run gives them back.
TEST(ProcessMemory, LargeLibraryBlocksServeTheNextRequestAndAreGivenBackAfterARun)
{
    // No free block left behind by earlier work competes with the first.
    ReturnFreedMemory();
    const size_t size = 4 * kLargeImageBlock;
    char* first = AcquireLibraryBlock(size);
    ASSERT_NE(nullptr, first);
    first[0] = first[size - 1] = 1;
    MagickCore::RelinquishAlignedMemory(first);

    // Huge pages can back only a range that starts on their boundary.
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(first) % KeptBlockAlignment());

    char* again = AcquireLibraryBlock(size - 4096);
    EXPECT_EQ(first, again) << "a freed block of about the size asked for is reused";
    char* meanwhile = AcquireLibraryBlock(size);
    ASSERT_NE(nullptr, meanwhile);
    EXPECT_NE(again, meanwhile) << "a block in use is never handed out twice";
    MagickCore::RelinquishAlignedMemory(again);
    char* smaller = AcquireLibraryBlock(kLargeImageBlock);
    EXPECT_NE(first, smaller) << "a much smaller request does not tie up a big block";

    MagickCore::RelinquishAlignedMemory(smaller);
    MagickCore::RelinquishAlignedMemory(meanwhile);
    ReturnFreedMemory();
    EXPECT_TRUE(IsUnmapped(first));
    EXPECT_TRUE(IsUnmapped(meanwhile));
}

// The library's ordinary memory, large blocks among it, keeps what it holds
// when the library grows or shrinks it, whichever kind of block it moves
// between.
TEST(ProcessMemory, LibraryMemoryKeepsItsBytesWhenResized)
{
    KeepFreedMemory();
    struct Case
    {
        size_t from, to;
    };
    const Case cases[] = {
        {100, 4 * kLargeImageBlock},
        {4 * kLargeImageBlock, 8 * kLargeImageBlock},
        {4 * kLargeImageBlock, 4 * kLargeImageBlock - 4096},
        {4 * kLargeImageBlock, 100},
        {kLargeImageBlock, kLargeImageBlock + 1},
    };
    for (const Case& c : cases)
    {
        unsigned char* block = static_cast<unsigned char*>(MagickCore::AcquireMagickMemory(c.from));
        ASSERT_NE(nullptr, block) << c.from;
        for (size_t i = 0; i < c.from; ++i)
            block[i] = static_cast<unsigned char>(i * 7 + 3);
        block = static_cast<unsigned char*>(MagickCore::ResizeMagickMemory(block, c.to));
        ASSERT_NE(nullptr, block) << c.from << " to " << c.to;
        const size_t kept = c.from < c.to ? c.from : c.to;
        size_t wrong = 0;
        for (size_t i = 0; i < kept; ++i)
            wrong += block[i] != static_cast<unsigned char>(i * 7 + 3);
        EXPECT_EQ(0u, wrong) << c.from << " to " << c.to;
        block[c.to - 1] = 1;
        MagickCore::RelinquishMagickMemory(block);
    }
}

// A block the library grows in small steps (a comment read 255 bytes at a
// time, a profile segment after segment) moves a bounded number of times:
// its bytes are copied a few times in all, not once for every step, and
// none of them is lost on the way.
TEST(ProcessMemory, LibraryMemoryGrownInSmallStepsIsCopiedAFewTimesInAll)
{
    KeepFreedMemory();
    const size_t kStep = 255;
    const size_t kFinal = 24u << 20;
    size_t size = kStep;
    unsigned char* block = static_cast<unsigned char*>(MagickCore::AcquireMagickMemory(size));
    ASSERT_NE(nullptr, block);
    block[size - 1] = static_cast<unsigned char>(size / kStep);
    size_t moved = 0;
    while (size < kFinal)
    {
        unsigned char* grown =
            static_cast<unsigned char*>(MagickCore::ResizeMagickMemory(block, size + kStep));
        ASSERT_NE(nullptr, grown) << size;
        // What a move copies at most: the whole block as it was.
        if (grown != block)
            moved += size;
        block = grown;
        size += kStep;
        block[size - 1] = static_cast<unsigned char>(size / kStep);
    }
    size_t wrong = 0;
    for (size_t end = kStep; end <= size; end += kStep)
        wrong += block[end - 1] != static_cast<unsigned char>(end / kStep);
    EXPECT_EQ(0u, wrong);
    EXPECT_LE(moved, 4 * size) << "bytes moved growing a block to " << size;
    MagickCore::RelinquishMagickMemory(block);
}

namespace {

const unsigned char kStale = 0xA5;

size_t NonZeroBytes(const unsigned char* block, size_t size)
{
    size_t count = 0;
    for (size_t i = 0; i < size; ++i)
        count += block[i] != 0;
    return count;
}

// Takes a block, fills it with what another file might have left, and
// gives it back, so that the next request of the size is likely served
// from those very bytes.
void LeaveStaleBytes(bool aligned, size_t size)
{
    unsigned char* block =
        static_cast<unsigned char*>(aligned ? MagickCore::AcquireAlignedMemory(1, size)
                                            : MagickCore::AcquireMagickMemory(size));
    ASSERT_NE(nullptr, block) << size;
    memset(block, kStale, size);
    if (aligned)
        MagickCore::RelinquishAlignedMemory(block);
    else
        MagickCore::RelinquishMagickMemory(block);
}

} // namespace

// While a decode runs, every block the library takes comes cleared, of
// every size and from every source (a kept block, the heap, the aligned
// hand-out), and so does the part a grown block gains: what a decoder
// leaves unwritten reads as zero, never as what the memory held before.
TEST(ProcessMemory, LibraryMemoryTakenDuringADecodeComesCleared)
{
    KeepFreedMemory();
    ReturnFreedMemory();
    const size_t sizes[] = {24, 4000, 100000, kLargeImageBlock, 3 * kLargeImageBlock};
    for (bool aligned : {false, true})
        for (size_t size : sizes)
        {
            LeaveStaleBytes(aligned, size);
            CClearedLibraryMemory cleared;
            unsigned char* block =
                static_cast<unsigned char*>(aligned ? MagickCore::AcquireAlignedMemory(1, size)
                                                    : MagickCore::AcquireMagickMemory(size));
            ASSERT_NE(nullptr, block) << size;
            EXPECT_EQ(0u, NonZeroBytes(block, size)) << (aligned ? "aligned " : "") << size;
            if (aligned)
                MagickCore::RelinquishAlignedMemory(block);
            else
                MagickCore::RelinquishMagickMemory(block);
        }

    struct Growth
    {
        size_t from, to;
    };
    const Growth growths[] = {
        {100, 5000},
        {5000, 200000},
        {100, 3 * kLargeImageBlock},
        {2 * kLargeImageBlock, 2 * kLargeImageBlock + 5000},
        {2 * kLargeImageBlock, 6 * kLargeImageBlock},
    };
    for (const Growth& g : growths)
    {
        LeaveStaleBytes(false, g.to);
        LeaveStaleBytes(false, g.from);
        CClearedLibraryMemory cleared;
        unsigned char* block = static_cast<unsigned char*>(MagickCore::AcquireMagickMemory(g.from));
        ASSERT_NE(nullptr, block);
        memset(block, 1, g.from);
        // Shrunk first, so that the growth after it also has to clear
        // bytes the block held before.
        block = static_cast<unsigned char*>(MagickCore::ResizeMagickMemory(block, g.from / 2));
        ASSERT_NE(nullptr, block);
        block = static_cast<unsigned char*>(MagickCore::ResizeMagickMemory(block, g.to));
        ASSERT_NE(nullptr, block) << g.from << " to " << g.to;
        EXPECT_EQ(g.from / 2, NonZeroBytes(block, g.from / 2)) << g.from << " to " << g.to;
        EXPECT_EQ(0u, NonZeroBytes(block + g.from / 2, g.to - g.from / 2))
            << g.from << " to " << g.to;
        MagickCore::RelinquishMagickMemory(block);
    }
    ReturnFreedMemory();
}

// Outside a decode a block is handed out as it is: the colour table of
// every GIF write is cleared by the library itself, and a second clearing
// of its 128 MiB would cost every file.
TEST(ProcessMemory, ALargeBlockReusedOutsideADecodeIsNotClearedAgain)
{
    ReturnFreedMemory();
    const size_t size = 4 * kLargeImageBlock;
    LeaveStaleBytes(true, size);
    unsigned char* block = static_cast<unsigned char*>(MagickCore::AcquireAlignedMemory(1, size));
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(size, NonZeroBytes(block, size));
    MagickCore::RelinquishAlignedMemory(block);
    ReturnFreedMemory();
}

// glibc keeps a freed block in its heap, out of sight of VirtualQuery; the
// Windows C runtime would give it back to the system at once.
#ifndef __GLIBC__
// A large block of ordinary library memory (the bytes of a file read, the
// decoder's buffers) stays committed once freed and serves the next file.
TEST(ProcessMemory, FreedLargeLibraryMemoryServesTheNextFile)
{
    KeepFreedMemory();
    ReturnFreedMemory();
    const size_t size = 4 * kLargeImageBlock;
    char* first = static_cast<char*>(MagickCore::AcquireMagickMemory(size));
    ASSERT_NE(nullptr, first);
    first[0] = first[size - 1] = 1;
    MagickCore::RelinquishMagickMemory(first);
    MEMORY_BASIC_INFORMATION info;
    ASSERT_NE(0u, VirtualQuery(first, &info, sizeof(info)));
    EXPECT_EQ(static_cast<DWORD>(MEM_COMMIT), info.State);
    char* again = static_cast<char*>(MagickCore::AcquireMagickMemory(size - 4096));
    EXPECT_EQ(first, again);
    MagickCore::RelinquishMagickMemory(again);
    ReturnFreedMemory();
    EXPECT_TRUE(IsUnmapped(first));
}
#endif

// Every other aligned request of the library still gets usable, aligned
// memory, and one that no memory can satisfy fails instead of crashing.
TEST(ProcessMemory, LibraryAlignedBlocksOfEverySizeAreAlignedAndUsable)
{
    const size_t kCacheLine = 64;
    const size_t sizes[] = {
        1, 63, 100, 4096, kLargeImageBlock - 1, kLargeImageBlock, kLargeImageBlock + 1};
    for (size_t size : sizes)
    {
        char* block = AcquireLibraryBlock(size);
        ASSERT_NE(nullptr, block) << size;
        EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(block) % kCacheLine) << size;
        block[0] = block[size - 1] = 1;
        MagickCore::RelinquishAlignedMemory(block);
    }
    // Through a variable, so that the compiler does not reject the sizes.
    volatile size_t impossible[] = {static_cast<size_t>(-1) / 2, static_cast<size_t>(-1) - 8};
    for (size_t size : impossible)
        EXPECT_EQ(nullptr, AcquireLibraryBlock(size)) << size;
    MagickCore::RelinquishAlignedMemory(NULL);
}
