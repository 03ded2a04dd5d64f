// Loading a picture file's pixels for a caller: the engine's loader, its
// picture turned into RGB rows top first in memory the caller releases with
// velmora_free; from bytes the caller holds or from a file the engine reads.
#include "errors.h"
#include "kernels/pixel_layouts.h"
#include "pipeline/image.h"
#include "velmora.h"

#include <cerrno>
#include <new>
#include <vector>

int velmora_load(const void* data, size_t size, unsigned char** pixels, int* width, int* height) {
    if (!pixels || !width || !height) return VELMORA_ERROR_NULL_ARGUMENT;
    *pixels = nullptr;
    *width = *height = 0;
    if (!data) return VELMORA_ERROR_NULL_ARGUMENT;
    try {
        ImageError why = ImageError::None;
        const DibPtr image(ImgLoadMemory(static_cast<const uint8_t*>(data), size, &why));
        if (!image) return ErrorOf(Failure{why, 0}, false);
        // Every loaded picture is 24 or 32 bits a pixel.
        if (!ImgMake24(image.get())) return VELMORA_ERROR_DAMAGED;
        const int w = image->header.biWidth, h = image->header.biHeight;
        const size_t rowBytes = 3 * size_t(w);
        uint8_t* rgb = new (std::nothrow) uint8_t[rowBytes * size_t(h)];
        if (!rgb) return VELMORA_ERROR_OUT_OF_MEMORY;
        // Blue and red exchanged: BGR to RGB.
        const PixelRowFunction swap = SwapRedBlueRowFor();
        for (int y = 0; y < h; ++y) swap(DibRow(image.get(), y), w, rgb + size_t(y) * rowBytes);
        *pixels = rgb;
        *width = w;
        *height = h;
    } catch (const std::bad_alloc&) {
        return VELMORA_ERROR_OUT_OF_MEMORY;
    }
    return VELMORA_OK;
}

int velmora_load_file(const char* path, unsigned char** pixels, int* width, int* height) {
    if (!pixels || !width || !height) return VELMORA_ERROR_NULL_ARGUMENT;
    *pixels = nullptr;
    *width = *height = 0;
    if (!path) return VELMORA_ERROR_NULL_ARGUMENT;
    std::vector<uint8_t> bytes;
    errno = 0;
    const ImageError read = ReadImageFile(path, bytes);
    if (read != ImageError::None) return ErrorOf(Failure{read, errno}, false);
    return velmora_load(bytes.data(), bytes.size(), pixels, width, height);
}
