#include "image_stack.h"

ImageStack::ImageStack(int size) : capacity(size), slots(new DibHandle[size]()), tags(new int[size]()) {}

ImageStack::~ImageStack() {
    Clear();
}

void ImageStack::Push(DibHandle image, int tag) {
    if (count == capacity) DropOldest();
    tags[count] = tag;
    slots[count++] = image;
}

void ImageStack::DropOldest() {
    ImgRelease(slots[0]);
    for (int i = 1; i < count; ++i) {
        slots[i - 1] = slots[i];
        tags[i - 1] = tags[i];
    }
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
