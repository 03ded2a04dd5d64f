#include "pipeline/row_outputs.h"

#include "base/file_io.h"
#include "codecs/bmp_writer.h"
#include "codecs/png_writer.h"
#include "codecs/svg_writer.h"
#include "kernels/bit_packing.h"
#include "kernels/centre_line_tracer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

namespace {

// Large enough that writing a block costs little beside filling it, small
// beside the few megabytes a streamed conversion takes.
constexpr int64_t BmpBlockBytes = 256 << 10;

class BmpOutput : public RowOutput {
public:
    BmpOutput(const RowOutputSettings& settings, OutputSink& sink)
        : header_(settings.header), colours_(settings.colours), recolour_(settings.bilevel && !IsBlackOnWhite(colours_)),
          sink_(sink), stride_(Stride24(header_.biWidth)),
          blockRows_(int32_t(std::clamp<int64_t>(BmpBlockBytes / stride_, 1, header_.biHeight))),
          whole_(sink.File() ? nullptr : sink.Memory() ? sink.Memory() : &own_),
          block_(whole_ ? nullptr : new uint8_t[size_t(stride_) * size_t(blockRows_)]()) {
        header_.biBitCount = 24;
    }

    bool Begin() {
        uint8_t headers[BmpHeadersSize];
        PutBmpHeaders(header_, headers);
        if (!whole_) return sink_.Write(headers, BmpHeadersSize);
        start_ = whole_->size();
        whole_->insert(whole_->end(), headers, headers + BmpHeadersSize);
        whole_->resize(start_ + BmpHeadersSize + size_t(stride_) * size_t(header_.biHeight));
        return true;
    }

    bool Put(int32_t y, const uint8_t* row) override {
        const int32_t at = header_.biHeight - 1 - y;  // the row's place in the file
        const int32_t first = at - at % blockRows_;   // the first row of its block
        uint8_t* to = whole_ ? whole_->data() + start_ + BmpHeadersSize + at * stride_
                             : block_.get() + (at - first) * stride_;
        if (recolour_) {
            RecolourRow(row, header_.biWidth, colours_, to);
        } else {
            std::memcpy(to, row, 3 * size_t(header_.biWidth));
        }
        if (whole_) return true;
        const int32_t rows = std::min(blockRows_, header_.biHeight - first);
        if (++blockFilled_ < rows) return true;
        blockFilled_ = 0;
        const size_t bytes = size_t(stride_) * size_t(rows);
        return SeekFile(sink_.File(), BmpHeadersSize + first * stride_, SEEK_SET) &&
               std::fwrite(block_.get(), 1, bytes, sink_.File()) == bytes;
    }

    bool End() override { return whole_ != &own_ || sink_.Write(own_.data(), own_.size()); }

private:
    BitmapInfoHeader header_;
    OutputColours colours_;
    bool recolour_;
    OutputSink& sink_;
    int64_t stride_;
    int32_t blockRows_;                 // rows of the file in a block
    int32_t blockFilled_ = 0;           // rows of the current block put so far
    std::vector<uint8_t> own_;          // the whole file for a writer
    std::vector<uint8_t>* whole_;       // the memory the whole file is filled in, null for a file
    size_t start_ = 0;                  // where the file starts in it
    std::unique_ptr<uint8_t[]> block_;  // for a file: its rows in file order, zero padded
};

class PngOutput : public RowOutput {
public:
    bool Begin(const RowOutputSettings& settings, OutputSink& sink) {
        const BitmapInfoHeader& header = settings.header;
        width_ = header.biWidth;
        height_ = header.biHeight;
        packedStride_ = (size_t(width_) + 7) / 8;
        if (settings.bottomUp) {
            packed_ = DibAllocate(int64_t(packedStride_) * height_);
            if (!packed_) {
                errno = ENOMEM;
                return false;
            }
        }
        return rows_.Start(sink, width_, height_, header.biXPelsPerMeter, header.biYPelsPerMeter, settings.colours,
                           settings.bilevel);
    }

    bool Put(int32_t y, const uint8_t* row) override {
        if (!packed_) return rows_.Row(row);
        PackRow(row, width_, packed_.get() + size_t(y) * packedStride_);
        return true;
    }

    bool End() override {
        if (packed_) {
            // Unpacked a row at a time, top row first.
            const std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[3 * size_t(width_)]);
            if (!row) {
                errno = ENOMEM;
                return false;
            }
            for (int32_t y = 0; y < height_; ++y) {
                UnpackRow(packed_.get() + size_t(y) * packedStride_, width_, row.get());
                if (!rows_.Row(row.get())) return false;
            }
        }
        return rows_.Finished();
    }

private:
    PngRowWriter rows_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    size_t packedStride_ = 0;
    PixelBuffer packed_;  // the reversed rows, null for rows in order
};

class SvgOutput : public RowOutput {
public:
    SvgOutput(const RowOutputSettings& settings, OutputSink& sink) : settings_(settings), sink_(sink) {}

    bool Begin() {
        if (lines_.Allocate(settings_.header.biWidth, settings_.header.biHeight)) return true;
        errno = ENOMEM;
        return false;
    }

    bool Put(int32_t y, const uint8_t* row) override {
        lines_.SetRow(y, row);
        return true;
    }

    // A writer gets the document once whole, as the C library promises.
    bool End() override {
        if (sink_.File() || sink_.Memory()) return Write(sink_);
        std::vector<uint8_t> whole;
        OutputSink memory(whole);
        return Write(memory) && sink_.Write(whole.data(), whole.size());
    }

private:
    bool Write(OutputSink& sink) {
        return WriteSvg(lines_, settings_.header.biXPelsPerMeter, settings_.header.biYPelsPerMeter,
                        settings_.thickness, settings_.colours, sink, settings_.style);
    }

    RowOutputSettings settings_;
    OutputSink& sink_;
    LinePixels lines_;
};

}  // namespace

std::unique_ptr<RowOutput> OpenBmpOutput(const RowOutputSettings& settings, OutputSink& sink) {
    auto output = std::make_unique<BmpOutput>(settings, sink);
    if (!output->Begin()) return nullptr;
    return output;
}

std::unique_ptr<RowOutput> OpenPngOutput(const RowOutputSettings& settings, OutputSink& sink) {
    auto output = std::make_unique<PngOutput>();
    if (!output->Begin(settings, sink)) return nullptr;
    return output;
}

std::unique_ptr<RowOutput> OpenSvgOutput(const RowOutputSettings& settings, OutputSink& sink) {
    auto output = std::make_unique<SvgOutput>(settings, sink);
    if (!output->Begin()) return nullptr;
    return output;
}
