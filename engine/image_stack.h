// A bounded stack of images, the undo and redo history of a document. It
// owns what it holds: Push takes over the caller's image, Pop hands the newest
// entry back to the caller, so images move in and out without being copied.
// Each entry carries a small tag of the caller's beside its image.
#pragma once

#include "dib.h"

#include <memory>

class ImageStack {
public:
    explicit ImageStack(int capacity);
    virtual ~ImageStack();
    ImageStack(const ImageStack&) = delete;
    ImageStack& operator=(const ImageStack&) = delete;

    // Stores image, which the stack now owns, with tag as the newest entry,
    // dropping the oldest entry first when the stack is full.
    void Push(DibHandle image, int tag = 0);

    // Frees the oldest entry. Requires Count() >= 1.
    void DropOldest();

    // Removes the newest entry and returns it; the caller owns it from then
    // on. Requires Count() >= 1.
    DibHandle Pop();

    // The newest entry, still owned by the stack. Requires Count() >= 1.
    DibHandle Newest() const { return slots[count - 1]; }

    // The tag of the newest entry. Requires Count() >= 1.
    int NewestTag() const { return tags[count - 1]; }

    // Frees every entry.
    void Clear();

    int Count() const { return count; }

private:
    int count = 0;
    int capacity;
    std::unique_ptr<DibHandle[]> slots;
    std::unique_ptr<int[]> tags;
};
