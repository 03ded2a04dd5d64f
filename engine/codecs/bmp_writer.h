// The BMP writer: an image as an uncompressed BMP file.
#pragma once

#include "dib.h"
#include "output_colours.h"

#include <cstdint>

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

// The parts of the writer that files written a row at a time share: the
// file and info headers of an uncompressed image with header's size, depth
// and density, whose rows follow bottom-up with stride DibStride; and a row
// of a black-and-white picture in colours (3 bytes a pixel, no padding).
constexpr uint32_t BmpHeadersSize = 14 + 40;
void PutBmpHeaders(const BitmapInfoHeader& header, uint8_t* to);
void RecolourRow(const uint8_t* from, int32_t width, const OutputColours& colours, uint8_t* to);
