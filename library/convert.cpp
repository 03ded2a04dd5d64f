// Conversions of picture files: from memory, through callbacks and between
// files, each through the engine's line conversion. The detailed doors also
// tell where a conversion failed (velmora_failure): the input's failure from
// the output's, and the system's reason from none; the plain doors are
// theirs without it.
#include "base/file_io.h"
#include "errors.h"
#include "options.h"
#include "output_buffer.h"
#include "pipeline/image.h"
#include "velmora.h"

#include <cerrno>
#include <new>
#include <vector>

namespace {

// What the engine's error, numbered result at the door, tells a caller.
velmora_failure FailureOf(const Failure& engine, int result) {
    velmora_failure failure{};
    failure.input = engine.image != ImageError::None;
    if (result == VELMORA_ERROR_CANNOT_OPEN || result == VELMORA_ERROR_CANNOT_WRITE) {
        failure.system_error = engine.system;
    }
    return failure;
}

// Checks the options, then runs convert(settings, error) and tells its
// failure in *failure (if given). Memory that runs out outside the engine,
// as std::bad_alloc, is the conversion's own. A success leaves errno as the
// caller had it.
template <typename Convert>
int Detailed(const velmora_options* options, bool toFile, velmora_failure* failure, Convert convert) {
    const int callersErrno = errno;
    velmora_failure told{};
    int result = options ? CheckOptions(*options, true) : VELMORA_ERROR_NULL_ARGUMENT;
    if (result == VELMORA_OK) {
        try {
            Failure error;
            errno = 0;
            if (!convert(SettingsOf(*options), &error)) {
                result = ErrorOf(error, toFile);
                told = FailureOf(error, result);
            }
        } catch (const std::bad_alloc&) {
            result = VELMORA_ERROR_OUT_OF_MEMORY;
        }
    }
    if (failure) *failure = told;
    if (result == VELMORA_OK) errno = callersErrno;
    return result;
}

// One call of read for at most size bytes: how many it gave, size_t(-1)
// for a failure or a claim of more than was asked.
size_t ReadSome(velmora_read_function read, void* user, uint8_t* buffer, size_t size) {
    const size_t got = read(user, buffer, size);
    return got > size ? size_t(-1) : got;
}

// Whether input and output name one existing file, by any names: writing
// the output would destroy the input. Running out of memory is
// VELMORA_ERROR_OUT_OF_MEMORY.
int SameFile(const char* input, const char* output) {
    try {
        FileIdentity read, written;
        if (IdentifyFile(input, &read) && IdentifyFile(output, &written) && read == written) {
            return VELMORA_ERROR_SAME_FILE;
        }
    } catch (const std::bad_alloc&) {
        return VELMORA_ERROR_OUT_OF_MEMORY;
    }
    return VELMORA_OK;
}

// Reads the input of a stream to its end, refused beyond the largest
// picture file. Its first bytes are asked for alone and refused when they
// start no picture, as a file's are, so that a stream of anything else ends
// at once rather than after 2 GiB. VELMORA_OK, VELMORA_ERROR_READ_CALLBACK,
// _NOT_AN_IMAGE or _TOO_LARGE.
int ReadAll(velmora_read_function read, void* user, std::vector<uint8_t>& bytes) {
    uint8_t start[FileStartSize];
    size_t started = 0;
    bool ended = false;
    while (!ended && started < sizeof start) {
        const size_t got = ReadSome(read, user, start + started, sizeof start - started);
        if (got == size_t(-1)) return VELMORA_ERROR_READ_CALLBACK;
        started += got;
        ended = got == 0;
    }
    if (!StartsLikeAnImage(start, started)) return VELMORA_ERROR_NOT_AN_IMAGE;
    bytes.assign(start, start + started);
    uint8_t chunk[1 << 16];
    while (!ended) {
        const size_t got = ReadSome(read, user, chunk, sizeof chunk);
        if (got == size_t(-1)) return VELMORA_ERROR_READ_CALLBACK;
        if (bytes.size() + got > size_t(MaxPixelDataSize)) return VELMORA_ERROR_TOO_LARGE;
        bytes.insert(bytes.end(), chunk, chunk + got);
        ended = got == 0;
    }
    return VELMORA_OK;
}

}  // namespace

int velmora_convert_file_detailed(const char* input, const char* output, velmora_write_function write,
                                  void* write_user, const velmora_options* options, velmora_failure* failure) {
    if (failure) *failure = {};
    if (!input || (!output && !write)) return VELMORA_ERROR_NULL_ARGUMENT;
    if (output) {
        // Contents that contradict the name would be a PNG called .bmp, or
        // a file no program opens as what it says it is.
        if (options && CheckOptions(*options, true) == VELMORA_OK &&
            velmora_format_of_name(output, options->format) < 0) {
            return VELMORA_ERROR_OUTPUT_NAME;
        }
        const int callersErrno = errno;
        if (const int same = SameFile(input, output)) return same;
        errno = callersErrno;
        return Detailed(options, true, failure, [&](const LineSettings& settings, Failure* error) {
            return ConvertFileToFile(input, settings, output, error);
        });
    }
    bool refused = false;
    const int result = Detailed(options, false, failure, [&](const LineSettings& settings, Failure* error) {
        std::vector<uint8_t> bytes;
        if (!ConvertFileToMemory(input, settings, bytes, error)) return false;
        refused = write(write_user, bytes.data(), bytes.size()) != 0;
        return !refused;
    });
    return refused ? VELMORA_ERROR_WRITE_CALLBACK : result;
}

int velmora_convert_stream_detailed(velmora_read_function read, void* read_user, velmora_write_function write,
                                    void* write_user, const velmora_options* options, velmora_failure* failure) {
    if (failure) *failure = {};
    if (!read || !write) return VELMORA_ERROR_NULL_ARGUMENT;
    int unread = VELMORA_OK;
    bool refused = false;
    const int result = Detailed(options, false, failure, [&](const LineSettings& settings, Failure* error) {
        std::vector<uint8_t> input;
        unread = ReadAll(read, read_user, input);
        if (unread != VELMORA_OK) return false;
        const auto hand = [&](const uint8_t* bytes, size_t length) {
            refused = write(write_user, bytes, length) != 0;
            if (refused) errno = EIO;
            return !refused;
        };
        return ConvertToWriter(input.data(), input.size(), settings, hand, error);
    });
    if (unread != VELMORA_OK && failure) failure->input = 1;
    return unread != VELMORA_OK ? unread : refused ? VELMORA_ERROR_WRITE_CALLBACK : result;
}

int velmora_convert(const void* data, size_t size, const velmora_options* options, void** output,
                    size_t* output_size) {
    if (!output || !output_size) return VELMORA_ERROR_NULL_ARGUMENT;
    *output = nullptr;
    *output_size = 0;
    if (!data) return VELMORA_ERROR_NULL_ARGUMENT;
    OutputBuffer buffer;
    const int result = Detailed(options, false, nullptr, [&](const LineSettings& settings, Failure* error) {
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
    return velmora_convert_stream_detailed(read, read_user, write, write_user, options, nullptr);
}

int velmora_convert_file(const char* input, const char* output, const velmora_options* options) {
    return velmora_convert_file_detailed(input, output, nullptr, nullptr, options, nullptr);
}

const char* velmora_version(void) {
    return VELMORA_VERSION;
}
