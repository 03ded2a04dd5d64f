// Looks for an EXIF orientation and a pixel density in arbitrary bytes, read
// both as a JPEG, PNG or BMP file (as the first bytes say) and as a bare
// EXIF block. The orientation must be from 1 to 8 and a density positive or
// none; the sanitizers report any read outside the bytes.
#include "codecs/exif_orientation.h"
#include "codecs/pixel_density.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int inFile = ExifOrientation(data, size);
    const int inBlock = TiffOrientation(data, size);
    if (inFile < 1 || inFile > 8 || inBlock < 1 || inBlock > 8) std::abort();
    const PixelDensity density = FilePixelDensity(data, size);
    if (density.x < 0 || density.y < 0 || (density.x == 0) != (density.y == 0)) std::abort();
    return 0;
}
