#include "image/ImageIO.h"

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/Handles.h"
#include "base/WinUtil.h"
#include "image/Extensions.h"
#include "files/Paths.h"
#include "image/ProcessMemory.h"
#include "files/TempNames.h"
#include "image/ImageMetadata.h"

namespace {

struct LibraryMemoryRelease
{
    void operator()(char* memory) const { MagickCore::RelinquishMagickMemory(memory); }
};

// ReadFile and WriteFile take 32-bit counts.
const DWORD kIoChunk = 1 << 24;

// The coder the library recognises the bytes as, without decoding them;
// empty when it knows none.
std::string CoderOfContent(const void* data, size_t length)
{
    MagickCore::ImageInfo* info = MagickCore::AcquireImageInfo();
    MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
    MagickCore::SetImageInfoBlob(info, data, length);
    MagickCore::SetImageInfo(info, 0, exception);
    const std::string coder = info->magick;
    MagickCore::DestroyExceptionInfo(exception);
    MagickCore::DestroyImageInfo(info);
    return coder;
}

// Asks the caller's ReadProgress from the library's progress reports of a
// decode, at most every kReadProgressIntervalMs; once it said stop, every
// later report answers stop too.
class ReadWatch
{
public:
    explicit ReadWatch(const ReadProgress& progress) : m_progress(progress), m_last(GetTickCount())
    {
    }
    bool Stopped() const { return m_stopped; }

    static MagickCore::MagickBooleanType OnProgress(const char*, const MagickCore::MagickOffsetType,
                                                    const MagickCore::MagickSizeType, void* data)
    {
        ReadWatch* self = static_cast<ReadWatch*>(data);
        if (!self->m_stopped && GetTickCount() - self->m_last >= kReadProgressIntervalMs)
        {
            // Nothing may unwind through the library's decoder.
            try
            {
                self->m_stopped = !self->m_progress();
            }
            catch (...)
            {
                self->m_stopped = true;
            }
            self->m_last = GetTickCount();
        }
        return self->m_stopped ? MagickCore::MagickFalse : MagickCore::MagickTrue;
    }

private:
    const ReadProgress& m_progress;
    DWORD m_last;
    bool m_stopped = false;
};

// How every decode of one file is made.
struct DecodeSettings
{
    // The JPEG's colour profile is larger than a picture keeps.
    bool jpegProfileTooLarge = false;
    // The caller's progress; NULL: none.
    ReadWatch* watch = NULL;
};

// The watch, on the options of the image that is read, for one decode;
// taken off again afterwards, from the picture too, which would otherwise
// hand it on to every image copied from it.
class WatchedDecode
{
public:
    WatchedDecode(Magick::Image& image, ReadWatch* watch) : m_image(image), m_watched(watch != NULL)
    {
        if (m_watched)
            MagickCore::SetImageInfoProgressMonitor(m_image.imageInfo(), ReadWatch::OnProgress,
                                                    watch);
    }
    ~WatchedDecode()
    {
        if (!m_watched)
            return;
        MagickCore::SetImageInfoProgressMonitor(m_image.imageInfo(), NULL, NULL);
        MagickCore::SetImageProgressMonitor(m_image.image(), NULL, NULL);
    }
    WatchedDecode(const WatchedDecode&) = delete;
    WatchedDecode& operator=(const WatchedDecode&) = delete;

private:
    Magick::Image& m_image;
    const bool m_watched;
};

// The file's bytes, with their metadata bounded for the readers that will
// read them (core/ImageMetadata.h).
void ReadFileIntoBlob(const char* path, const std::string& coder, Magick::Blob& blob,
                      DecodeSettings& settings)
{
    CKernelHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, NULL));
    if (!file.Valid())
        throw ImageFileError("cannot open the image file");
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart > kImageMaxFileSize)
        throw ImageFileError("the image file is empty or too large");
    const size_t length = (size_t)size.QuadPart;
    // From the library's memory, which the allocator set-up keeps for the
    // next file.
    std::unique_ptr<char, LibraryMemoryRelease> data(
        static_cast<char*>(MagickCore::AcquireMagickMemory(length)));
    if (!data)
        throw ImageFileError("out of memory");
    size_t done = 0;
    while (done < length)
    {
        DWORD want = (DWORD)std::min<size_t>(length - done, kIoChunk);
        DWORD got = 0;
        if (!ReadFile(file.Get(), data.get() + done, want, &got, NULL) || got == 0)
            throw ImageFileError("cannot read the image file");
        done += got;
    }
    const std::string content = CoderOfContent(data.get(), length);
    unsigned char* bytes = reinterpret_cast<unsigned char*>(data.get());
    const size_t kept = TrimSourceMetadata(
        bytes, length, coder.c_str(), IsCoderForContent(content.c_str()) ? content.c_str() : "");
    settings.jpegProfileTooLarge = IsJpegProfileTooLarge(bytes, kept);
    // The blob gives the bytes back to the library from here on.
    blob.updateNoCopy(data.release(), kept, Magick::Blob::MallocAllocator);
}

