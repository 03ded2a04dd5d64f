#include "base/output_sink.h"

#include <cerrno>
#include <new>

bool OutputSink::Write(const uint8_t* bytes, size_t size) {
    if (file_) return std::fwrite(bytes, 1, size, file_) == size;
    if (write_) return (*write_)(bytes, size);
    try {
        memory_->insert(memory_->end(), bytes, bytes + size);
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return false;
    }
    return true;
}
