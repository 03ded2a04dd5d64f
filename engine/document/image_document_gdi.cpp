#include "document/image_document_gdi.h"

#include "document/image_gdi.h"

bool DocumentGdi::LoadFromDC(ImageDocument& document, HDC hdc, int x, int y, int width, int height) {
    return document.TakeNewImage(
        [=](ImageError* error) { return ImgCaptureDC(hdc, x, y, width, height, error); }, nullptr);
}

void DocumentGdi::Draw(const ImageDocument& document, HDC hdc, int x, int y, int width, int height, int sourceX,
                       int sourceY, int selector) {
    const int resultWidth = document.ResultWidth();
    const int resultHeight = document.ResultHeight();
    if (selector == DrawSource) {
        ImgStretchBlit(hdc, x, y, width, height, document.source.get(), sourceX, sourceY, resultWidth, resultHeight,
                       SRCCOPY, HALFTONE);
    } else if (selector == DrawResult) {
        if (width == resultWidth && height == resultHeight) {
            ImgBlit(hdc, x, y, width, height, document.result.get(), sourceX, sourceY, SRCCOPY);
        } else {
            ImgStretchBlit(hdc, x, y, width, height, document.result.get(), sourceX, sourceY, resultWidth, resultHeight,
                           SRCCOPY, HALFTONE);
        }
    } else if (selector == DrawResultUnscaled) {
        ImgBlit(hdc, x, y, width, height, document.result.get(), sourceX, sourceY, SRCCOPY);
    }
}
