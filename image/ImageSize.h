// The size of a picture in pixels.
#pragma once

#include <cstddef>

struct ImageSize
{
    size_t columns;
    size_t rows;
};

inline bool operator==(const ImageSize& a, const ImageSize& b)
{
    return a.columns == b.columns && a.rows == b.rows;
}

inline bool operator!=(const ImageSize& a, const ImageSize& b) { return !(a == b); }
