// Keeping pure black-and-white images at one bit per pixel, as the undo and
// redo history does with results of extraction (a 24th of their size).
//
// A packed image is a bottom-up 1-bit handle of the image's size: the first
// pixel of a row is the top bit of its first byte, 1 is white, rows are
// padded to a multiple of 4 bytes. It is freed with ImgRelease like any
// handle, but only these functions read it: drawing, saving and conversion
// know nothing of it.
#pragma once

#include "base/dib.h"

// A new packed image of image (working layout), when its pixels are all
// black (0, 0, 0) or white (255, 255, 255) and its padding bytes zero, so
// that unpacking gives back every byte; it keeps the pixel density. Otherwise null with *error None, or
// null with *error OutOfMemory when memory runs out.
DibHandle PackBlackAndWhite(DibHandle image, ImageError* error);

// Whether image is a packed image; false for null.
bool IsPacked(DibHandle image);

// Writes the bytes packed was made from, and its pixel density, into image,
// which has its size and the working layout.
void UnpackInto(DibHandle packed, DibHandle image);

// The row kernels, each beside its plain twin that gives the same bytes.
// Packing reads width pixels of 3 bytes and writes (width + 7) / 8 bytes,
// unused low bits zero; false (to partly written) when a pixel is neither
// black nor white. Unpacking writes the 3 * width bytes back.
bool PackRow(const uint8_t* from, int32_t width, uint8_t* to);
bool PackRowPlain(const uint8_t* from, int32_t width, uint8_t* to);
void UnpackRow(const uint8_t* from, int32_t width, uint8_t* to);
void UnpackRowPlain(const uint8_t* from, int32_t width, uint8_t* to);
