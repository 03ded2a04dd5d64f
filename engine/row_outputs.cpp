#include "row_outputs.h"

#include "bmp_writer.h"
#include "svg_writer.h"

#include <cerrno>
#include <cstring>

namespace {

bool SeekTo(std::FILE* file, int64_t offset) {
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_SET) == 0;
#else
    return fseeko(file, off_t(offset), SEEK_SET) == 0;
#endif
}

}  // namespace

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
    return SeekTo(file_, offset) && std::fwrite(bytes, 1, width, file_) == width &&
           std::fwrite(scratch_.get() + width, 1, padding, file_) == padding;
}

bool PngOutput::Begin(const BitmapInfoHeader& header, const OutputColours& colours, std::FILE* file,
                      std::vector<uint8_t>* memory) {
    return rows_.Start(file, memory, header.biWidth, header.biHeight, header.biXPelsPerMeter, header.biYPelsPerMeter,
                       colours);
}

bool PngOutput::Put(int32_t, uint8_t* row) {
    return rows_.Row(row);
}

bool PngOutput::End() {
    return rows_.Finished();
}

SvgOutput::SvgOutput(DibHandle drawing, int thickness, const OutputColours& colours, std::FILE* file,
                     std::vector<uint8_t>* memory)
    : drawing_(drawing), thickness_(thickness), colours_(colours), file_(file), memory_(memory) {}

bool SvgOutput::Put(int32_t y, uint8_t* row) {
    std::memcpy(DibRow(drawing_, y), row, 3 * size_t(drawing_->header.biWidth));
    return true;
}

bool SvgOutput::End() {
    std::vector<uint8_t> svg;
    if (!EncodeSvg(drawing_, thickness_, colours_, memory_ ? *memory_ : svg)) {
        errno = ENOMEM;
        return false;
    }
    return memory_ || std::fwrite(svg.data(), 1, svg.size(), file_) == svg.size();
}
