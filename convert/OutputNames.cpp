#include "convert/OutputNames.h"

#include <cstring>
#include <string>
#include <vector>

#include "base/StrUtil.h"

const char kOutputExtension[] = ".gif";

namespace {

// Names that open a device in any folder, whatever extension follows.
const char* const kDeviceNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
// Followed by one digit 1-9, or by a superscript one, two or three.
const char* const kNumberedDeviceNames[] = {"COM", "LPT"};
const size_t kNumberedDeviceLength = 3;
const WCHAR kSuperscriptDigits[] = {0x00B9, 0x00B2, 0x00B3};
// Characters no file name may hold, separators and the stream colon among them.
const WCHAR kForbiddenChars[] = {'\\', '/', ':', '<', '>', '"', '|', '?', '*'};
const WCHAR kFirstPrintable = 0x20;
// The bit that tells a lower-case ASCII letter from its capital.
const WCHAR kAsciiCaseBit = 0x20;

bool IsAsciiLetter(WCHAR c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The first `length` characters of `text` are `ascii`, without regard to
// the case of its letters.
bool StartsWithAsciiNoCase(const std::vector<WCHAR>& text, size_t length, const char* ascii)
{
    if (strlen(ascii) != length || text.size() < length)
        return false;
    for (size_t i = 0; i < length; ++i)
    {
        const WCHAR c = text[i];
        const WCHAR want = (WCHAR)(unsigned char)ascii[i];
        const bool same =
            IsAsciiLetter(c) ? (c | kAsciiCaseBit) == (want | kAsciiCaseBit) : c == want;
        if (!same)
            return false;
    }
    return true;
}

bool IsDeviceDigit(WCHAR c)
{
    if (c >= '1' && c <= '9')
        return true;
    for (WCHAR digit : kSuperscriptDigits)
        if (c == digit)
            return true;
    return false;
}

// Windows takes a name for a device by the part before its first dot, with
// trailing blanks dropped: "nul.txt" and "Con .gif" are devices too.
bool IsDeviceName(const std::vector<WCHAR>& name)
{
    size_t stem = 0;
    while (stem < name.size() && name[stem] != '.')
        ++stem;
    while (stem > 0 && name[stem - 1] == ' ')
        --stem;
    for (const char* device : kDeviceNames)
        if (StartsWithAsciiNoCase(name, stem, device))
            return true;
    if (stem != kNumberedDeviceLength + 1 || !IsDeviceDigit(name[kNumberedDeviceLength]))
        return false;
    for (const char* device : kNumberedDeviceNames)
        if (StartsWithAsciiNoCase(name, kNumberedDeviceLength, device))
            return true;
    return false;
}

} // namespace

bool IsPlainFileName(const char* name)
{
    if (name == NULL)
        return false;
    if (name[0] == '\0')
        return true;
    // Judged as the file system sees it: in a double-byte code page a
    // character's second byte may be a backslash's code without being one.
    const int length = MultiByteToWideChar(CP_ACP, 0, name, -1, NULL, 0);
    if (length <= 1)
        return false;
    std::vector<WCHAR> wide((size_t)length);
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, wide.data(), length) != length)
        return false;
    wide.pop_back(); // the terminator
    for (WCHAR c : wide)
    {
        if (c < kFirstPrintable)
            return false;
        for (WCHAR forbidden : kForbiddenChars)
            if (c == forbidden)
                return false;
    }
    const WCHAR last = wide.back();
    if (last == '.' || last == ' ')
        return false; // "." and ".." among them
    return !IsDeviceName(wide);
}

bool MakeOutputBaseName(const char* prefix, const char* name, int pattern, unsigned index,
                        const char* suffix, char* out, size_t outSize)
{
    bool fits = true;
    switch (pattern)
    {
    case kNameOnly:
        fits = SafeFormat(out, outSize, "%s%s%s", prefix, name, suffix);
        break;
    case kNameIndex:
        fits = SafeFormat(out, outSize, "%s%s_%u%s", prefix, name, index, suffix);
        break;
    case kIndexName:
        fits = SafeFormat(out, outSize, "%s%u_%s%s", prefix, index, name, suffix);
        break;
    default:
        fits = SafeFormat(out, outSize, "%s%s", prefix, suffix);
        break;
    }
    // A name that would be cut, or that would leave the output folder or
    // name a device, names no output at all. Judged with the extension it
    // is written with: "photo." becomes "photo..gif", which Windows keeps.
    const bool usable = fits && IsPlainFileName((std::string(out) + kOutputExtension).c_str());
    if (!usable && out != NULL && outSize > 0)
        out[0] = '\0';
    return usable;
}
