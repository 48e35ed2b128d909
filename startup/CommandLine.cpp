#include "startup/CommandLine.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

std::vector<std::string> SplitCommandLine(const char* p)
{
    std::vector<std::string> words;
    if (p == NULL)
        return words;

    // Word 0, the program: quotes only group, backslashes are plain.
    std::string word;
    bool quoted = false;
    while (*p && (quoted || !IsBlank(*p)))
    {
        if (*p == '"')
            quoted = !quoted;
        else
            word += *p;
        ++p;
    }
    words.push_back(word);

    for (;;)
    {
        while (IsBlank(*p))
            ++p;
        if (*p == '\0')
            break;
        word.clear();
        quoted = false;
        while (*p && (quoted || !IsBlank(*p)))
        {
            if (*p == '\\')
            {
                size_t slashes = 0;
                while (*p == '\\')
                {
                    ++slashes;
                    ++p;
                }
                if (*p == '"')
                {
                    // 2n backslashes and a quote: n backslashes, the quote
                    // toggles; 2n+1: n backslashes and a literal quote.
                    word.append(slashes / 2, '\\');
                    if (slashes % 2)
                    {
                        word += '"';
                        ++p;
                    }
                }
                else
                    word.append(slashes, '\\');
                continue;
            }
            if (*p == '"')
            {
                if (quoted && p[1] == '"')
                {
                    word += '"'; // a doubled quote inside quotes is one quote
                    p += 2;
                    continue;
                }
                quoted = !quoted;
                ++p;
                continue;
            }
            word += *p++;
        }
        words.push_back(word);
    }
    return words;
}
