// Writing an image in the working layout as a PNG file.
#pragma once

#include "image.h"

// Writes the 24-bit image as a PNG file with the same pixels, all or nothing,
// as ImgWriteBmp does: 1-bit greyscale when every pixel is black or white
// (as extraction results are), else 8-bit RGB. On failure *systemError
// receives the errno value.
bool WritePng(const char* path, const DibInfo& image, int* systemError);
