// A bounded stack of images, the undo and redo history of a document. Images
// move in with Push and out with Pop without being copied. Each entry carries
// a small tag of the caller's beside its image.
#pragma once

#include "base/dib.h"

#include <memory>

class ImageStack {
public:
    explicit ImageStack(int capacity);
    virtual ~ImageStack() = default;
    ImageStack(const ImageStack&) = delete;
    ImageStack& operator=(const ImageStack&) = delete;

    // Stores image with tag as the newest entry, dropping the oldest entry
    // first when the stack is full.
    void Push(DibPtr image, int tag = 0);

    // Frees the oldest entry. Requires Count() >= 1.
    void DropOldest();

    // Removes the newest entry and returns it. Requires Count() >= 1.
    DibPtr Pop();

    // The newest entry, still owned by the stack. Requires Count() >= 1.
    DibHandle Newest() const { return slots[count - 1].get(); }

    // The tag of the newest entry. Requires Count() >= 1.
    int NewestTag() const { return tags[count - 1]; }

    // Frees every entry.
    void Clear();

    int Count() const { return count; }

private:
    int count = 0;
    int capacity;
    std::unique_ptr<DibPtr[]> slots;
    std::unique_ptr<int[]> tags;
};
