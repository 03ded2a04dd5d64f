#include "line_conversion.h"

#include "bmp_reader.h"
#include "bmp_writer.h"
#include "container_checks.h"
#include "exif_orientation.h"
#include "file_io.h"
#include "image.h"
#include "jpeg_decoder.h"
#include "line_rows.h"
#include "pixel_density.h"
#include "png_decoder.h"
#include "png_writer.h"
#include "svg_writer.h"

#include <algorithm>
#include <condition_variable>
#include <cerrno>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

// The rows of a picture in the order they are decoded, and how that order
// and the upright picture relate.
class RowSource {
public:
    virtual ~RowSource() = default;
    // The next row: width pixels of 3 bytes in the working layout.
    virtual bool Read(uint8_t* row, ImageError* error) = 0;
    // After the last row: whether the rest of the file is whole.
    virtual bool Finish(ImageError* error) = 0;

    BitmapInfoHeader header{};  // size and density upright, 24 bits
    bool bottomUp = false;      // rows come bottom row first
    bool mirrored = false;      // each row comes right to left
    bool decodes = false;       // each row is decoded as it is read
};

class JpegSource : public RowSource {
public:
    bool Start(const uint8_t* data, size_t size, ImageError* error) { return rows_.Start(data, size, error); }
    bool Read(uint8_t* row, ImageError* error) override { return rows_.Read(&row, 1, error); }
    bool Finish(ImageError* error) override { return rows_.Finish(error); }
    int32_t Width() const { return rows_.Width(); }
    int32_t Height() const { return rows_.Height(); }

private:
    JpegRows rows_;
};

class PngSource : public RowSource {
public:
    bool Start(const uint8_t* data, size_t size, ImageError* error) { return rows_.Start(data, size, error); }
    bool Read(uint8_t* row, ImageError* error) override { return rows_.ReadRow(row, error); }
    bool Finish(ImageError* error) override { return rows_.Finish(error); }
    int32_t Width() const { return rows_.Width(); }
    int32_t Height() const { return rows_.Height(); }
    bool Interlaced() const { return rows_.Interlaced(); }

private:
    PngRows rows_;
};

class PngFileSource : public RowSource {
public:
    bool Start(std::FILE* file, ImageError* error) { return rows_.StartFile(file, error); }
    bool Read(uint8_t* row, ImageError* error) override { return rows_.ReadRow(row, error); }
    bool Finish(ImageError* error) override { return rows_.Finish(error); }
    int32_t Width() const { return rows_.Width(); }
    int32_t Height() const { return rows_.Height(); }

private:
    PngRows rows_;
};

class BmpSource : public RowSource {
public:
    bool Start(const uint8_t* data, size_t size, ImageError* error) { return rows_.Start(data, size, error); }
    bool Read(uint8_t* row, ImageError*) override {
        rows_.ReadRow(row);
        return true;
    }
    bool Finish(ImageError*) override { return true; }
    bool Streams() const { return rows_.Streams(); }
    int32_t Width() const { return rows_.Width(); }
    int32_t Height() const { return rows_.Height(); }

private:
    BmpRows rows_;
};

// A picture loaded whole and upright, as the document loads it.
class WholeSource : public RowSource {
public:
    bool Load(const uint8_t* data, size_t size, ImageError* error) {
        image_.reset(ImgLoadMemory(data, size, error));
        if (!image_) return false;
        if (!ImgMake24(image_.get())) {
            *error = ImageError::Corrupt;
            return false;
        }
        header = image_->header;
        return true;
    }
    bool Read(uint8_t* row, ImageError*) override {
        std::memcpy(row, DibRow(image_.get(), next_++), 3 * size_t(header.biWidth));
        return true;
    }
    bool Finish(ImageError*) override { return true; }

private:
    DibPtr image_;
    int32_t next_ = 0;
};

// Decodes the rows of another source on a thread of its own, up to a ring of
// rows ahead of the conversion, when a processor is to spare: decoding and
// the rest then take turns no more. The rows are the same.
class DecodingAhead : public RowSource {
public:
    explicit DecodingAhead(std::unique_ptr<RowSource> inner) : inner_(std::move(inner)) {
        header = inner_->header;
        bottomUp = inner_->bottomUp;
        mirrored = inner_->mirrored;
    }

