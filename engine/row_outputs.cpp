#include "row_outputs.h"

#include "bit_packing.h"
#include "bmp_writer.h"
#include "file_io.h"
#include "svg_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace {

// Large enough that writing a block costs little beside filling it, small
// beside the few megabytes a streamed conversion takes.
constexpr int64_t BmpBlockBytes = 256 << 10;

}  // namespace

BmpOutput::BmpOutput(const BitmapInfoHeader& header, const OutputColours& colours, std::FILE* file,
                     std::vector<uint8_t>* memory)
    : header_(header), colours_(colours), file_(file), memory_(memory), stride_(Stride24(header.biWidth)),
      blockRows_(int32_t(std::clamp<int64_t>(BmpBlockBytes / stride_, 1, header.biHeight))),
      block_(file ? new uint8_t[size_t(stride_) * size_t(blockRows_)]() : nullptr) {}

bool BmpOutput::Begin() {
    uint8_t headers[BmpHeadersSize];
    PutBmpHeaders(header_, headers);
    if (memory_) {
        memory_->assign(headers, headers + BmpHeadersSize);
        memory_->resize(BmpHeadersSize + size_t(stride_) * size_t(header_.biHeight));
        return true;
    }
    return std::fwrite(headers, 1, BmpHeadersSize, file_) == BmpHeadersSize;
}

bool BmpOutput::Put(int32_t y, uint8_t* row) {
    const int32_t at = header_.biHeight - 1 - y;  // the row's place in the file
    const int32_t first = at - at % blockRows_;   // the first row of its block
    uint8_t* to = memory_ ? memory_->data() + BmpHeadersSize + at * stride_
                          : block_.get() + (at - first) * stride_;
    if (IsBlackOnWhite(colours_)) {
        std::memcpy(to, row, 3 * size_t(header_.biWidth));
    } else {
        RecolourRow(row, header_.biWidth, colours_, to);
    }
    if (memory_) return true;
    const int32_t rows = std::min(blockRows_, header_.biHeight - first);
    if (++blockFilled_ < rows) return true;
    blockFilled_ = 0;
    const size_t bytes = size_t(stride_) * size_t(rows);
    return SeekFile(file_, BmpHeadersSize + first * stride_, SEEK_SET) &&
           std::fwrite(block_.get(), 1, bytes, file_) == bytes;
}

bool PngOutput::Begin(const BitmapInfoHeader& header, const OutputColours& colours, std::FILE* file,
                      std::vector<uint8_t>* memory, bool reversed) {
    width_ = header.biWidth;
    height_ = header.biHeight;
    packedStride_ = (size_t(width_) + 7) / 8;
    if (reversed) {
        packed_ = DibAllocate(int64_t(packedStride_) * height_);
        if (!packed_) {
            errno = ENOMEM;
            return false;
        }
    }
    return rows_.Start(file, memory, width_, height_, header.biXPelsPerMeter, header.biYPelsPerMeter, colours);
}

bool PngOutput::Put(int32_t y, uint8_t* row) {
    if (!packed_) return rows_.Row(row);
    PackRow(row, width_, packed_.get() + size_t(y) * packedStride_);
    return true;
}

bool PngOutput::End() {
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

SvgOutput::SvgOutput(int thickness, const OutputColours& colours, std::FILE* file, std::vector<uint8_t>* memory)
    : thickness_(thickness), colours_(colours), file_(file), memory_(memory) {}

bool SvgOutput::Begin(const BitmapInfoHeader& header) {
    xPelsPerMeter_ = header.biXPelsPerMeter;
    yPelsPerMeter_ = header.biYPelsPerMeter;
    if (lines_.Allocate(header.biWidth, header.biHeight)) return true;
    errno = ENOMEM;
    return false;
}

bool SvgOutput::Put(int32_t y, uint8_t* row) {
    lines_.SetRow(y, row);
    return true;
}

bool SvgOutput::End() {
    std::vector<uint8_t> svg;
    if (!EncodeSvg(lines_, xPelsPerMeter_, yPelsPerMeter_, thickness_, colours_, memory_ ? *memory_ : svg)) {
        errno = ENOMEM;
        return false;
    }
    return memory_ || std::fwrite(svg.data(), 1, svg.size(), file_) == svg.size();
}