// The coder that reads the file by its name. A type that is not ours, or
// one that is listed but never read, is refused before any byte reaches
// the library.
std::string CoderOfPath(const char* path)
{
    const ExtensionReader* reader = ReaderOfExtension(SplitPath(path).ext.c_str());
    if (reader == NULL)
        throw ImageFileError("the file is not of a type the program reads");
    return reader->coder;
}

// The coder's define that asks for a reduced decode.
const char kJpegCoder[] = "jpeg";
const char kJpegSizeKey[] = "size";
// The names the library gives a JPEG picture, by the coder that read it.
const char* const kJpegFormats[] = {"JPEG", "JPG"};
const char kJpegCoderName[] = "JPEG";

// The coder is affirmed: the library never switches to another one because
// of what the bytes look like.
void ReadFirstFrame(Magick::Image& image, const Magick::Blob& blob, const std::string& coder,
                    const ImageSize& decodeSize, const DecodeSettings& settings)
{
    image.quiet(true);
    SetMetadataSwitches(image, coder.c_str(), settings.jpegProfileTooLarge);
    image.subImage(0);
    image.subRange(1);
    if (decodeSize.columns > 0 && decodeSize.rows > 0)
    {
        char size[64];
        SafeFormat(size, sizeof(size), "%lux%lu", (unsigned long)decodeSize.columns,
                   (unsigned long)decodeSize.rows);
        image.defineValue(kJpegCoder, kJpegSizeKey, size);
    }
    image.magick(coder);
    WatchedDecode watched(image, settings.watch);
    const CClearedLibraryMemory cleared;
    image.read(blob);
}

// A picture whose pixels the library found no room for keeps the size its
// header claimed, without pixels behind it.
bool HasPixels(const Magick::Image& image)
{
    return image.columns() > 0 && image.rows() > 0 &&
           MagickCore::GetImagePixelCacheType(image.constImage()) != MagickCore::UndefinedCache;
}

// One decode of the blob. The library hands back what it decoded even when
// it then reports an error (a file-size field one byte off, for one), and
// gives an empty image without an error for some broken files; the outcome
// says which of the three happened.
enum ReadOutcome {
    kReadFailed,
    kReadDamaged,
    kReadClean,
};

ReadOutcome TryReadFirstFrame(Magick::Image& image, const Magick::Blob& blob,
                              const std::string& coder, const ImageSize& decodeSize,
                              const DecodeSettings& settings)
{
    bool clean = true;
    try
    {
        ReadFirstFrame(image, blob, coder, decodeSize, settings);
    }
    catch (const Magick::Exception&)
    {
        clean = false;
    }
    if (!HasPixels(image))
        return kReadFailed;
    return clean ? kReadClean : kReadDamaged;
}

void ThrowWhenStopped(const DecodeSettings& settings)
{
    if (settings.watch != NULL && settings.watch->Stopped())
        throw ImageReadStopped("the read was stopped");
}

// A new, empty file in the folder (empty: the current one), named into temp.
// The first one a process makes in a folder clears it of the temporary
// files that killed runs left there.
HANDLE CreateTempFile(const char* folder, char* temp, size_t tempSize)
{
    RemoveDeadLeftoversOnce(folder, kImageTemps);
    return CreateOwnedFile(kImageTemps, folder, temp, tempSize);
}

