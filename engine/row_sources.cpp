#include "row_sources.h"

#include "bmp_reader.h"
#include "container_checks.h"
#include "exif_orientation.h"
#include "image.h"
#include "jpeg_decoder.h"
#include "pixel_density.h"
#include "png_decoder.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace {

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
    bool StartFile(std::FILE* file, ImageError* error) { return rows_.StartFile(file, error); }
    bool Read(uint8_t* row, ImageError* error) override { return rows_.ReadRow(row, error); }
    bool Finish(ImageError* error) override { return rows_.Finish(error); }
    int32_t Width() const { return rows_.Width(); }
    int32_t Height() const { return rows_.Height(); }
    bool Interlaced() const { return rows_.Interlaced(); }

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
    std::unique_ptr<PngSource> png(new PngSource);
    if (!png->StartFile(file, error)) return nullptr;
    Orient(*png, png->Width(), png->Height(), FilePixelDensity(skeleton.data(), skeleton.size()), orientation);
    png->decodes = true;
    return png;
}

std::unique_ptr<RowSource> DecodedAhead(std::unique_ptr<RowSource> source) {
    if (!source || !source->decodes) return source;
    std::unique_ptr<DecodingAhead> ahead(new DecodingAhead(std::move(source)));
    if (ahead->Begin()) return ahead;
    return ahead->TakeInner();
}
