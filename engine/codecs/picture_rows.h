// A picture decoded a row at a time, for conversions that do not hold it
// whole: every decoder that streams (JPEG, PNG, BMP) reads its rows through
// this one interface.
#pragma once

#include "base/dib.h"

#include <cstdint>

class PictureRows {
public:
    virtual ~PictureRows() = default;
    // The next row, in the order the file stores them: width pixels of
    // 3 bytes (BGR, any transparency over white, as ImgMake24 makes it).
    // False, with *error set, when the picture is refused; the decoder is
    // then done.
    virtual bool ReadRow(uint8_t* bgr, ImageError* error) = 0;
    // After the last row: whether the rest of the file is whole.
    virtual bool End(ImageError* error) = 0;
};