// The coder of the extension first; when that fails, the coder the library
// recognises the bytes as, but only a raster coder of one of our types. A
// clean decode wins over one the library called damaged, and a damaged
// picture over none. The picture stands alone: a logical screen or offset
// it carried from its file goes, and so does the metadata it does not keep.
// A decode the caller stopped ends the read.
void ReadBlob(Magick::Image& image, const Magick::Blob& blob, const std::string& coder,
              const ImageSize& decodeSize, const DecodeSettings& settings)
{
    Magick::Image best;
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        std::string reader = coder;
        if (attempt > 0)
        {
            reader = CoderOfContent(blob.data(), blob.length());
            if (reader == coder || !IsCoderForContent(reader.c_str()))
                break;
        }
        Magick::Image read;
        const ReadOutcome outcome = TryReadFirstFrame(read, blob, reader, decodeSize, settings);
        ThrowWhenStopped(settings);
        if (outcome == kReadClean)
        {
            best = read;
            break;
        }
        if (outcome == kReadDamaged && !HasPixels(best))
            best = read;
    }
    if (!HasPixels(best))
        throw ImageFileError("the image file holds no readable picture");
    DropUnusedMetadata(best);
    image = best;
    image.repage();
}

bool LooksLikeJpeg(const Magick::Blob& blob)
{
    const unsigned char* data = (const unsigned char*)blob.data();
    return blob.length() > 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

// The size from the header alone; false when the header cannot be read.
bool PingSize(const Magick::Blob& blob, ImageSize& size, const DecodeSettings& settings)
{
    try
    {
        Magick::Image probe;
        probe.quiet(true);
        SetMetadataSwitches(probe, kJpegCoderName, settings.jpegProfileTooLarge);
        probe.magick(kJpegCoderName);
        WatchedDecode watched(probe, settings.watch);
        probe.ping(blob);
        size.columns = probe.columns();
        size.rows = probe.rows();
    }
    catch (const Magick::Exception&)
    {
        return false;
    }
    return size.columns > 0 && size.rows > 0;
}

bool IsJpeg(const Magick::Image& image)
{
    const std::string format = image.magick();
    for (const char* name : kJpegFormats)
        if (lstrcmpiA(format.c_str(), name) == 0)
            return true;
    return false;
}

const ImageSize kFullSize = {0, 0};

// The JPEG decoder reduces by 1/2, 1/4 or 1/8 (asked for through the
// define's size). Only a reduction that divides both sides exactly is used:
// a partly filled last block would stretch the picture by a fraction of a
// pixel against its true size, and every later step relies on that size.
const size_t kJpegDivisors[] = {8, 4, 2};

// The reduced size to decode at, never below `needed`; the full size when
// no exact reduction is small enough.
ImageSize ChooseJpegDecodeSize(const ImageSize& header, const ImageSize& needed)
{
    if (needed.columns == 0 || needed.rows == 0)
        return kFullSize;
    for (size_t divisor : kJpegDivisors)
    {
        if (header.columns % divisor != 0 || header.rows % divisor != 0)
            continue;
        const ImageSize reduced = {header.columns / divisor, header.rows / divisor};
        if (reduced.columns >= needed.columns && reduced.rows >= needed.rows)
            return reduced;
    }
    return kFullSize;
}

// The coders of the program's outputs, and the most colours a GIF holds.
const char* const kGifFormats[] = {"GIF", "GIF87"};
const size_t kGifColors = 256;

// The GIF encoder turns a picture of more colours than a GIF holds, or not
// in sRGB, into a palette picture: its pixels again with an index beside
// each. When the library finds no room for those, the encoder goes on
// without the index and reads through a null pointer, which ends the process
// (under Wine as a stack overflow of the exception dispatch).
bool EncoderCopiesPixels(const Magick::Image& image)
{
    bool gif = false;
    for (const char* format : kGifFormats)
        gif = gif || lstrcmpiA(image.magick().c_str(), format) == 0;
    return gif && (image.classType() != Magick::PseudoClass || image.colorMapSize() > kGifColors ||
                   image.colorSpace() != Magick::sRGBColorspace);
}

// The library places a picture's pixels in its memory or, when that is
// short, in a file on its disk, each within its limit.
bool LibraryHasRoomFor(MagickCore::MagickSizeType bytes)
{
    for (MagickCore::ResourceType resource : {MagickCore::MemoryResource, MagickCore::DiskResource})
    {
        const MagickCore::MagickSizeType limit = MagickCore::GetMagickResourceLimit(resource);
        const MagickCore::MagickSizeType used = MagickCore::GetMagickResource(resource);
        if (used <= limit && bytes <= limit - used)
            return true;
    }
    return false;
}

MagickCore::MagickSizeType PalettePixelBytes(const Magick::Image& image)
{
    return (MagickCore::MagickSizeType)image.columns() * image.rows() *
           (sizeof(MagickCore::PixelPacket) + sizeof(MagickCore::IndexPacket));
}

// Coders the program needs besides those that read its types: GIF writes
// every output, XC makes the library's plain-colour pictures.
const char* const kExtraCoders[] = {"GIF", "XC"};

// Every coder the program uses, by the library's upper-case names.
std::set<std::string> OurCoders()
{
    // A type's own name too: the library calls JPG and TIF pictures by it.
    std::set<std::string> coders(std::begin(kExtraCoders), std::end(kExtraCoders));
    for (size_t i = 0; i < kSupportedExtensionCount; ++i)
        if (kSupportedExtensionReaders[i].coder[0] != '\0')
        {
            std::string name = kSupportedExtensionNames[i];
            CharUpperA(&name[0]);
            coders.insert(name);
            coders.insert(kSupportedExtensionReaders[i].coder);
        }
    return coders;
}

// The library's security policy, kept in code because a build without the
// library's policy file would otherwise have none: no external program, no
// "@file" text include, and no coder but ours (so no vector, script, text,
// document, URL or file-list coder, whatever a file holds or refers to).
std::string SecurityPolicy(const std::set<std::string>& coders)
{
    std::string policy = "<policymap>"
                         "<policy domain=\"delegate\" rights=\"none\" pattern=\"*\"/>"
                         "<policy domain=\"path\" rights=\"none\" pattern=\"@*\"/>"
                         "<policy domain=\"coder\" rights=\"none\" pattern=\"*\"/>";
    for (const std::string& coder : coders)
        policy += "<policy domain=\"coder\" rights=\"read|write\" pattern=\"" + coder + "\"/>";
    return policy + "</policymap>";
}

// A library that puts a policy file found on the machine before any
// program's policy refuses ours. Then every coder but ours is taken out of
// the library, so no file's content can reach one, whatever that file's
// rules allow.
void RemoveOtherCoders(const std::set<std::string>& coders)
{
    MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
    size_t count = 0;
    const MagickCore::MagickInfo** list = MagickCore::GetMagickInfoList("*", &count, exception);
    std::vector<std::string> others;
    for (size_t i = 0; list != NULL && i < count; ++i)
    {
        std::string name = list[i]->name;
        CharUpperA(&name[0]);
        if (coders.count(name) == 0)
            others.push_back(list[i]->name);
    }
    MagickCore::RelinquishMagickMemory((void*)list);
    MagickCore::DestroyExceptionInfo(exception);
    for (const std::string& name : others)
        MagickCore::UnregisterMagickInfo(name.c_str());
}

// The library's temporary files (the pixels of a picture too large for its
// memory, the JPEG inside a JNG) go into a folder of this process, so that
// what a read leaves there is known to be its own, whatever other programs
// keep in the temporary folder; the folder is named as the program's other
// temporaries are, so that a later process removes it when this one was
// killed. The library names the folder as its own file calls take it, and
// every file in it by that name.
struct LibraryTempFolder
{
    std::string windowsPath; // with its trailing backslash; empty: none
    std::string filePrefix;  // what the library puts before a file's name
};

LibraryTempFolder g_libraryTemp;
bool g_libraryInitialised = false;

const char kTemporaryPathKey[] = "temporary-path";

// The Winelib build's library is native and takes host paths.
std::string LibraryPathOf(const std::string& windowsPath)
{
#ifdef __WINE__
    const int n = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, NULL, 0);
    if (n <= 0)
        return std::string();
    std::vector<WCHAR> wide((size_t)n);
    MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide.data(), n);
    char* host = wine_get_unix_file_name(wide.data());
    if (host == NULL)
        return std::string();
    const std::string path = host;
    HeapFree(GetProcessHeap(), 0, host);
    return path;
