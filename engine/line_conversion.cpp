#include "line_conversion.h"

#include "file_io.h"
#include "image.h"
#include "line_rows.h"
#include "row_outputs.h"
#include "row_sources.h"

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

// Runs every row of source through extraction and speck removal into
// output. A failure of the picture is put in *reading; one of the output or
// of the conversion's own memory (ENOMEM) leaves errno set.
bool Run(RowSource& source, const LineSettings& settings, RowOutput& output, ImageError* reading) {
    const int32_t width = source.header.biWidth;
    const int32_t height = source.header.biHeight;
    const std::unique_ptr<LineRows> lines =
        LineRows::Create(width, height, settings.thickness, settings.contrast, settings.removeNoise);
    if (!lines) {
        errno = ENOMEM;
        return false;
    }
    const ResultRowSink sink = [&](int y, uint8_t* row) {
        if (source.mirrored) Mirror(row, width);
        return output.Put(source.bottomUp ? height - 1 - y : y, row);
    };
    for (int32_t y = 0; y < height; ++y) {
        if (!source.Read(lines->SourceRow(), reading) || !lines->Push(sink)) return false;
    }
    return source.Finish(reading) && lines->Finish(sink) && output.End();
}

// An output into memory whose bytes are handed to write and dropped: after
// each row when the output only appends to them (eachRow), and at the end.
class WrittenOutput : public RowOutput {
public:
    WrittenOutput(RowOutput& output, std::vector<uint8_t>& memory, const OutputWriter& write, bool eachRow)
        : output_(output), memory_(memory), write_(write), eachRow_(eachRow) {}
    bool Put(int32_t y, uint8_t* row) override { return output_.Put(y, row) && (!eachRow_ || HandOn()); }
    bool End() override { return output_.End() && HandOn(); }

private:
    bool HandOn() {
        const bool written = memory_.empty() || write_(memory_.data(), memory_.size());
        memory_.clear();
        return written;
    }

    RowOutput& output_;
    std::vector<uint8_t>& memory_;
    const OutputWriter& write_;
    bool eachRow_;
};

// Runs into output, or, given write, into output's memory handed on to it.
bool RunInto(RowSource& source, const LineSettings& settings, RowOutput& output, std::vector<uint8_t>* memory,
             const OutputWriter* write, ImageError* reading) {
    if (!write) return Run(source, settings, output, reading);
    WrittenOutput written(output, *memory, *write, settings.format == LineFormat::Png);
    return Run(source, settings, written, reading);
}

// Converts through an output made for file or memory by the format; given
// write, the memory's bytes go on to it.
bool Convert(RowSource& source, const LineSettings& settings, std::FILE* file, std::vector<uint8_t>* memory,
             ImageError* reading, const OutputWriter* write = nullptr) {
    switch (settings.format) {
    case LineFormat::Bmp: {
        BmpOutput output(source.header, settings.colours, file, memory);
        return output.Begin() && RunInto(source, settings, output, memory, write, reading);
    }
    case LineFormat::Png: {
        PngOutput output;
        return output.Begin(source.header, settings.colours, file, memory, source.bottomUp) &&
               RunInto(source, settings, output, memory, write, reading);
    }
    case LineFormat::Svg: {
        SvgOutput output(settings.thickness, settings.colours, file, memory);
        return output.Begin(source.header) && RunInto(source, settings, output, memory, write, reading);
    }
    }
    return false;
}

std::unique_ptr<RowSource> AheadIfAsked(std::unique_ptr<RowSource> source, bool decodeAhead) {
    return decodeAhead ? DecodedAhead(std::move(source)) : std::move(source);
}

// Opens the picture with open, refusing what cannot be written before any
// output exists, and writes it with write. Running out of memory, also as
// std::bad_alloc, is a refusal.
template <typename Open, typename Write>
bool Begin(const LineSettings& settings, ConversionError* error, Open open, Write write) {
    *error = {};
    if (settings.format == LineFormat::Bmp && settings.colours.transparent) {
        error->writing = EINVAL;
        return false;
    }
    try {
        const std::unique_ptr<RowSource> source = AheadIfAsked(open(&error->reading), settings.decodeAhead);
        if (!source) return false;
        if (write(*source)) return true;
    } catch (const std::bad_alloc&) {
        error->reading = ImageError::OutOfMemory;
    }
    if (error->reading != ImageError::None) error->writing = 0;
    return false;
}

