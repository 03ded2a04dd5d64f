#include "image_document.h"

#include "edge_extraction.h"
#include "noise_removal.h"

#include <cerrno>

ImageDocument::ImageDocument() = default;

ImageDocument::~ImageDocument() {
    ImgRelease(source);
    ImgRelease(result);
}

bool ImageDocument::LoadFile(const char* path, ImageError* error) {
    return TakeNewImage(ImgLoadFile(path, error));
}

bool ImageDocument::TakeNewImage(DibHandle image) {
    if (!image) return false;
    DibHandle copy = ImgMake24(image) ? ImgDuplicate(image) : nullptr;
    if (!copy) {
        ImgRelease(image);
        return false;
    }
    ImgRelease(source);
    ImgRelease(result);
    source = image;
    result = copy;
    extracted = false;
    undoStack.Clear();
    redoStack.Clear();
    return true;
}

bool ImageDocument::SaveBmp(const char* path, int* systemError) {
    if (!result) {
        if (systemError) *systemError = EINVAL;
        return false;
    }
    return ImgWriteBmp(path, result, systemError);
}

int ImageDocument::ResultWidth() const {
    return result ? ImgQueryInfo(result)->header->biWidth : 0;
}

int ImageDocument::ResultHeight() const {
    return result ? ImgQueryInfo(result)->header->biHeight : 0;
}

void ImageDocument::Extract(int thickness, int contrast) {
    if (!result) return;
    if (extracted) {
        // Without memory for the copy the extraction still runs, without an
        // undo step.
        if (DibHandle previous = ImgDuplicate(result)) undoStack.Push(previous);
    }
    redoStack.Clear();
    ExtractEdges(source, result, thickness, contrast);
    extracted = true;
}

void ImageDocument::RemoveNoise(int thickness) {
    if (!result) return;
    RemoveSpecks(result, thickness);
}

// Undo and redo move the result and the history entries between the stacks:
// nothing is copied or allocated, so neither can fail.
void ImageDocument::Undo() {
    if (undoStack.Count() == 0) return;
    redoStack.Push(result);
    result = undoStack.Pop();
}

void ImageDocument::Redo() {
    if (redoStack.Count() == 0) return;
    undoStack.Push(result);
    result = redoStack.Pop();
}
