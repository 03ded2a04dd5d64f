#include "pipeline/line_conversion.h"

#include "base/file_io.h"
#include "pipeline/image.h"
#include "pipeline/line_rows.h"
#include "pipeline/row_outputs.h"
#include "pipeline/row_sources.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Reverses the order of a row's pixels.
void Mirror(uint8_t* row, int32_t width) {
    for (int32_t left = 0, right = width - 1; left < right; ++left, --right) {
        std::swap_ranges(row + 3 * left, row + 3 * left + 3, row + 3 * right);
    }
}

// Runs every row of source through extraction and speck removal into the
// format's row output to sink. A failure of the picture is put in *reading;
// one of the output or of the conversion's own memory (ENOMEM) leaves errno
// set.
bool Convert(RowSource& source, const LineSettings& settings, OutputSink& sink, ImageError* reading) {
    const int32_t width = source.header.biWidth;
    const int32_t height = source.header.biHeight;
    RowOutputSettings outputSettings;
    outputSettings.header = source.header;
    outputSettings.colours = settings.colours;
    outputSettings.thickness = settings.thickness;
    outputSettings.style = settings.style;
    outputSettings.bottomUp = source.bottomUp;
    const std::unique_ptr<RowOutput> output = InfoOf(settings.format).open(outputSettings, sink);
    if (!output) return false;
    const std::unique_ptr<LineRows> lines =
        LineRows::Create(width, height, settings.thickness, settings.contrast, settings.removeNoise,
                         settings.style, source.bottomUp);
    if (!lines) {
        errno = ENOMEM;
        return false;
    }
    const ResultRowSink put = [&](int y, uint8_t* row) {
        return output->Put(source.bottomUp ? height - 1 - y : y, row);
    };
    // Rows that come right to left are turned before extraction: ink's
    // window is not the same on both sides of a pixel, so its lines of a
    // mirrored picture are not the mirrored lines.
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = lines->SourceRow();
        if (!source.rows->ReadRow(row, reading)) return false;
        if (source.mirrored) Mirror(row, width);
        if (!lines->Put(put)) return false;
    }
    return source.rows->End(reading) && lines->End(put) && output->End();
}

// Opens the picture with open, refusing what cannot be written before any
// output exists, and writes it with write. Running out of memory, also as
// std::bad_alloc, is a refusal.
template <typename Open, typename Write>
bool Begin(const LineSettings& settings, Failure* failure, Open open, Write write) {
    *failure = {};
    if (!Holds(settings.format, settings.colours)) {
        failure->system = EINVAL;
        return false;
    }
    try {
        const std::unique_ptr<RowSource> source = open(&failure->image);
        if (!source) return false;
        if (settings.decodeAhead) DecodeAhead(*source);
        if (write(*source)) return true;
    } catch (const std::bad_alloc&) {
        failure->image = ImageError::OutOfMemory;
    }
    if (failure->image != ImageError::None) failure->system = 0;
    return false;
}

// Writes into the file at path, or else into sink.
bool Write(RowSource& source, const LineSettings& settings, const char* path, OutputSink* sink,
           Failure* failure) {
    if (path) {
        return WriteFileAtomically(
            path,
            [&](std::FILE* file) {
                OutputSink fileSink(file);
                return Convert(source, settings, fileSink, &failure->image);
            },
            &failure->system);
    }
    errno = 0;
    if (Convert(source, settings, *sink, &failure->image)) return true;
    if (sink->Memory()) std::vector<uint8_t>().swap(*sink->Memory());
    if (failure->image == ImageError::None) failure->system = errno != 0 ? errno : ENOMEM;
    return false;
}

// Converts the picture file's bytes in data into the file at path, or else
// into sink.
bool ConvertBytes(const uint8_t* data, size_t size, const LineSettings& settings, const char* path,
                  OutputSink* sink, Failure* failure) {
    return Begin(
        settings, failure, [&](ImageError* reading) { return OpenSource(data, size, reading); },
        [&](RowSource& source) { return Write(source, settings, path, sink, failure); });
}

// The same from the file at input: a PNG that streams is read as the
// conversion goes, any other file whole first.
bool ConvertFile(const char* input, const LineSettings& settings, const char* path, OutputSink* sink,
                 Failure* failure) {
    int64_t size = -1;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(input, &size), &std::fclose);
    if (!file) {
        *failure = {};
        failure->image = ImageError::CannotOpen;
        failure->system = errno;
        return false;
    }
    if (size >= 0) {
        bool streamed = false;
        const bool converted = Begin(
            settings, failure,
            [&](ImageError* reading) {
                std::unique_ptr<RowSource> png = OpenPngFile(file.get(), uint64_t(size), reading);
                streamed = png || *reading != ImageError::None;
                return png;
            },
            [&](RowSource& source) { return Write(source, settings, path, sink, failure); });
        if (streamed || converted) return converted;
    }
    std::vector<uint8_t> bytes;
    *failure = {};
    failure->image = ReadImageFile(input, bytes);
    if (failure->image != ImageError::None) return false;
    return ConvertBytes(bytes.data(), bytes.size(), settings, path, sink, failure);
}

}  // namespace

bool ConvertToFile(const uint8_t* data, size_t size, const LineSettings& settings, const char* path,
                   Failure* failure) {
    return ConvertBytes(data, size, settings, path, nullptr, failure);
}

bool ConvertToMemory(const uint8_t* data, size_t size, const LineSettings& settings, std::vector<uint8_t>& output,
                     Failure* failure) {
    std::vector<uint8_t>().swap(output);
    OutputSink sink(output);
    return ConvertBytes(data, size, settings, nullptr, &sink, failure);
}

bool ConvertToWriter(const uint8_t* data, size_t size, const LineSettings& settings, const OutputWriter& write,
                     Failure* failure) {
    OutputSink sink(write);
    return ConvertBytes(data, size, settings, nullptr, &sink, failure);
}

bool ConvertFileToFile(const char* input, const LineSettings& settings, const char* path, Failure* failure) {
    return ConvertFile(input, settings, path, nullptr, failure);
}

bool ConvertFileToMemory(const char* input, const LineSettings& settings, std::vector<uint8_t>& output,
                         Failure* failure) {
    std::vector<uint8_t>().swap(output);
    OutputSink sink(output);
    return ConvertFile(input, settings, nullptr, &sink, failure);
}