// Writes into the file at path, or into *memory when path is null.
bool Write(RowSource& source, const LineSettings& settings, const char* path, std::vector<uint8_t>* memory,
           ConversionError* error) {
    if (path) {
        return WriteFileAtomically(
            path, [&](std::FILE* file) { return Convert(source, settings, file, nullptr, &error->reading); },
            &error->writing);
    }
    if (Convert(source, settings, nullptr, memory, &error->reading)) return true;
    std::vector<uint8_t>().swap(*memory);
    if (error->reading == ImageError::None) error->writing = errno != 0 ? errno : ENOMEM;
    return false;
}

// Converts the picture file's bytes in data into the file at path, or into
// *memory when path is null.
bool ConvertBytes(const uint8_t* data, size_t size, const LineSettings& settings, const char* path,
                  std::vector<uint8_t>* memory, ConversionError* error) {
    if (memory) std::vector<uint8_t>().swap(*memory);
    return Begin(
        settings, error, [&](ImageError* reading) { return OpenSource(data, size, reading); },
        [&](RowSource& source) { return Write(source, settings, path, memory, error); });
}

// The same from the file at input: a PNG that streams is read as the
// conversion goes, any other file whole first.
bool ConvertFile(const char* input, const LineSettings& settings, const char* path, std::vector<uint8_t>* memory,
                 ConversionError* error) {
    if (memory) std::vector<uint8_t>().swap(*memory);
    int64_t size = -1;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(input, &size), &std::fclose);
    if (!file) {
        *error = {};
        error->reading = ImageError::CannotOpen;
        error->opening = errno;
        return false;
    }
    if (size >= 0) {
        bool streamed = false;
        const bool converted = Begin(
            settings, error,
            [&](ImageError* reading) {
                std::unique_ptr<RowSource> png = OpenPngFile(file.get(), uint64_t(size), reading);
                streamed = png || *reading != ImageError::None;
                return png;
            },
            [&](RowSource& source) { return Write(source, settings, path, memory, error); });
        if (streamed || converted) return converted;
    }
    std::vector<uint8_t> bytes;
    *error = {};
    error->reading = ReadImageFile(input, bytes);
    if (error->reading != ImageError::None) return false;
    return ConvertBytes(bytes.data(), bytes.size(), settings, path, memory, error);
}

}  // namespace

bool ConvertToFile(const uint8_t* data, size_t size, const LineSettings& settings, const char* path,
                   ConversionError* error) {
    return ConvertBytes(data, size, settings, path, nullptr, error);
}

bool ConvertToMemory(const uint8_t* data, size_t size, const LineSettings& settings, std::vector<uint8_t>& output,
                     ConversionError* error) {
    return ConvertBytes(data, size, settings, nullptr, &output, error);
}

bool ConvertToWriter(const uint8_t* data, size_t size, const LineSettings& settings, const OutputWriter& write,
                     ConversionError* error) {
    return Begin(
        settings, error, [&](ImageError* reading) { return OpenSource(data, size, reading); },
        [&](RowSource& source) {
            std::vector<uint8_t> memory;
            if (Convert(source, settings, nullptr, &memory, &error->reading, &write)) return true;
            if (error->reading == ImageError::None) error->writing = errno != 0 ? errno : ENOMEM;
            return false;
        });
}

bool ConvertFileToFile(const char* input, const LineSettings& settings, const char* path, ConversionError* error) {
    return ConvertFile(input, settings, path, nullptr, error);
}

bool ConvertFileToMemory(const char* input, const LineSettings& settings, std::vector<uint8_t>& output,
                         ConversionError* error) {
    return ConvertFile(input, settings, nullptr, &output, error);
}
