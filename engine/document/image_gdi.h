// Drawing images into, and capturing them from, Windows device contexts.
#pragma once

#include "base/dib.h"

#include <windows.h>

// A new 24-bit image holding a copy of the width x height rectangle of the
// device context's pixels at (x, y); null on failure, with *error (if given)
// OutOfMemory when memory ran out.
DibHandle ImgCaptureDC(HDC hdc, int x, int y, int width, int height, ImageError* error = nullptr);

// Copies a width x height block of the image, unscaled, to (x, y). Nothing for
// a null image.
void ImgBlit(HDC hdc, int x, int y, int width, int height, DibHandle image, int sourceX, int sourceY,
             DWORD rasterOperation);

// Scales the source rectangle of the image into the destination rectangle
// with the given stretch mode (HALFTONE for smooth reduction). Nothing for a
// null image.
void ImgStretchBlit(HDC hdc, int x, int y, int width, int height, DibHandle image, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, DWORD rasterOperation,
                    int stretchMode);
