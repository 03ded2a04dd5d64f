#include "convert.h"

#include "base/file_io.h"
#include "folders.h"
#include "paths.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char* const StandardStream = "-";

velmora_options LibraryOptions(const ConvertOptions& options) {
    velmora_options chosen;
    velmora_options_init(&chosen);
    chosen.thickness = options.thickness;
    chosen.contrast = options.contrast;
    chosen.noise = options.noise ? 1 : 0;
    chosen.style = options.style;
    chosen.format = options.format;
    chosen.line_colour = options.lineColour;
    chosen.background_colour = options.backgroundColour;
    chosen.transparent = options.transparent ? 1 : 0;
    chosen.decode_ahead = options.decodeAhead ? 1 : 0;
    return chosen;
}

// What the converter says of an input it cannot read: its own words, kept
// as they were when it called the engine itself.
const char* ReadingProblem(int error) {
    switch (error) {
    case VELMORA_ERROR_CANNOT_OPEN:
    case VELMORA_ERROR_READ_CALLBACK: return "cannot open the file";
    case VELMORA_ERROR_NOT_AN_IMAGE: return "not a BMP, JPEG or PNG image";
    case VELMORA_ERROR_DAMAGED: return "the image data is damaged or incomplete";
    case VELMORA_ERROR_TOO_LARGE: return "the image is too large";
    case VELMORA_ERROR_OUT_OF_MEMORY: return "out of memory";
    case VELMORA_ERROR_TOO_MANY_SCANS: return "the progressive JPEG has too many scans";
    }
    return velmora_strerror(error);
}

// Picture files are bytes, whatever the platform's text conventions.
void UseBinary([[maybe_unused]] std::FILE* stream) {
#ifdef _WIN32
    _setmode(_fileno(stream), _O_BINARY);
#endif
}

// Keeps the system's reason for a failed read (a folder given as standard
// input: EISDIR) in the int at user.
size_t ReadStandardInput(void* user, void* buffer, size_t size) {
    errno = 0;
    const size_t read = std::fread(buffer, 1, size, stdin);
    if (read != 0 || !std::ferror(stdin)) return read;
    *static_cast<int*>(user) = errno != 0 ? errno : EIO;
    return size_t(-1);
}

// Gathers the output file in a std::vector<uint8_t>; fails only for want
// of memory.
int Gather(void* user, const void* bytes, size_t size) {
    auto& file = *static_cast<std::vector<uint8_t>*>(user);
    try {
        file.insert(file.end(), static_cast<const uint8_t*>(bytes), static_cast<const uint8_t*>(bytes) + size);
    } catch (const std::bad_alloc&) {
        return 1;
    }
    return 0;
}

// Standard output gets the whole file at once, so that a picture found
// damaged halfway leaves nothing there either.
std::string WriteStandardOutput(const std::vector<uint8_t>& file) {
    UseBinary(stdout);
    errno = 0;
    if (std::fwrite(file.data(), 1, file.size(), stdout) == file.size() && std::fflush(stdout) == 0) return {};
    return std::string(StandardStream) + ": cannot write: " + std::strerror(errno != 0 ? errno : EIO);
}

std::string WriteFile(const std::string& output, const std::vector<uint8_t>& file) {
    int systemError = 0;
    const auto write = [&](std::FILE* stream) { return std::fwrite(file.data(), 1, file.size(), stream) == file.size(); };
    if (WriteFileAtomically(output.c_str(), write, &systemError)) return {};
    return output + ": cannot write: " + std::strerror(systemError);
}

// The line for a conversion that failed with error.
std::string Problem(const std::string& input, const std::string& output, int error, const velmora_failure& failure) {
    if (failure.input) {
        const std::string problem = input + ": cannot read: " + ReadingProblem(error);
        return failure.system_error != 0 ? problem + ": " + std::strerror(failure.system_error) : problem;
    }
    if (error == VELMORA_ERROR_CANNOT_WRITE) return output + ": cannot write: " + std::strerror(failure.system_error);
    // The conversion's own memory, or that of the file gathered for standard
    // output.
    if (error == VELMORA_ERROR_OUT_OF_MEMORY || error == VELMORA_ERROR_WRITE_CALLBACK) return input + ": out of memory";
    return input + ": " + velmora_strerror(error);
}

std::string Convert(const std::string& input, const std::string& output, const ConvertOptions& options) {
    const velmora_options chosen = LibraryOptions(options);
    velmora_failure failure{};
    std::vector<uint8_t> file;
    int error = VELMORA_OK;
    if (input == StandardStream) {
        UseBinary(stdin);
        int readError = 0;
        error = velmora_convert_stream_detailed(ReadStandardInput, &readError, Gather, &file, &chosen, &failure);
        if (error == VELMORA_OK) return output == StandardStream ? WriteStandardOutput(file) : WriteFile(output, file);
        if (error == VELMORA_ERROR_READ_CALLBACK) failure.system_error = readError;
    } else if (output == StandardStream) {
        error = velmora_convert_file_detailed(input.c_str(), nullptr, Gather, &file, &chosen, &failure);
        if (error == VELMORA_OK) return WriteStandardOutput(file);
    } else {
        error = velmora_convert_file_detailed(input.c_str(), output.c_str(), nullptr, nullptr, &chosen, &failure);
        if (error == VELMORA_OK) return {};
    }
    // Opening a folder fails for reasons of the system's own (none on Linux,
    // "Permission denied" on Windows); what is wrong is that it is one.
    if (error == VELMORA_ERROR_CANNOT_OPEN && IsFolder(input)) failure.system_error = EISDIR;
    return Problem(input, output, error, failure);
}

}  // namespace

// The library reports memory it could not have; this catches what the
// strings and containers on the way could not.
std::string ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& options) {
    try {
        return Convert(input, output, options);
    } catch (const std::bad_alloc&) {
        return input + ": out of memory";
    }
}

std::string RunJob(const Job& job, const ConvertOptions& options) {
    if (!job.problem.empty()) return job.problem;
    int systemError = 0;
    if (!job.folder.empty() && !CreateFolders(job.folder, &systemError)) {
        return job.folder + ": cannot create folder: " + std::strerror(systemError);
    }
    return ConvertFile(job.input, job.output, options);
}