#else
    return windowsPath;
#endif
}

// The library joins its folder and a name with its separator and, on
// Windows, then writes every backslash but those of a UNC start as a slash.
std::string LibraryFilePrefix(const std::string& libraryPath)
{
#ifdef __WINE__
    return libraryPath + "/";
#else
    std::string prefix = libraryPath + "\\";
    for (size_t i = prefix.size() > 1 && prefix[1] == '\\' ? 2 : 0; i < prefix.size(); ++i)
        if (prefix[i] == '\\')
            prefix[i] = '/';
    return prefix;
#endif
}

// The names of the files in the folder (with its trailing backslash).
std::set<std::string> FileNamesIn(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    CFindHandle search((folder + "*").c_str(), found);
    if (search.Valid())
    {
        do
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.insert(found.cFileName);
        while (search.Next(found));
    }
    return names;
}

// Before the library's first file: the folders of killed processes go first.
void MakeLibraryTempFolder()
{
    char temp[kPathBufferSize];
    const DWORD length = GetTempPathA(sizeof(temp), temp);
    if (length == 0 || length >= sizeof(temp))
        return;
    RemoveDeadLeftovers(temp, kLibraryFolders);
    char folder[kPathBufferSize];
    if (!CreateOwnedFolder(temp, folder, sizeof(folder), kLibraryFolders))
        return;
    const std::string libraryPath = LibraryPathOf(folder);
    MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
    const bool set =
        !libraryPath.empty() &&
        MagickCore::SetImageRegistry(MagickCore::StringRegistryType, kTemporaryPathKey,
                                     libraryPath.c_str(), exception) != MagickCore::MagickFalse;
    MagickCore::DestroyExceptionInfo(exception);
    if (!set)
    {
        RemoveDirectoryA(folder);
        return;
    }
    g_libraryTemp.windowsPath = std::string(folder) + "\\";
    g_libraryTemp.filePrefix = LibraryFilePrefix(libraryPath);
}

