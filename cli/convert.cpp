#include "convert.h"

#include "dib.h"
#include "line_conversion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

const char* const StandardStream = "-";

LineFormat LineFormatOf(OutputFormat format) {
    switch (format) {
    case OutputFormat::Png: return LineFormat::Png;
    case OutputFormat::Svg: return LineFormat::Svg;
    case OutputFormat::Bmp: break;
    }
    return LineFormat::Bmp;
}

// Picture files are bytes, whatever the platform's text conventions.
void UseBinary([[maybe_unused]] std::FILE* stream) {
#ifdef _WIN32
    _setmode(_fileno(stream), _O_BINARY);
#endif
}

// Standard input read to its end, refused as ReadImageFile refuses a file.
ImageError ReadStandardInput(std::vector<uint8_t>& bytes) {
    UseBinary(stdin);
    uint8_t buffer[1 << 16];
    for (size_t read; (read = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) {
        if (bytes.size() + read > size_t(MaxPixelDataSize)) return ImageError::TooLarge;
        bytes.insert(bytes.end(), buffer, buffer + read);
    }
    return std::ferror(stdin) ? ImageError::CannotOpen : ImageError::None;
}

// Standard output gets the whole file at once, so that a picture found
// damaged halfway leaves nothing there either.
bool WriteStandardOutput(const std::vector<uint8_t>& bytes) {
    UseBinary(stdout);
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0) return true;
    if (errno == 0) errno = EIO;
    return false;
}

std::string Convert(const std::string& input, const std::string& output, const ConvertOptions& options) {
    const LineSettings settings = {options.thickness, options.contrast - 1, options.noise, LineFormatOf(options.format),
                                   options.colours, options.decodeAhead};
    std::vector<uint8_t> bytes;
    if (input == StandardStream) {
        const ImageError readError = ReadStandardInput(bytes);
        if (readError != ImageError::None) return input + ": cannot read: " + ImageErrorText(readError);
    }
    const bool fromMemory = input == StandardStream;
    ConversionError error;
    bool written = false;
    if (output == StandardStream) {
        std::vector<uint8_t> file;
        written = fromMemory ? ConvertToMemory(bytes.data(), bytes.size(), settings, file, &error)
                             : ConvertFileToMemory(input.c_str(), settings, file, &error);
        if (written && !WriteStandardOutput(file)) return output + ": cannot write: " + std::strerror(errno);
    } else {
        written = fromMemory ? ConvertToFile(bytes.data(), bytes.size(), settings, output.c_str(), &error)
                             : ConvertFileToFile(input.c_str(), settings, output.c_str(), &error);
    }
    if (written) return {};
    if (error.reading != ImageError::None) {
        const std::string problem = input + ": cannot read: " + ImageErrorText(error.reading);
        return error.opening != 0 ? problem + ": " + std::strerror(error.opening) : problem;
    }
    if (error.writing == ENOMEM) return input + ": out of memory";
    return output + ": cannot write: " + std::strerror(error.writing);
}

}  // namespace

// The engine reports memory it could not have; this catches what the
// strings and containers on the way could not.
std::string ConvertFile(const std::string& input, const std::string& output, const ConvertOptions& options) {
    try {
        return Convert(input, output, options);
    } catch (const std::bad_alloc&) {
        return input + ": out of memory";
    }
}
