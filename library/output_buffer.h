// The memory velmora_convert hands its caller, filled as the engine writes:
// grown by doubling, released with velmora_free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class OutputBuffer {
public:
    // Appends size bytes; false when memory runs out (the bytes held stay).
    bool Append(const uint8_t* bytes, size_t size);

    // Gives up the bytes to the caller, who releases them with velmora_free.
    uint8_t* Release() { return bytes_.release(); }
    size_t Size() const { return size_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    size_t size_ = 0;
    size_t capacity_ = 0;
};
