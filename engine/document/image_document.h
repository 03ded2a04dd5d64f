// The image document: owns the loaded image (source), the working image that
// extraction writes and that is shown, copied and saved (result), whether an
// extraction has run on the current image, and ten steps of undo and redo.
// result is null exactly when source is null, and both have the same size.
// History entries that are pure black and white, as every extraction result
// is, are kept at one bit per pixel. Each entry keeps the line style and
// thickness of the extraction that made it, for its traced strokes.
//
// When memory runs out, each operation either completes or changes nothing
// and says so; no history entry is ever lost silently.
#pragma once

#include "base/line_choices.h"
#include "document/image_stack.h"
#include "pipeline/image.h"
#include "pipeline/output_formats.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class ImageDocument {
public:
    ImageDocument();
    virtual ~ImageDocument();
    ImageDocument(const ImageDocument&) = delete;
    ImageDocument& operator=(const ImageDocument&) = delete;

    // Replaces the images with the file's picture in the working layout and
    // empties the history. When the file cannot be read the document stays
    // exactly as it was and false is returned; *error (if given) says why.
    // When memory runs out, the history is emptied and the file read once
    // more; if that fails too, the images stay but the history is gone.
    bool LoadFile(const char* path, ImageError* error = nullptr);

    // The same with the size bytes of a PNG, BMP or JPEG file at data, which
    // are only read during the call: the same picture as LoadFile of a file
    // holding those bytes (transparent pixels laid over white).
    bool LoadMemory(const uint8_t* data, size_t size, ImageError* error = nullptr);

    // Writes the result as a file of the format in the colours (see
    // output_formats.h), an SVG traced with strokes as wide as the lines of
    // the extraction that made it. False when it could not be written (an
    // existing file at path is then left as it was) or there is no result;
    // failure->system then says why, ENOMEM when memory ran out.
    bool Save(const char* path, LineFormat format, const OutputColours& colours = {}, Failure* failure = nullptr);

    // The bytes of the file Save would write; false, with bytes empty,
    // without a result or when memory runs out.
    bool Encode(LineFormat format, const OutputColours& colours, std::vector<uint8_t>& bytes) const;

    // The result's record for reading its pixels; null without an image.
    // The history assumes they change only through Extract and RemoveNoise.
    const DibInfo* ResultInfo() const { return result ? ImgQueryInfo(result.get()) : nullptr; }

    int ResultWidth() const;
    int ResultHeight() const;
    bool HasSource() const { return source != nullptr; }
    bool IsExtracted() const { return extracted; }

    // Runs extraction of the style (edges or ink) from source into result,
    // then, with removeNoise, removes specks from it. From the second
    // extraction of an image on, the previous result becomes an undo step;
    // the redo history is emptied. Does nothing without an image. False only
    // when memory for the undo step, for ink or for speck removal ran out:
    // then nothing has changed.
    bool Extract(int thickness, int contrast, bool removeNoise = false, LineStyle style = LineStyle::Edges);

    // The style and thickness of the extraction that made the result (edges
    // and 0 before one), which undo and redo bring back with it.
    LineStyle ResultStyle() const { return resultStyle; }
    int ResultThickness() const { return resultThickness; }

    // Removes specks from the result; records no history. False when memory
    // for it ran out: then the result is as it was.
    bool RemoveNoise(int thickness);

    // Move one step back or forth in the history. False only when memory ran
    // out: then nothing has changed. Without a step they do nothing.
    bool Undo();
    bool Redo();
    bool CanUndo() const { return undoStack.Count() != 0; }
    bool CanRedo() const { return redoStack.Count() != 0; }

private:
    // Capture and drawing on Windows (image_document_gdi.h).
    friend struct DocumentGdi;

    // Makes the image that load returns the new source, as LoadFile
    // describes; load reports why it returned null in its argument.
    bool TakeNewImage(const std::function<DibHandle(ImageError*)>& load, ImageError* error);

    // Makes image the new source, with a copy as result and no history.
    // False (image freed, document unchanged) for a null image, or when
    // memory runs out, with *error then OutOfMemory.
    bool TakeImage(DibPtr image, ImageError* error);

    // Frees both stacks and the result's packed form.
    void ClearHistory();

    // Makes the newest entry of from the result and keeps the result as the
    // newest entry of to.
    bool Step(ImageStack& from, ImageStack& to);

    ImageStack undoStack{10};
    ImageStack redoStack{10};
    bool extracted = false;
    DibPtr source;
    DibPtr result;
    // The thickness and style of the extraction that made result.
    int resultThickness = 0;
    LineStyle resultStyle = LineStyle::Edges;
    // The packed form of result while result has not changed since it was
    // packed or unpacked, so that stepping through the history packs nothing
    // again; null otherwise.
    DibPtr resultPacked;
};