    ~DecodingAhead() override {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stopped_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    // False when the ring or the thread cannot be had: the inner source is
    // then to be read as it is.
    bool Begin() {
        rows_ = DibAllocate(RowBytes() * Ring);
        if (!rows_) return false;
        try {
            thread_ = std::thread([this] { Produce(); });
        } catch (const std::system_error&) {
            return false;
        }
        return true;
    }

    std::unique_ptr<RowSource> TakeInner() { return std::move(inner_); }

    bool Read(uint8_t* row, ImageError* error) override {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return produced_ > consumed_ || done_; });
        if (produced_ == consumed_) {
            *error = error_;
            return false;
        }
        std::memcpy(row, Slot(consumed_), size_t(RowBytes()));
        ++consumed_;
        lock.unlock();
        changed_.notify_all();
        return true;
    }

    bool Finish(ImageError* error) override {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return done_; });
        *error = error_;
        return error_ == ImageError::None;
    }

private:
    static constexpr int Ring = 32;

    int64_t RowBytes() const { return 3 * int64_t{header.biWidth}; }
    uint8_t* Slot(int row) const { return rows_.get() + int64_t{row % Ring} * RowBytes(); }

    // Fills the ring's free rows in turn, then checks the rest of the file;
    // stops early on a failure or when the conversion stopped.
    void Produce() {
        ImageError error = ImageError::None;
        try {
            for (int row = 0; row < header.biHeight; ++row) {
                {
                    std::unique_lock<std::mutex> lock(mutex_);
                    changed_.wait(lock, [&] { return row - consumed_ < Ring || stopped_; });
                    if (stopped_) return;
                }
                if (!inner_->Read(Slot(row), &error)) break;
                {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    produced_ = row + 1;
                }
                changed_.notify_all();
            }
            if (error == ImageError::None) inner_->Finish(&error);
        } catch (const std::bad_alloc&) {
            error = ImageError::OutOfMemory;
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            error_ = error;
            done_ = true;
        }
        changed_.notify_all();
    }

    std::unique_ptr<RowSource> inner_;
    PixelBuffer rows_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    int produced_ = 0;
    int consumed_ = 0;
    bool done_ = false;
    bool stopped_ = false;
    ImageError error_ = ImageError::None;
};

// The source, decoding ahead on a thread of its own when settings ask for
// it and it can be had.
std::unique_ptr<RowSource> DecodedAheadIfAsked(std::unique_ptr<RowSource> source, const LineSettings& settings) {
    if (!source || !source->decodes || !settings.decodeAhead) return source;
    std::unique_ptr<DecodingAhead> ahead(new DecodingAhead(std::move(source)));
    if (ahead->Begin()) return ahead;
    return ahead->TakeInner();
}

// Sets a streamed source's header and order from the picture's size and
// EXIF orientation (1 to 4).
void Orient(RowSource& source, int32_t width, int32_t height, const PixelDensity& density, int orientation) {
    source.header.biWidth = width;
    source.header.biHeight = height;
    source.header.biBitCount = 24;
    source.header.biXPelsPerMeter = density.x;
    source.header.biYPelsPerMeter = density.y;
    source.mirrored = orientation == 2 || orientation == 3;
    source.bottomUp = orientation == 3 || orientation == 4;
}

// Whether rows of a picture with the EXIF orientation can go to the format
// as they come: PNG is written top row first.
bool RowsStay(int orientation, LineFormat format) {
    return orientation == 1 || orientation == 2 || ((orientation == 3 || orientation == 4) && format != LineFormat::Png);
}

// The source for the picture in data, streamed where it can be. Null with
// *error set on failure.
std::unique_ptr<RowSource> OpenSource(const uint8_t* data, size_t size, LineFormat format, ImageError* error) {
    const int orientation = ExifOrientation(data, size);
    const bool rowsStay = RowsStay(orientation, format);
    if (rowsStay && LooksLikeJpeg(data, size)) {
        std::unique_ptr<JpegSource> jpeg(new JpegSource);
        if (!jpeg->Start(data, size, error)) return nullptr;
        Orient(*jpeg, jpeg->Width(), jpeg->Height(), FilePixelDensity(data, size), orientation);
        jpeg->decodes = true;
        return jpeg;
    }
    if (rowsStay && LooksLikePng(data, size)) {
        std::unique_ptr<PngSource> png(new PngSource);
        if (!png->Start(data, size, error)) return nullptr;
        if (!png->Interlaced()) {
            Orient(*png, png->Width(), png->Height(), FilePixelDensity(data, size), orientation);
            png->decodes = true;
            return png;
        }
    }
    if (LooksLikeBmp(data, size)) {
        std::unique_ptr<BmpSource> bmp(new BmpSource);
        if (!bmp->Start(data, size, error)) return nullptr;
        if (bmp->Streams()) {
            Orient(*bmp, bmp->Width(), bmp->Height(), FilePixelDensity(data, size), 1);
            return bmp;
        }
    }
    std::unique_ptr<WholeSource> whole(new WholeSource);
    if (!whole->Load(data, size, error)) return nullptr;
    return whole;
}

