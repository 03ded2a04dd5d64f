// Loads arbitrary bytes as an image file and, when that gives an image, does
// what the program does with it: conversion to the working layout, edge
// extraction and speck removal. The last byte chooses the line thickness and
// the contrast. The result must be black and white with its padding, which
// starts out zero, untouched.
#include "dib.h"
#include "edge_extraction.h"
#include "image.h"
#include "noise_removal.h"

#include <cstdlib>

namespace {

bool BlackAndWhiteWithZeroPadding(DibHandle image) {
    const int32_t width = image->header.biWidth;
    const int32_t stride = Stride24(width);
    for (int32_t y = 0; y < image->header.biHeight; ++y) {
        const uint8_t* row = DibRow(image, y);
        for (int32_t x = 0; x < 3 * width; x += 3) {
            if ((row[x] != 0 && row[x] != 255) || row[x + 1] != row[x] || row[x + 2] != row[x]) return false;
        }
        for (int32_t i = 3 * width; i < stride; ++i) {
            if (row[i] != 0) return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DibHandle source = ImgLoadMemory(data, size);
    if (!source) return 0;
    ImgMake24(source);
    DibHandle result = ImgDuplicate(source);
    if (result) {
        const uint8_t options = data[size - 1];
        const int thickness = options & 1;
        const int contrast = (options >> 1) & 15;
        ExtractEdges(source, result, thickness, contrast);
        RemoveSpecks(result, thickness);
        if (!BlackAndWhiteWithZeroPadding(result)) std::abort();
    }
    ImgRelease(result);
    ImgRelease(source);
    return 0;
}
