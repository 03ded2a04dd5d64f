// Conversions of picture files: from memory, through callbacks and between
// files, each through the engine's line conversion.
#include "errors.h"
#include "options.h"
#include "output_buffer.h"
#include "velmora.h"

#include <cerrno>
#include <new>
#include <vector>

namespace {

int Checked(const velmora_options* options) {
    return options ? CheckOptions(*options, true) : VELMORA_ERROR_NULL_ARGUMENT;
}

// Runs convert(settings, error) for checked options; running out of memory
// anywhere on the way, also as std::bad_alloc, is reported as such.
template <typename Convert>
int Converted(const velmora_options& options, bool toFile, Convert convert) {
    try {
        ConversionError error;
        errno = 0;
        return convert(SettingsOf(options), &error) ? VELMORA_OK : ErrorOf(error, toFile);
    } catch (const std::bad_alloc&) {
        return VELMORA_ERROR_OUT_OF_MEMORY;
    }
}

// The input of a stream, read to its end, refused beyond the largest
// picture file.
int ReadAll(velmora_read_function read, void* user, std::vector<uint8_t>& bytes) {
    uint8_t chunk[1 << 16];
    for (;;) {
        const size_t got = read(user, chunk, sizeof chunk);
        if (got == size_t(-1) || got > sizeof chunk) return VELMORA_ERROR_READ_CALLBACK;
        if (got == 0) return VELMORA_OK;
        if (bytes.size() + got > size_t(MaxPixelDataSize)) return VELMORA_ERROR_TOO_LARGE;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

}  // namespace

int velmora_convert(const void* data, size_t size, const velmora_options* options, void** output,
                    size_t* output_size) {
    if (!output || !output_size) return VELMORA_ERROR_NULL_ARGUMENT;
    *output = nullptr;
    *output_size = 0;
    if (!data) return VELMORA_ERROR_NULL_ARGUMENT;
    if (const int bad = Checked(options)) return bad;
    OutputBuffer buffer;
    const int result = Converted(*options, false, [&](const LineSettings& settings, ConversionError* error) {
        const auto append = [&](const uint8_t* bytes, size_t length) {
            if (buffer.Append(bytes, length)) return true;
            errno = ENOMEM;
            return false;
        };
        return ConvertToWriter(static_cast<const uint8_t*>(data), size, settings, append, error);
    });
    if (result == VELMORA_OK) {
        *output_size = buffer.Size();
        *output = buffer.Release();
    }
    return result;
}

int velmora_convert_stream(velmora_read_function read, void* read_user, velmora_write_function write,
                           void* write_user, const velmora_options* options) {
    if (!read || !write) return VELMORA_ERROR_NULL_ARGUMENT;
    if (const int bad = Checked(options)) return bad;
    std::vector<uint8_t> input;
    try {
        if (const int failure = ReadAll(read, read_user, input)) return failure;
    } catch (const std::bad_alloc&) {
        return VELMORA_ERROR_OUT_OF_MEMORY;
    }
    bool refused = false;
    const int result = Converted(*options, false, [&](const LineSettings& settings, ConversionError* error) {
        const auto hand = [&](const uint8_t* bytes, size_t length) {
            refused = write(write_user, bytes, length) != 0;
            if (refused) errno = EIO;
            return !refused;
        };
        return ConvertToWriter(input.data(), input.size(), settings, hand, error);
    });
    return refused ? VELMORA_ERROR_WRITE_CALLBACK : result;
}

int velmora_convert_file(const char* input, const char* output, const velmora_options* options) {
    if (!input || !output) return VELMORA_ERROR_NULL_ARGUMENT;
    if (const int bad = Checked(options)) return bad;
    return Converted(*options, true, [&](const LineSettings& settings, ConversionError* error) {
        return ConvertFileToFile(input, settings, output, error);
    });
}

const char* velmora_version(void) {
    return VELMORA_VERSION;
}
