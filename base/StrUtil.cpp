#include "base/StrUtil.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

bool SafeCopy(char* dst, size_t dstSize, const char* src)
{
    if (dst == NULL || dstSize == 0)
        return false;
    if (src == NULL)
        src = "";
    size_t n = strlen(src);
    bool fits = n < dstSize;
    if (!fits)
        n = dstSize - 1;
    memmove(dst, src, n);
    dst[n] = '\0';
    return fits;
}

bool SafeAppend(char* dst, size_t dstSize, const char* src)
{
    if (dst == NULL || dstSize == 0)
        return false;
    size_t used = strnlen(dst, dstSize);
    if (used >= dstSize)
    {
        dst[dstSize - 1] = '\0';
        return false;
    }
    return SafeCopy(dst + used, dstSize - used, src);
}

bool SafeFormat(char* dst, size_t dstSize, const char* fmt, ...)
{
    if (dst == NULL || dstSize == 0)
        return false;
    va_list args;
    va_start(args, fmt);
    int n = vsnprintf(dst, dstSize, fmt, args);
    va_end(args);
    if (n < 0)
    {
        dst[0] = '\0';
        return false;
    }
    return (size_t)n < dstSize;
}

int StrICmp(const char* a, const char* b)
{
    for (;; ++a, ++b)
    {
        unsigned char ca = (unsigned char)*a, cb = (unsigned char)*b;
        if (ca >= 'A' && ca <= 'Z')
            ca = (unsigned char)(ca - 'A' + 'a');
        if (cb >= 'A' && cb <= 'Z')
            cb = (unsigned char)(cb - 'A' + 'a');
        if (ca != cb || ca == 0)
            return (int)ca - (int)cb;
    }
}

std::string GetWindowTextString(HWND hWnd)
{
    int len = ::GetWindowTextLengthA(hWnd);
    if (len <= 0)
        return std::string();
    std::vector<char> buf((size_t)len + 1);
    int got = ::GetWindowTextA(hWnd, buf.data(), len + 1);
    return std::string(buf.data(), got > 0 ? (size_t)got : 0);
}

int ParseLeadingInt(const char* text)
{
    if (text == NULL)
        return 0;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    // Accumulate one past the limit so both ends saturate exactly.
    const long long limit = negative ? -(long long)INT_MIN : (long long)INT_MAX;
    long long value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (value <= limit)
            value = value * 10 + (*p - '0');
    if (value > limit)
        value = limit;
    return (int)(negative ? -value : value);
}
