#include "image_document.h"

#include "bit_packing.h"
#include "edge_extraction.h"
#include "noise_removal.h"
#include "svg_writer.h"

#include <cerrno>

namespace {

// A history entry for image: packed when it is pure black and white, else a
// whole copy. Null when memory runs out.
DibHandle HistoryEntryOf(DibHandle image) {
    ImageError error = ImageError::None;
    DibHandle packed = PackBlackAndWhite(image, &error);
    if (packed || error == ImageError::OutOfMemory) return packed;
    return ImgDuplicate(image);
}

}  // namespace

ImageDocument::ImageDocument() = default;

ImageDocument::~ImageDocument() {
    ImgRelease(source);
    ImgRelease(result);
    ImgRelease(resultPacked);
}

bool ImageDocument::LoadFile(const char* path, ImageError* error) {
    return TakeNewImage([path](ImageError* loadError) { return ImgLoadFile(path, loadError); }, error);
}

bool ImageDocument::LoadMemory(const uint8_t* data, size_t size, ImageError* error) {
    return TakeNewImage([data, size](ImageError* loadError) { return ImgLoadMemory(data, size, loadError); },
                        error);
}

bool ImageDocument::TakeNewImage(const std::function<DibHandle(ImageError*)>& load, ImageError* error) {
    ImageError ignored = ImageError::None;
    if (!error) error = &ignored;
    if (TakeImage(load(error), error)) return true;
    if (*error != ImageError::OutOfMemory || (!CanUndo() && !CanRedo())) return false;
    ClearHistory();
    return TakeImage(load(error), error);
}

bool ImageDocument::TakeImage(DibHandle image, ImageError* error) {
    if (!image) return false;
    ImgMake24(image);
    DibHandle copy = ImgDuplicate(image);
    if (!copy) {
        ImgRelease(image);
        *error = ImageError::OutOfMemory;
        return false;
    }
    ImgRelease(source);
    ImgRelease(result);
    source = image;
    result = copy;
    resultThickness = 0;
    extracted = false;
    ClearHistory();
    return true;
}

void ImageDocument::ClearHistory() {
    undoStack.Clear();
    redoStack.Clear();
    ImgRelease(resultPacked);
    resultPacked = nullptr;
}

bool ImageDocument::SaveBmp(const char* path, int* systemError) {
    if (!result) {
        if (systemError) *systemError = EINVAL;
        return false;
    }
    return ImgWriteBmp(path, result, systemError);
}

bool ImageDocument::SaveBmp(const char* path, const OutputColours& colours, int* systemError) {
    if (!result) {
        if (systemError) *systemError = EINVAL;
        return false;
    }
    return ImgWriteBmp(path, result, colours, systemError);
}

bool ImageDocument::SavePng(const char* path, const OutputColours& colours, int* systemError) {
    if (!result) {
        if (systemError) *systemError = EINVAL;
        return false;
    }
    return WritePng(path, result, colours, systemError);
}

bool ImageDocument::SaveSvg(const char* path, const OutputColours& colours, int* systemError) {
    if (!result) {
        if (systemError) *systemError = EINVAL;
        return false;
    }
    return WriteSvg(path, result, resultThickness, colours, systemError);
}

bool ImageDocument::EncodeResultPng(const OutputColours& colours, std::vector<uint8_t>& png) const {
    if (!result) {
        png.clear();
        return false;
    }
    return EncodePng(result, colours, png);
}

int ImageDocument::ResultWidth() const {
    return result ? ImgQueryInfo(result)->header->biWidth : 0;
}

int ImageDocument::ResultHeight() const {
    return result ? ImgQueryInfo(result)->header->biHeight : 0;
}

bool ImageDocument::Extract(int thickness, int contrast) {
    if (!result) return true;
    if (extracted) {
        DibHandle previous = resultPacked ? resultPacked : HistoryEntryOf(result);
        if (!previous) return false;
        resultPacked = nullptr;
        undoStack.Push(previous, resultThickness);
    }
    redoStack.Clear();
    ExtractEdges(source, result, thickness, contrast);
    resultThickness = thickness;
    extracted = true;
    return true;
}

void ImageDocument::RemoveNoise(int thickness) {
    if (!result) return;
    RemoveSpecks(result, thickness);
    ImgRelease(resultPacked);
    resultPacked = nullptr;
}

bool ImageDocument::Undo() {
    return Step(undoStack, redoStack);
}

bool ImageDocument::Redo() {
    return Step(redoStack, undoStack);
}

// Everything that can run out of memory happens before the stacks or the
// result change. A packed entry is unpacked into the result's own buffer
// when the result is packed, and is kept as the result's packed form: after
// the first step nothing is allocated or packed.
bool ImageDocument::Step(ImageStack& from, ImageStack& to) {
    if (from.Count() == 0) return true;
    DibHandle kept = resultPacked;
    if (!kept) {
        ImageError error = ImageError::None;
        kept = PackBlackAndWhite(result, &error);
        if (!kept && error == ImageError::OutOfMemory) return false;
    }
    DibHandle next = from.Newest();
    const int nextThickness = from.NewestTag();
    DibHandle nextPacked = nullptr;
    if (IsPacked(next)) {
        // Without a packed form the result goes to the history whole, so the
        // entry needs an image of its own.
        DibHandle target = kept ? result : ImgDuplicate(result);
        if (!target) return false;
        UnpackInto(next, target);
        nextPacked = next;
        next = target;
    }
    from.Pop();
    if (kept) {
        if (next != result) ImgRelease(result);
        to.Push(kept, resultThickness);
    } else {
        to.Push(result, resultThickness);
    }
    result = next;
    resultThickness = nextThickness;
    resultPacked = nextPacked;
    return true;
}