void Mirror(uint8_t* row, int32_t width) {
    for (int32_t left = 0, right = width - 1; left < right; ++left, --right) {
        std::swap_ranges(row + 3 * left, row + 3 * left + 3, row + 3 * right);
    }
}

// Where result rows go: Put takes row y of the upright picture, in any order
// a source gives (top row first for PNG); End completes the output.
class Output {
public:
    virtual ~Output() = default;
    virtual bool Put(int32_t y, uint8_t* row) = 0;
    virtual bool End() { return true; }
};

// An uncompressed BMP: headers, then each row at its place, bottom row
// first. Written through a file (which may seek) or into memory.
class BmpOutput : public Output {
public:
    BmpOutput(const BitmapInfoHeader& header, const OutputColours& colours, std::FILE* file,
              std::vector<uint8_t>* memory)
        : header_(header), colours_(colours), file_(file), memory_(memory),
          stride_(Stride24(header.biWidth)), scratch_(new uint8_t[size_t(stride_)]()) {}

    bool Begin() {
        uint8_t headers[BmpHeadersSize];
        PutBmpHeaders(header_, headers);
        if (memory_) {
            memory_->assign(headers, headers + BmpHeadersSize);
            memory_->resize(BmpHeadersSize + size_t(stride_) * size_t(header_.biHeight));
            return true;
        }
        return std::fwrite(headers, 1, BmpHeadersSize, file_) == BmpHeadersSize;
    }

    bool Put(int32_t y, uint8_t* row) override {
        const size_t width = 3 * size_t(header_.biWidth);
        const uint8_t* bytes = row;
        if (!IsBlackOnWhite(colours_)) {
            RecolourRow(row, header_.biWidth, colours_, scratch_.get());
            bytes = scratch_.get();
        }
        const int64_t offset = BmpHeadersSize + int64_t{header_.biHeight - 1 - y} * stride_;
        if (memory_) {
            std::memcpy(memory_->data() + offset, bytes, width);
            return true;
        }
        // The padding after the pixels stays zero: scratch_'s tail is never
        // written.
        const size_t padding = size_t(stride_) - width;
        return SeekTo(offset) && std::fwrite(bytes, 1, width, file_) == width &&
               std::fwrite(scratch_.get() + size_t(stride_) - padding, 1, padding, file_) == padding;
    }

private:
    bool SeekTo(int64_t offset) {
#ifdef _WIN32
        return _fseeki64(file_, offset, SEEK_SET) == 0;
#else
        return fseeko(file_, offset, SEEK_SET) == 0;
#endif
    }

    BitmapInfoHeader header_;
    OutputColours colours_;
    std::FILE* file_;
    std::vector<uint8_t>* memory_;
    int64_t stride_;
    std::unique_ptr<uint8_t[]> scratch_;
};

class PngOutput : public Output {
public:
    bool Begin(const BitmapInfoHeader& header, const OutputColours& colours, std::FILE* file,
               std::vector<uint8_t>* memory) {
        return rows_.Start(file, memory, header.biWidth, header.biHeight, header.biXPelsPerMeter,
                           header.biYPelsPerMeter, colours);
    }
    bool Put(int32_t, uint8_t* row) override { return rows_.Row(row); }
    bool End() override { return rows_.Finished(); }

private:
    BilevelPngRows rows_;
};

// The tracer needs the whole drawing: rows are gathered into it.
class SvgOutput : public Output {
public:
    SvgOutput(DibHandle drawing, int thickness, const OutputColours& colours, std::FILE* file,
              std::vector<uint8_t>* memory)
        : drawing_(drawing), thickness_(thickness), colours_(colours), file_(file), memory_(memory) {}

