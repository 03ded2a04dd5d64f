// The image document: owns the loaded image (source), the working image that
// extraction writes and that is shown, copied and saved (result), whether an
// extraction has run on the current image, and ten steps of undo and redo.
// result is null exactly when source is null, and both have the same size.
#pragma once

#include "image.h"
#include "image_stack.h"

#ifdef _WIN32
#include <windows.h>
#endif

class ImageDocument {
public:
    // Selectors for Draw.
    const int DrawSource = 0;          // the source, scaled into the rectangle
    const int DrawResult = 1;          // the result, unscaled when the rectangle has its size
    const int DrawResultUnscaled = 2;  // the result, unscaled

    ImageDocument();
    virtual ~ImageDocument();
    ImageDocument(const ImageDocument&) = delete;
    ImageDocument& operator=(const ImageDocument&) = delete;

    // Replaces the images with the file's picture in the working layout and
    // empties the history. When the file cannot be read the document stays
    // exactly as it was and false is returned; *error (if given) says why.
    bool LoadFile(const char* path, ImageError* error = nullptr);

    // Writes the result as a BMP file; false when it could not be written (an
    // existing file at path is then left as it was) or there is no result.
    bool SaveBmp(const char* path, int* systemError = nullptr);

    // The result's record for reading its pixels; null without an image.
    const DibInfo* ResultInfo() const { return result ? ImgQueryInfo(result) : nullptr; }

    int ResultWidth() const;
    int ResultHeight() const;
    bool HasSource() const { return source != nullptr; }
    bool IsExtracted() const { return extracted; }

    // Runs edge extraction from source into result. From the second
    // extraction of an image on, the previous result becomes an undo step;
    // the redo history is emptied. Does nothing without an image.
    void Extract(int thickness, int contrast);

    // Removes specks from the result; records no history.
    void RemoveNoise(int thickness);

    void Undo();
    void Redo();
    bool CanUndo() const { return undoStack.Count() != 0; }
    bool CanRedo() const { return redoStack.Count() != 0; }

#ifdef _WIN32
    // Takes the rectangle of the device context's pixels as the new image, as
    // LoadFile does with a file; false (document unchanged) on failure.
    bool LoadFromDC(HDC hdc, int x, int y, int width, int height);

    // Draws the image that selector names; nothing without an image or for
    // an unknown selector.
    void Draw(HDC hdc, int x, int y, int width, int height, int sourceX, int sourceY, int selector) const;
#endif

private:
    // Makes image the new source, with a copy as result and no history;
    // false (image freed, document unchanged) when memory runs out.
    bool TakeNewImage(DibHandle image);

    ImageStack undoStack{10};
    ImageStack redoStack{10};
    bool extracted = false;
    DibHandle source = nullptr;
    DibHandle result = nullptr;
};
