// Looks for an EXIF orientation in arbitrary bytes, read both as a JPEG or
// PNG file (as the first bytes say) and as a bare EXIF block. The answer
// must be an orientation from 1 to 8; the sanitizers report any read
// outside the bytes.
#include "exif_orientation.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int inFile = ExifOrientation(data, size);
    const int inBlock = TiffOrientation(data, size);
    if (inFile < 1 || inFile > 8 || inBlock < 1 || inBlock > 8) std::abort();
    return 0;
}
