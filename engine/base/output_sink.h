// Where the bytes of an output file go: a file, memory, or a function that
// takes them in order. Every row output and writer writes through one, so
// that the same code makes a file, its bytes in memory and a stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

// Takes the next bytes of the output file; false stops the output, with
// errno saying why.
using OutputWriter = std::function<bool(const uint8_t* bytes, size_t size)>;

class OutputSink {
public:
    explicit OutputSink(std::FILE* file) : file_(file) {}
    explicit OutputSink(std::vector<uint8_t>& memory) : memory_(&memory) {}
    explicit OutputSink(const OutputWriter& write) : write_(&write) {}

    // Appends size bytes; false, with errno set (ENOMEM for memory), when
    // they could not be taken.
    bool Write(const uint8_t* bytes, size_t size);

    // The file, for an output that writes at other places than its end;
    // null for memory or a writer.
    std::FILE* File() const { return file_; }

    // The memory, for an output that fills it in place; null otherwise.
    std::vector<uint8_t>* Memory() const { return memory_; }

private:
    std::FILE* file_ = nullptr;
    std::vector<uint8_t>* memory_ = nullptr;
    const OutputWriter* write_ = nullptr;
};
