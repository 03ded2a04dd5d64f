// Writing an image in the working layout as a PNG file.
#pragma once

#include "image.h"

// Writes the 24-bit image as an RGB PNG file, all or nothing, as ImgWriteBmp
// does. On failure *systemError receives the errno value.
bool WritePng(const char* path, const DibInfo& image, int* systemError);
