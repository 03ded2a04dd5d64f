#include "pipeline/row_sources.h"

#include "codecs/bmp_reader.h"
#include "codecs/container_checks.h"
#include "codecs/exif_orientation.h"
#include "codecs/jpeg_decoder.h"
#include "codecs/pixel_density.h"
#include "codecs/png_decoder.h"
#include "pipeline/image.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

// A picture loaded whole and upright, as the document loads it.
class WholeRows : public PictureRows {
public:
    bool Load(const uint8_t* data, size_t size, ImageError* error) {
        image_.reset(ImgLoadMemory(data, size, error));
        if (!image_) return false;
        if (!ImgMake24(image_.get())) {
            *error = ImageError::Corrupt;
            return false;
        }
        return true;
    }
    const BitmapInfoHeader& Header() const { return image_->header; }
    bool ReadRow(uint8_t* row, ImageError*) override {
        std::memcpy(row, DibRow(image_.get(), next_++), 3 * size_t(image_->header.biWidth));
        return true;
    }
    bool End(ImageError*) override { return true; }

private:
    DibPtr image_;
    int32_t next_ = 0;
};

// Decodes the rows of another decoder on a thread of its own, up to a ring
// of rows ahead of the conversion, when a processor is to spare: decoding
// and the rest then take turns no more. The rows are the same.
class DecodingAhead : public PictureRows {
public:
    DecodingAhead(std::unique_ptr<PictureRows> inner, int32_t width, int32_t height)
        : inner_(std::move(inner)), width_(width), height_(height) {}

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

    std::unique_ptr<PictureRows> TakeInner() { return std::move(inner_); }

    bool ReadRow(uint8_t* row, ImageError* error) override {
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

    bool End(ImageError* error) override {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return done_; });
        *error = error_;
        return error_ == ImageError::None;
    }

private:
    static constexpr int Ring = 32;

    int64_t RowBytes() const { return 3 * int64_t{width_}; }
    uint8_t* Slot(int row) const { return rows_.get() + int64_t{row % Ring} * RowBytes(); }

    // Fills the ring's free rows in turn, then checks the rest of the file;
    // stops early on a failure or when the conversion stopped.
    void Produce() {
        ImageError error = ImageError::None;
        try {
            for (int row = 0; row < height_; ++row) {
                {
                    std::unique_lock<std::mutex> lock(mutex_);
                    changed_.wait(lock, [&] { return row - consumed_ < Ring || stopped_; });
                    if (stopped_) return;
                }
                if (!inner_->ReadRow(Slot(row), &error)) break;
                {
                    const std::lock_guard<std::mutex> lock(mutex_);
                    produced_ = row + 1;
                }
                changed_.notify_all();
            }
            if (error == ImageError::None) inner_->End(&error);
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

    std::unique_ptr<PictureRows> inner_;
    int32_t width_;
    int32_t height_;
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

// A streamed source of rows, its header and order from the picture's size
// and EXIF orientation (1 to 4).
std::unique_ptr<RowSource> Oriented(std::unique_ptr<PictureRows> rows, int32_t width, int32_t height,
                                    const PixelDensity& density, int orientation, bool decodes) {
    std::unique_ptr<RowSource> source(new RowSource);
    source->rows = std::move(rows);
    source->header.biWidth = width;
    source->header.biHeight = height;
    source->header.biBitCount = 24;
    source->header.biXPelsPerMeter = density.x;
    source->header.biYPelsPerMeter = density.y;
    source->mirrored = orientation == 2 || orientation == 3;
    source->bottomUp = orientation == 3 || orientation == 4;
    source->decodes = decodes;
    return source;
}

// Whether rows of a picture with the EXIF orientation stay rows upright:
// mirrored or in reverse order at most.
bool RowsStay(int orientation) {
    return orientation >= 1 && orientation <= 4;
}

}  // namespace

std::unique_ptr<RowSource> OpenSource(const uint8_t* data, size_t size, ImageError* error) {
    const int orientation = ExifOrientation(data, size);
    const bool rowsStay = RowsStay(orientation);
    if (rowsStay && LooksLikeJpeg(data, size)) {
        std::unique_ptr<JpegRows> jpeg(new JpegRows);
        if (!jpeg->Start(data, size, error)) return nullptr;
        const int32_t width = jpeg->Width(), height = jpeg->Height();
        return Oriented(std::move(jpeg), width, height, FilePixelDensity(data, size), orientation, true);
    }
    if (rowsStay && LooksLikePng(data, size)) {
        std::unique_ptr<PngRows> png(new PngRows);
        if (!png->Start(data, size, error)) return nullptr;
        if (!png->Interlaced()) {
            const int32_t width = png->Width(), height = png->Height();
            return Oriented(std::move(png), width, height, FilePixelDensity(data, size), orientation, true);
        }
    }
    if (LooksLikeBmp(data, size)) {
        std::unique_ptr<BmpRows> bmp(new BmpRows);
        if (!bmp->Start(data, size, error)) return nullptr;
        if (bmp->Streams()) {
            const int32_t width = bmp->Width(), height = bmp->Height();
            return Oriented(std::move(bmp), width, height, FilePixelDensity(data, size), 1, false);
        }
    }
    std::unique_ptr<WholeRows> whole(new WholeRows);
    if (!whole->Load(data, size, error)) return nullptr;
    std::unique_ptr<RowSource> source(new RowSource);
    source->header = whole->Header();
    source->rows = std::move(whole);
    return source;
}

std::unique_ptr<RowSource> OpenPngFile(std::FILE* file, uint64_t size, ImageError* error) {
    std::vector<uint8_t> skeleton;
    uint8_t start[8];
    if (size < sizeof start || std::fread(start, 1, sizeof start, file) != sizeof start ||
        !LooksLikePng(start, sizeof start) || std::fseek(file, 0, SEEK_SET) != 0 ||
        !ReadPngSkeleton(file, size, skeleton, PngMaxChunkSize) || std::fseek(file, 0, SEEK_SET) != 0) {
        return nullptr;
    }
    const int orientation = ExifOrientation(skeleton.data(), skeleton.size());
    const bool interlaced = skeleton[28] != 0;
    if (interlaced || !RowsStay(orientation)) return nullptr;
    std::unique_ptr<PngRows> png(new PngRows);
    if (!png->StartFile(file, error)) return nullptr;
    const int32_t width = png->Width(), height = png->Height();
    return Oriented(std::move(png), width, height, FilePixelDensity(skeleton.data(), skeleton.size()), orientation,
                    true);
}

void DecodeAhead(RowSource& source) {
    if (!source.decodes) return;
    std::unique_ptr<DecodingAhead> ahead(
        new DecodingAhead(std::move(source.rows), source.header.biWidth, source.header.biHeight));
    if (ahead->Begin()) {
        source.rows = std::move(ahead);
    } else {
        source.rows = ahead->TakeInner();
    }
}
