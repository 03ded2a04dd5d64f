// A bounded stack of image copies, the undo and redo history of a document.
// It owns what it holds: Push stores a copy of the caller's image, PopInto
// hands out a copy of the newest entry and frees the entry itself.
#pragma once

#include "image.h"

#include <memory>

class ImageStack {
public:
    explicit ImageStack(int capacity);
    virtual ~ImageStack();
    ImageStack(const ImageStack&) = delete;
    ImageStack& operator=(const ImageStack&) = delete;

    // Stores a copy of image as the newest entry, dropping the oldest entry
    // first when the stack is full. The caller keeps its own handle. When
    // the copy cannot be made, nothing is stored and false is returned.
    bool Push(DibHandle image);

    // Frees the oldest entry. Requires Count() >= 1.
    void DropOldest();

    // Overwrites target (without freeing it) with a copy of the newest entry,
    // then frees that entry. Requires Count() >= 1. When the copy cannot be
    // made, nothing changes and false is returned.
    bool PopInto(DibHandle& target);

    // Frees every entry.
    void Clear();

    int Count() const { return count; }

private:
    int count = 0;
    int capacity;
    std::unique_ptr<DibHandle[]> slots;
};
