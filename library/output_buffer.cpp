#include "output_buffer.h"

#include "velmora.h"

#include <algorithm>
#include <cstring>
#include <new>

bool OutputBuffer::Append(const uint8_t* bytes, size_t size) {
    if (size > capacity_ - size_) {
        // A single chunk, as a BMP comes, takes its exact size.
        const size_t capacity = size_ == 0 ? size : std::max(2 * capacity_, size_ + size);
        std::unique_ptr<uint8_t[]> grown(new (std::nothrow) uint8_t[capacity]);
        if (!grown) return false;
        if (size_ != 0) std::memcpy(grown.get(), bytes_.get(), size_);
        bytes_ = std::move(grown);
        capacity_ = capacity;
    }
    std::memcpy(bytes_.get() + size_, bytes, size);
    size_ += size;
    return true;
}

void velmora_free(void* output) {
    delete[] static_cast<uint8_t*>(output);
}
