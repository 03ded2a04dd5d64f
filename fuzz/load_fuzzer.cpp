// Loads arbitrary bytes as an image file, BMP, JPEG or PNG as the first bytes
// say. The result must be null with a reason, or a well-formed image within
// the size limit whose every pixel byte can be read.
#include "base/dib.h"
#include "pipeline/image.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ImageError error = ImageError::None;
    DibHandle image = ImgLoadMemory(data, size, &error);
    if ((image == nullptr) == (error == ImageError::None)) std::abort();
    if (!image) return 0;

    const BitmapInfoHeader& header = image->header;
    const int64_t stride = DibStride(header.biWidth, header.biBitCount);
    if (stride == 0 || header.biHeight <= 0 || int64_t{header.biWidth} * header.biHeight > MaxImagePixels ||
        image->info.pixelDataSize != stride * header.biHeight || image->info.pixels != image->pixels.get()) {
        std::abort();
    }
    // The copy reads every byte the record claims, so a shorter buffer shows.
    ImgRelease(ImgDuplicate(image));
    ImgRelease(image);
    return 0;
}