std::set<std::string> LibraryTempFiles()
{
    return g_libraryTemp.windowsPath.empty() ? std::set<std::string>()
                                             : FileNamesIn(g_libraryTemp.windowsPath);
}

// The library's own files outlive their picture when a decoder gives up:
// the pixels of a picture whose header claims a size the library could
// place on disk once but not twice (a grey FITS or PNG, a JNG's JPEG) stay
// in their file, and the share of the disk limit that file took stays
// taken, so no later large picture of the process could be read. Made
// before a read into `kept`; when the read is over, however it ended,
// every file it left goes but the one behind the picture `kept` holds, and
// the share of the disk limit the removed files held is given back.
class LibraryDebris
{
public:
    explicit LibraryDebris(const Magick::Image& kept)
        : m_kept(kept), m_before(LibraryTempFiles()),
          m_diskBefore(MagickCore::GetMagickResource(MagickCore::DiskResource))
    {
    }
    ~LibraryDebris()
    {
        try
        {
            Sweep();
        }
        catch (const std::exception&)
        {
            // Out of memory for a list of names: the process's end removes them.
        }
    }
    LibraryDebris(const LibraryDebris&) = delete;
    LibraryDebris& operator=(const LibraryDebris&) = delete;

private:
    void Sweep() const
    {
        std::string keptFile;
        MagickCore::MagickSizeType keptDisk = 0;
        if (HasPixels(m_kept))
        {
            const MagickCore::CacheType type =
                MagickCore::GetImagePixelCacheType(m_kept.constImage());
            if (type == MagickCore::DiskCache || type == MagickCore::MapCache)
            {
                keptFile = MagickCore::GetPixelCacheFilename(m_kept.constImage());
                keptDisk = MagickCore::GetImageExtent(m_kept.constImage());
            }
        }
        bool removed = false;
        for (const std::string& name : LibraryTempFiles())
        {
            const std::string file = g_libraryTemp.filePrefix + name;
            if (m_before.count(name) != 0 || file == keptFile)
                continue;
            MagickCore::RelinquishUniqueFileResource(file.c_str());
            removed = true;
        }
        const MagickCore::MagickSizeType disk =
            MagickCore::GetMagickResource(MagickCore::DiskResource);
        if (removed && disk > m_diskBefore + keptDisk)
            MagickCore::RelinquishMagickResource(MagickCore::DiskResource,
                                                 disk - m_diskBefore - keptDisk);
    }

