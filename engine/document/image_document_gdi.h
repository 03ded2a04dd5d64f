// Windows drawing of the image document: capturing a device context's pixels
// as its image, and drawing its images into one. Kept apart so that the
// document itself stays portable.
#pragma once

#include "document/image_document.h"

#include <windows.h>

struct DocumentGdi {
    // Selectors for Draw.
    static constexpr int DrawSource = 0;          // the source, scaled into the rectangle
    static constexpr int DrawResult = 1;          // the result, unscaled when the rectangle has its size
    static constexpr int DrawResultUnscaled = 2;  // the result, unscaled

    // Takes the rectangle of the device context's pixels as the document's
    // new image, as LoadFile does with a file, also when memory runs out;
    // false on failure.
    static bool LoadFromDC(ImageDocument& document, HDC hdc, int x, int y, int width, int height);

    // Draws the image of the document that selector names; nothing without
    // an image or for an unknown selector.
    static void Draw(const ImageDocument& document, HDC hdc, int x, int y, int width, int height, int sourceX,
                     int sourceY, int selector);
};
