// Rotation of a 24- or 32-bit DIB section by any angle into a new 32-bit one,
// sampled on a grid four times finer than the result and averaged, so slanted
// edges come out smooth and uncovered pixels transparent black.
#pragma once

#include <windows.h>

// Larger sources would overflow the 16.16 source coordinates.
const int kMaxRotateSide = 8192;

// Bounding rectangle of a width x height rectangle, scaled and turned by the
// angle of the given sine and cosine, rounded outward to integers.
void GetRotatedBounds(int width, int height, int scale, double sine, double cosine, RECT& bounds);

// The picture turned by `angle` radians (clockwise on screen, y pointing
// down); the caller owns the result. When a pivot is given it receives the
// place, relative to the source's top-left corner, at which to draw the
// result so that the source pixel at the pivot stays put. NULL on failure.
HBITMAP RotateDib(HBITMAP hSource, float angle, POINT* pivot);
