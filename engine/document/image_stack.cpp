#include "document/image_stack.h"

#include <utility>

ImageStack::ImageStack(int size) : capacity(size), slots(new DibPtr[size]), tags(new int[size]()) {}

void ImageStack::Push(DibPtr image, int tag) {
    if (count == capacity) DropOldest();
    tags[count] = tag;
    slots[count++] = std::move(image);
}

void ImageStack::DropOldest() {
    slots[0].reset();
    for (int i = 1; i < count; ++i) {
        slots[i - 1] = std::move(slots[i]);
        tags[i - 1] = tags[i];
    }
    --count;
}

DibPtr ImageStack::Pop() {
    return std::move(slots[--count]);
}

void ImageStack::Clear() {
    for (int i = 0; i < count; ++i) slots[i].reset();
    count = 0;
}
