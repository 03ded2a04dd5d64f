#include "row_outputs.h"

#include "bit_packing.h"
#include "bmp_writer.h"
#include "file_io.h"
#include "svg_writer.h"

#include <cerrno>
#include <cstring>
#include <new>

BmpOutput::BmpOutput(const BitmapInfoHeader& header, const OutputColours& colours, std::FILE* file,
                     std::vector<uint8_t>* memory)
    : header_(header), colours_(colours), file_(file), memory_(memory), stride_(Stride24(header.biWidth)),
      scratch_(new uint8_t[size_t(stride_)]()) {}

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
    // The padding comes from scratch_'s tail, which stays zero.
    const size_t padding = size_t(stride_) - width;
    return SeekFile(file_, offset, SEEK_SET) && std::fwrite(bytes, 1, width, file_) == width &&
           std::fwrite(scratch_.get() + width, 1, padding, file_) == padding;
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
