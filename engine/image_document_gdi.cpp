#include "image_document.h"

#include "image_gdi.h"

bool ImageDocument::LoadFromDC(HDC hdc, int x, int y, int width, int height) {
    return TakeNewImage(
        [=](ImageError* error) { return ImgCaptureDC(hdc, x, y, width, height, error); }, nullptr);
}

void ImageDocument::Draw(HDC hdc, int x, int y, int width, int height, int sourceX, int sourceY,
                         int selector) const {
    if (selector == DrawSource) {
        ImgStretchBlit(hdc, x, y, width, height, source, sourceX, sourceY, ResultWidth(), ResultHeight(), SRCCOPY,
                       HALFTONE);
    } else if (selector == DrawResult) {
        if (width == ResultWidth() && height == ResultHeight()) {
            ImgBlit(hdc, x, y, width, height, result, sourceX, sourceY, SRCCOPY);
        } else {
            ImgStretchBlit(hdc, x, y, width, height, result, sourceX, sourceY, ResultWidth(), ResultHeight(),
                           SRCCOPY, HALFTONE);
        }
    } else if (selector == DrawResultUnscaled) {
        ImgBlit(hdc, x, y, width, height, result, sourceX, sourceY, SRCCOPY);
    }
}