    const Magick::Image& m_kept;
    const std::set<std::string> m_before;
    const MagickCore::MagickSizeType m_diskBefore;
};

} // namespace

ImageSize SizeOf(const Magick::Image& image)
{
    const ImageSize size = {image.columns(), image.rows()};
    return size;
}

void InitImageLibrary()
{
    static bool initialised = false;
    if (initialised)
        return;
    initialised = true;
    KeepFreedMemory();
    Magick::InitializeMagick(NULL);
    g_libraryInitialised = true;
    MakeLibraryTempFolder();
    // Before the limits: the policy resets them from the policy files.
    const std::set<std::string> coders = OurCoders();
    MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
    const bool policySet =
        MagickCore::SetMagickSecurityPolicy(SecurityPolicy(coders).c_str(), exception) != 0;
    MagickCore::DestroyExceptionInfo(exception);
    if (!policySet)
        RemoveOtherCoders(coders);
    Magick::ResourceLimits::width(kImageMaxSide);
    Magick::ResourceLimits::height(kImageMaxSide);
    Magick::ResourceLimits::area(kImageMaxArea);
    Magick::ResourceLimits::memory(kImageMaxMemory);
    Magick::ResourceLimits::map(kImageMaxMap);
    Magick::ResourceLimits::disk(kImageMaxDisk);
}

void EndImageLibrary()
{
    if (!g_libraryInitialised)
        return;
    g_libraryInitialised = false;
    // The library's end removes every temporary file it still lists.
    Magick::TerminateMagick();
    if (g_libraryTemp.windowsPath.empty())
        return;
    for (const std::string& name : FileNamesIn(g_libraryTemp.windowsPath))
        DeleteFileA((g_libraryTemp.windowsPath + name).c_str());
    RemoveDirectoryA(g_libraryTemp.windowsPath.c_str());
    g_libraryTemp = LibraryTempFolder();
}

void ReadImageFile(Magick::Image& image, const char* path)
{
    if (path == NULL || path[0] == '\0')
        throw ImageFileError("no image file named");
    const LibraryDebris debris(image);
    const std::string coder = CoderOfPath(path);
    Magick::Blob blob;
    DecodeSettings settings;
    ReadFileIntoBlob(path, coder, blob, settings);
    ReadBlob(image, blob, coder, kFullSize, settings);
}

void ReadImageFile(Magick::Image& image, const char* path, const DecodeSizeRule& rule,
                   ImageSize& trueSize, const ReadProgress& progress)
{
    if (path == NULL || path[0] == '\0')
        throw ImageFileError("no image file named");
    const LibraryDebris debris(image);
    const std::string coder = CoderOfPath(path);
    Magick::Blob blob;
    ReadWatch watch(progress);
    DecodeSettings settings;
    if (progress)
        settings.watch = &watch;
    ReadFileIntoBlob(path, coder, blob, settings);
    // Only the header is looked at, and only for the one coder that can
    // make use of the answer.
    ImageSize header = kFullSize;
    const bool pinged = rule && LooksLikeJpeg(blob) && PingSize(blob, header, settings);
    ThrowWhenStopped(settings);
    if (pinged)
    {
        const ImageSize reduced = ChooseJpegDecodeSize(header, rule(header));
        if (reduced != kFullSize)
        {
            ReadBlob(image, blob, coder, reduced, settings);
            // Anything but the exact reduction (another coder took the
            // bytes, or the decoder chose otherwise) is read again whole.
            if (IsJpeg(image) && SizeOf(image) == reduced)
            {
                trueSize = header;
                return;
            }
        }
    }
    ReadBlob(image, blob, coder, kFullSize, settings);
    trueSize = SizeOf(image);
}