    bool Put(int32_t y, uint8_t* row) override {
        std::memcpy(DibRow(drawing_, y), row, 3 * size_t(drawing_->header.biWidth));
        return true;
    }
    bool End() override {
        std::vector<uint8_t> svg;
        if (!EncodeSvg(drawing_, thickness_, colours_, memory_ ? *memory_ : svg)) {
            errno = ENOMEM;
            return false;
        }
        return memory_ || std::fwrite(svg.data(), 1, svg.size(), file_) == svg.size();
    }

private:
    DibHandle drawing_;
    int thickness_;
    OutputColours colours_;
    std::FILE* file_;
    std::vector<uint8_t>* memory_;
};

// Runs every row of source through extraction and speck removal into
// output. A failure of the picture is put in *reading; one of the output or
// of the conversion's own memory (ENOMEM) leaves errno set.
bool Run(RowSource& source, const LineSettings& settings, Output& output, ImageError* reading) {
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

// Converts through an output made for file or memory by the format.
bool Convert(RowSource& source, const LineSettings& settings, std::FILE* file, std::vector<uint8_t>* memory,
             ImageError* reading) {
    switch (settings.format) {
    case LineFormat::Bmp: {
        BmpOutput output(source.header, settings.colours, file, memory);
        return output.Begin() && Run(source, settings, output, reading);
    }
    case LineFormat::Png: {
        PngOutput output;
        return output.Begin(source.header, settings.colours, file, memory) && Run(source, settings, output, reading);
    }
    case LineFormat::Svg: {
        ImageError ignored = ImageError::None;
        const DibPtr drawing(DibCreate(source.header.biWidth, source.header.biHeight, 24, &ignored));
        if (!drawing) {
            errno = ENOMEM;
            return false;
        }
        drawing->header.biXPelsPerMeter = source.header.biXPelsPerMeter;
        drawing->header.biYPelsPerMeter = source.header.biYPelsPerMeter;
        SvgOutput output(drawing.get(), settings.thickness, settings.colours, file, memory);
        return Run(source, settings, output, reading);
    }
    }
    return false;
}

// A PNG file that streams, read as the conversion goes: null, with *error
// None, for any other file, which is read whole instead.
std::unique_ptr<RowSource> OpenPngFile(std::FILE* file, uint64_t size, LineFormat format, ImageError* error) {
    std::vector<uint8_t> skeleton;
    uint8_t start[8];
    if (size < sizeof start || std::fread(start, 1, sizeof start, file) != sizeof start ||
        !LooksLikePng(start, sizeof start) || std::fseek(file, 0, SEEK_SET) != 0 ||
        !ReadPngSkeleton(file, size, skeleton, PngMaxChunkSize) || std::fseek(file, 0, SEEK_SET) != 0) {
        return nullptr;
    }
    const int orientation = ExifOrientation(skeleton.data(), skeleton.size());
    const bool interlaced = skeleton[28] != 0;
    if (interlaced || !RowsStay(orientation, format)) return nullptr;
    std::unique_ptr<PngFileSource> png(new PngFileSource);
    if (!png->Start(file, error)) return nullptr;
    Orient(*png, png->Width(), png->Height(), FilePixelDensity(skeleton.data(), skeleton.size()), orientation);
    png->decodes = true;
    return png;
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
        const std::unique_ptr<RowSource> source = DecodedAheadIfAsked(open(&error->reading), settings);
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

bool ConvertBytes(const uint8_t* data, size_t size, const LineSettings& settings, const char* path,
                  std::vector<uint8_t>* memory, ConversionError* error) {
    if (memory) std::vector<uint8_t>().swap(*memory);
    return Begin(
        settings, error, [&](ImageError* reading) { return OpenSource(data, size, settings.format, reading); },
        [&](RowSource& source) { return Write(source, settings, path, memory, error); });
}

bool ConvertFile(const char* input, const LineSettings& settings, const char* path, std::vector<uint8_t>* memory,
                 ConversionError* error) {
    if (memory) std::vector<uint8_t>().swap(*memory);
    int64_t size = -1;
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenForReading(input, &size), &std::fclose);
    if (file && size >= 0) {
        bool streamed = false;
        const bool converted = Begin(
            settings, error,
            [&](ImageError* reading) {
                std::unique_ptr<RowSource> png = OpenPngFile(file.get(), uint64_t(size), settings.format, reading);
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

bool ConvertFileToFile(const char* input, const LineSettings& settings, const char* path, ConversionError* error) {
    return ConvertFile(input, settings, path, nullptr, error);
}

bool ConvertFileToMemory(const char* input, const LineSettings& settings, std::vector<uint8_t>& output,
                         ConversionError* error) {
    return ConvertFile(input, settings, nullptr, &output, error);
}
