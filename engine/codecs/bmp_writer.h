// The BMP writer: an image as an uncompressed BMP file.
#pragma once

#include "dib.h"
#include "output_colours.h"

// Writes the image as an uncompressed BMP file. The bytes go to a temporary
// file beside the target, which replaces the target only once complete, so a
// failed write leaves any existing file as it was. On failure *systemError
// (if given) receives the errno value.
bool ImgWriteBmp(const char* path, DibHandle image, int* systemError = nullptr);

// The same with the colours of a line drawing: when every pixel is black or
// white, black ones are written in colours.lines and white ones in
// colours.background; other pictures are written as they are. A BMP has no
// transparency: colours.transparent is refused with EINVAL.
bool ImgWriteBmp(const char* path, DibHandle image, const OutputColours& colours, int* systemError = nullptr);