// A run starts by removing what killed runs left in its output folder: their
// staging folders and the temporary files written beside the outputs.
OutputStaging::OutputStaging(const char* outputFolder)
{
    std::string folder = outputFolder != NULL ? outputFolder : "";
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    RemoveDeadLeftovers(folder.c_str(), kImageTemps | kStagingFolders);
    char name[kPathBufferSize];
    if (!CreateOwnedFolder(folder.c_str(), name, sizeof(name)))
        return;
    SetFileAttributesA(name, FILE_ATTRIBUTE_HIDDEN);
    m_folder = std::string(name) + "\\";
}

OutputStaging::~OutputStaging()
{
    if (m_folder.empty())
        return;
    // Only a write that failed half-way leaves a file here.
    WIN32_FIND_DATAA found;
    {
        CFindHandle search((m_folder + "*").c_str(), found);
        if (search.Valid())
        {
            do
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((m_folder + found.cFileName).c_str());
            while (search.Next(found));
        }
    } // the search ends before its folder goes
    RemoveDirectoryA(m_folder.c_str());
}

void WriteImageFile(Magick::Image& image, const char* path, const OutputWrite& how)
{
    if (path == NULL || path[0] == '\0')
        throw ImageFileError("no output file named");
    // Windows refuses to replace a read-only file; so do we, everywhere.
    const DWORD attributes = how.attributesKnown ? how.attributes : GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        throw ImageFileError("the output file is read-only");
    if (EncoderCopiesPixels(image) && !LibraryHasRoomFor(PalettePixelBytes(image)))
        throw ImageFileError("the picture is too large to write");
    Magick::Blob blob;
    image.write(&blob);

    char folder[kPathBufferSize];
    if (!GetFolderOfPath(path, folder, sizeof(folder)))
        throw ImageFileError("the output path is too long");
    char temp[kPathBufferSize];
    HANDLE h = INVALID_HANDLE_VALUE;
    if (!how.stagingFolder.empty())
        h = CreateTempFile(how.stagingFolder.c_str(), temp, sizeof(temp));
    if (h == INVALID_HANDLE_VALUE)
        h = CreateTempFile(folder, temp, sizeof(temp));
    CKernelHandle file(h);
    if (!file.Valid())
        throw OutputFolderError("cannot create a file in the output folder");

    const char* data = (const char*)blob.data();
    const size_t length = blob.length();
    bool ok = true;
    for (size_t done = 0; ok && done < length;)
    {
        DWORD want = (DWORD)std::min<size_t>(length - done, kIoChunk);
        DWORD written = 0;
        ok = WriteFile(file.Get(), data + done, want, &written, NULL) && written == want;
        done += written;
    }
    ok = file.Close() && ok;
    // A new file of its own that cannot be filled: the folder's disk is full.
    if (!ok)
    {
        DeleteFileA(temp);
        throw OutputFolderError("cannot write into the output folder");
    }
    if (!MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    {
        DeleteFileA(temp);
        throw ImageFileError("cannot replace the output file");
    }
}

void PrepareForWork(Magick::Image& image)
{
    image.modifyImage();
    image.quiet(true);
}

Magick::Color ToMagickColor(COLORREF color)
{
    color = TranslateSystemColor(color);
    // The library works in 16-bit quanta, not bytes.
    return Magick::Color(Magick::Color::scaleDoubleToQuantum(GetRValue(color) / 255.0),
                         Magick::Color::scaleDoubleToQuantum(GetGValue(color) / 255.0),
                         Magick::Color::scaleDoubleToQuantum(GetBValue(color) / 255.0), 0);
}
