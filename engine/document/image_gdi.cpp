#include "document/image_gdi.h"

#include "base/dib.h"

#include <cstring>

namespace {

const BITMAPINFO* AsBitmapInfo(DibHandle image) {
    static_assert(sizeof(BITMAPINFOHEADER) == sizeof(BitmapInfoHeader));
    return reinterpret_cast<const BITMAPINFO*>(&image->header);
}

}  // namespace

DibHandle ImgCaptureDC(HDC hdc, int x, int y, int width, int height, ImageError* error) {
    if (!hdc || width <= 0 || height <= 0) return nullptr;
    DibPtr image(DibCreate(width, height, 24, error));
    if (!image) return nullptr;

    HDC memoryDc = CreateCompatibleDC(hdc);
    void* bits = nullptr;
    HBITMAP section =
        memoryDc ? CreateDIBSection(memoryDc, AsBitmapInfo(image.get()), DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    bool copied = false;
    if (section && bits) {
        HGDIOBJ previous = SelectObject(memoryDc, section);
        copied = BitBlt(memoryDc, 0, 0, width, height, hdc, x, y, SRCCOPY) != 0;
        GdiFlush();
        if (copied) std::memcpy(image->pixels.get(), bits, size_t(image->info.pixelDataSize));
        SelectObject(memoryDc, previous);
    }
    if (section) DeleteObject(section);
    if (memoryDc) DeleteDC(memoryDc);
    if (!copied) return nullptr;
    return image.release();
}

void ImgBlit(HDC hdc, int x, int y, int width, int height, DibHandle image, int sourceX, int sourceY,
             DWORD rasterOperation) {
    if (!image) return;
    // SetDIBitsToDevice ignores the raster operation; StretchDIBits at 1:1
    // honours it and copies the pixels unscaled.
    StretchDIBits(hdc, x, y, width, height, sourceX, image->header.biHeight - sourceY - height, width, height,
                  image->pixels.get(), AsBitmapInfo(image), DIB_RGB_COLORS, rasterOperation);
}

void ImgStretchBlit(HDC hdc, int x, int y, int width, int height, DibHandle image, int sourceX,
                    int sourceY, int sourceWidth, int sourceHeight, DWORD rasterOperation,
                    int stretchMode) {
    if (!image) return;
    const int previousMode = SetStretchBltMode(hdc, stretchMode);
    POINT previousOrigin{};
    // HALFTONE needs the brush origin reset after the mode is set.
    SetBrushOrgEx(hdc, 0, 0, &previousOrigin);
    StretchDIBits(hdc, x, y, width, height, sourceX, image->header.biHeight - sourceY - sourceHeight,
                  sourceWidth, sourceHeight, image->pixels.get(), AsBitmapInfo(image), DIB_RGB_COLORS,
                  rasterOperation);
    SetBrushOrgEx(hdc, previousOrigin.x, previousOrigin.y, nullptr);
    SetStretchBltMode(hdc, previousMode);
}
