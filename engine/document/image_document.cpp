#include "document/image_document.h"

#include "kernels/bit_packing.h"
#include "kernels/edge_extraction.h"
#include "kernels/ink_extraction.h"
#include "kernels/noise_removal.h"
#include "kernels/photo_lines.h"

#include <utility>

namespace {

// A history entry for image: packed when it is pure black and white, else a
// whole copy. Null when memory runs out.
DibHandle HistoryEntryOf(DibHandle image) {
    ImageError error = ImageError::None;
    DibHandle packed = PackBlackAndWhite(image, &error);
    if (packed || error == ImageError::OutOfMemory) return packed;
    return ImgDuplicate(image);
}

// A history entry's tag: the thickness and style of the extraction that
// made it, which come back with the entry (any thickness but 0 is thick):
// the thickness in bit 0, the style above it, so that any number of styles
// fits.
int HistoryTag(int thickness, LineStyle style) {
    return int(style) << 1 | (thickness != 0 ? 1 : 0);
}

}  // namespace

ImageDocument::ImageDocument() = default;

ImageDocument::~ImageDocument() = default;

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
    if (TakeImage(DibPtr(load(error)), error)) return true;
    if (*error != ImageError::OutOfMemory || (!CanUndo() && !CanRedo())) return false;
    ClearHistory();
    return TakeImage(DibPtr(load(error)), error);
}

bool ImageDocument::TakeImage(DibPtr image, ImageError* error) {
    if (!image) return false;
    if (!ImgMake24(image.get())) {
        *error = ImageError::Corrupt;
        return false;
    }
    DibPtr copy(ImgDuplicate(image.get()));
    if (!copy) {
        *error = ImageError::OutOfMemory;
        return false;
    }
    source = std::move(image);
    result = std::move(copy);
    resultThickness = 0;
    resultStyle = LineStyle::Edges;
    extracted = false;
    ClearHistory();
    return true;
}

void ImageDocument::ClearHistory() {
    undoStack.Clear();
    redoStack.Clear();
    resultPacked.reset();
}

bool ImageDocument::Save(const char* path, LineFormat format, const OutputColours& colours, Failure* failure) {
    return SaveImage(path, result.get(), format, colours, {resultThickness, resultStyle}, failure);
}

bool ImageDocument::Encode(LineFormat format, const OutputColours& colours, std::vector<uint8_t>& bytes) const {
    return EncodeImage(result.get(), format, colours, {resultThickness, resultStyle}, bytes);
}

int ImageDocument::ResultWidth() const {
    return result ? ImgQueryInfo(result.get())->header->biWidth : 0;
}

int ImageDocument::ResultHeight() const {
    return result ? ImgQueryInfo(result.get())->header->biHeight : 0;
}

// The marks for speck removal are had before anything changes, so that an
// extraction is never left without the speck removal asked for; ink and
// photo lines, which can run out of memory, are extracted before the history
// changes.
bool ImageDocument::Extract(int thickness, int contrast, bool removeNoise, LineStyle style) {
    if (!result) return true;
    PixelBuffer marks;
    if (removeNoise) {
        marks = SpeckMarksFor(ResultWidth(), thickness);
        if (!marks) return false;
    }
    // Without the packed form taken here the result is only packed anew
    // when needed, should ink fail.
    DibPtr previous;
    if (extracted) {
        previous = resultPacked ? std::move(resultPacked) : DibPtr(HistoryEntryOf(result.get()));
        if (!previous) return false;
    }
    switch (style) {
    case LineStyle::Edges:
        ExtractEdges(source.get(), result.get(), thickness, contrast);
        break;
    case LineStyle::Ink:
        if (!ExtractInk(source.get(), result.get(), thickness, contrast)) return false;
        break;
    case LineStyle::Photo:
        if (!ExtractPhoto(source.get(), result.get(), thickness, contrast)) return false;
        break;
    }
    if (previous) undoStack.Push(std::move(previous), HistoryTag(resultThickness, resultStyle));
    redoStack.Clear();
    if (removeNoise) RemoveSpecks(result.get(), thickness, marks);
    resultThickness = thickness;
    resultStyle = style;
    extracted = true;
    return true;
}

bool ImageDocument::RemoveNoise(int thickness) {
    if (!result) return true;
    if (!RemoveSpecks(result.get(), thickness)) return false;
    resultPacked.reset();
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
    // Taking the packed form is safe: every failure below happens only
    // without one.
    DibPtr kept = std::move(resultPacked);
    if (!kept) {
        ImageError error = ImageError::None;
        kept.reset(PackBlackAndWhite(result.get(), &error));
        if (!kept && error == ImageError::OutOfMemory) return false;
    }
    const DibHandle entry = from.Newest();
    const int nextTag = from.NewestTag();
    const bool entryPacked = IsPacked(entry);
    DibPtr next;
    if (entryPacked) {
        // Without a packed form the result goes to the history whole, so the
        // entry needs an image of its own.
        next = kept ? std::move(result) : DibPtr(ImgDuplicate(result.get()));
        if (!next) return false;
        UnpackInto(entry, next.get());
    }
    DibPtr popped = from.Pop();
    if (entryPacked) {
        resultPacked = std::move(popped);
    } else {
        next = std::move(popped);
    }
    to.Push(kept ? std::move(kept) : std::move(result), HistoryTag(resultThickness, resultStyle));
    result = std::move(next);
    resultThickness = nextTag & 1;
    resultStyle = LineStyle(nextTag >> 1);
    return true;
}
