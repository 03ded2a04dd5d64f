// Turns a decoded picture upright as its EXIF orientation (1 to 8, see
// exif_orientation.h) says, for 24- and 32-bit bitmaps; alpha is kept.
#pragma once

#include "base/dib.h"

// Returns image upright. Orientations 2 to 4 rearrange the pixels in place;
// 5 to 8 swap width and height and move the pixels into a new buffer, which
// the same handle then holds. When that buffer cannot be allocated, image is
// released, *error says why and the result is null. Null gives null; 1 and
// unknown values leave the image as it is.
DibPtr OrientImage(DibPtr image, int orientation, ImageError* error);
