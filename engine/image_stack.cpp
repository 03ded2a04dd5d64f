#include "image_stack.h"

ImageStack::ImageStack(int size) : capacity(size), slots(new DibHandle[size]()) {}

ImageStack::~ImageStack() {
    Clear();
}

bool ImageStack::Push(DibHandle image) {
    DibHandle copy = ImgDuplicate(image);
    if (!copy) return false;
    if (count == capacity) DropOldest();
    slots[count++] = copy;
    return true;
}

void ImageStack::DropOldest() {
    ImgRelease(slots[0]);
    for (int i = 1; i < count; ++i) slots[i - 1] = slots[i];
    slots[--count] = nullptr;
}

bool ImageStack::PopInto(DibHandle& target) {
    DibHandle copy = ImgDuplicate(slots[count - 1]);
    if (!copy) return false;
    target = copy;
    ImgRelease(slots[count - 1]);
    slots[--count] = nullptr;
    return true;
}

void ImageStack::Clear() {
    for (int i = 0; i < count; ++i) {
        ImgRelease(slots[i]);
        slots[i] = nullptr;
    }
    count = 0;
}
