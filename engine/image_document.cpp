#include "image_document.h"

#include "bit_packing.h"
#include "bmp_writer.h"
#include "edge_extraction.h"
#include "noise_removal.h"
#include "svg_writer.h"

#include <cerrno>
#include <new>

namespace {

// A history entry for image: packed when it is pure black and white, else a
// whole copy. Null when memory runs out.
DibHandle HistoryEntryOf(DibHandle image) {
    ImageError error = ImageError::None;
    DibHandle packed = PackBlackAndWhite(image, &error);
    if (packed || error == ImageError::OutOfMemory) return packed;
    return ImgDuplicate(image);
}

// Runs write(systemError), which saves result, unless there is none. Running
// out of memory on the way is a failure with *systemError ENOMEM.
template <typename Write>
bool Save(DibHandle result, int* systemError, Write write) {
    int ignored = 0;
    if (!systemError) systemError = &ignored;
    if (!result) {
        *systemError = EINVAL;
        return false;
    }
    try {
        return write(systemError);
    } catch (const std::bad_alloc&) {
        *systemError = ENOMEM;
        return false;
    }
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
    if (!ImgMake24(image)) {
        ImgRelease(image);
        *error = ImageError::Corrupt;
        return false;
    }
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
    return Save(result, systemError, [&](int* error) { return ImgWriteBmp(path, result, error); });
}

bool ImageDocument::SaveBmp(const char* path, const OutputColours& colours, int* systemError) {
    return Save(result, systemError, [&](int* error) { return ImgWriteBmp(path, result, colours, error); });
}

bool ImageDocument::SavePng(const char* path, const OutputColours& colours, int* systemError) {
    return Save(result, systemError, [&](int* error) { return WritePng(path, result, colours, error); });
}

bool ImageDocument::SaveSvg(const char* path, const OutputColours& colours, int* systemError) {
    return Save(result, systemError, [&](int* error) { return WriteSvg(path, result, resultThickness, colours, error); });
}

// Running out of memory, also as std::bad_alloc, fails like anything else.
bool ImageDocument::EncodeResultPng(const OutputColours& colours, std::vector<uint8_t>& png) const {
    bool encoded = false;
    try {
        encoded = result && EncodePng(result, colours, png);
    } catch (const std::bad_alloc&) {
        encoded = false;
    }
    if (!encoded) std::vector<uint8_t>().swap(png);
    return encoded;
}

int ImageDocument::ResultWidth() const {
    return result ? ImgQueryInfo(result)->header->biWidth : 0;
}

int ImageDocument::ResultHeight() const {
    return result ? ImgQueryInfo(result)->header->biHeight : 0;
}

// The marks for speck removal are had before anything changes, so that an
// extraction is never left without the speck removal asked for.
bool ImageDocument::Extract(int thickness, int contrast, bool removeNoise) {
    if (!result) return true;
    PixelBuffer marks;
    if (removeNoise) {
        marks = SpeckMarksFor(ResultWidth(), thickness);
        if (!marks) return false;
    }
    if (extracted) {
        DibHandle previous = resultPacked ? resultPacked : HistoryEntryOf(result);
        if (!previous) return false;
        resultPacked = nullptr;
        undoStack.Push(previous, resultThickness);
    }
    redoStack.Clear();
    ExtractEdges(source, result, thickness, contrast);
    if (removeNoise) RemoveSpecks(result, thickness, marks);
    resultThickness = thickness;
    extracted = true;
    return true;
}

bool ImageDocument::RemoveNoise(int thickness) {
    if (!result) return true;
    if (!RemoveSpecks(result, thickness)) return false;
    ImgRelease(resultPacked);
    resultPacked = nullptr;
    return true;
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
