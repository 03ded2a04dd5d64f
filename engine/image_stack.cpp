#include "image_stack.h"

ImageStack::ImageStack(int size) : capacity(size), slots(new DibHandle[size]()) {}

ImageStack::~ImageStack() {
    Clear();
}

void ImageStack::Push(DibHandle image) {
    if (count == capacity) DropOldest();
    slots[count++] = image;
}

void ImageStack::DropOldest() {
    ImgRelease(slots[0]);
    for (int i = 1; i < count; ++i) slots[i - 1] = slots[i];
    slots[--count] = nullptr;
}

DibHandle ImageStack::Pop() {
    const DibHandle newest = slots[--count];
    slots[count] = nullptr;
    return newest;
}

void ImageStack::Clear() {
    for (int i = 0; i < count; ++i) {
        ImgRelease(slots[i]);
        slots[i] = nullptr;
    }
    count = 0;
}
