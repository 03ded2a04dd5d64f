#include "pipeline/line_rows.h"

#include "kernels/ink_extraction.h"
#include "kernels/photo_lines.h"

#include <new>

namespace {

constexpr int SourceRing = 3;

// The rows of a style that needs more than edges' three rows; null for edges.
std::unique_ptr<StyleRows> StyleRowsFor(LineStyle style, int width, int height, int thickness, int contrast,
                                        bool fromTheBottom) {
    switch (style) {
    case LineStyle::Edges:
        break;
    case LineStyle::Ink:
        return InkRows::Create(width, height, thickness, contrast);
    case LineStyle::Photo:
        return PhotoRows::Create(width, height, thickness, contrast, fromTheBottom);
    }
    return nullptr;
}

}  // namespace

LineRows::LineRows(int width, int height, int thickness, int contrast, bool removeNoise, LineStyle style,
                   bool fromTheBottom)
    : width_(width), height_(height), threshold_(EdgeThreshold(contrast)),
      lag_(removeNoise ? SpeckRemover::Lag(thickness) : 0), extractRow_(EdgeRowFor(thickness)) {
    const int64_t rowBytes = 3 * int64_t{width};
    const int resultRing = removeNoise ? SpeckRemover::RingRows(thickness) : 1;
    sources_ = DibAllocate(rowBytes * SourceRing);
    results_ = DibAllocate(rowBytes * resultRing);
    resultRows_ = {results_.get(), rowBytes, resultRing};
    if (removeNoise) marks_ = SpeckMarksFor(width, thickness);
    if (marks_) remover_.reset(new (std::nothrow) SpeckRemover(resultRows_, width, height, thickness, marks_.get()));
    styled_ = StyleRowsFor(style, width, height, thickness, contrast, fromTheBottom);
}

std::unique_ptr<LineRows> LineRows::Create(int width, int height, int thickness, int contrast, bool removeNoise,
                                            LineStyle style, bool fromTheBottom) {
    if (width <= 0 || height <= 0) return nullptr;
    std::unique_ptr<LineRows> rows(new (std::nothrow)
                                       LineRows(width, height, thickness, contrast, removeNoise, style, fromTheBottom));
    if (!rows || !rows->sources_ || !rows->results_ || (removeNoise && !rows->remover_) ||
        (style != LineStyle::Edges && !rows->styled_)) {
        return nullptr;
    }
    return rows;
}

uint8_t* LineRows::SourceRow() {
    return sources_.get() + int64_t{received_ % SourceRing} * 3 * width_;
}

bool LineRows::Put(const ResultRowSink& sink) {
    if (styled_) {
        styled_->Put(SourceRow());
        ++received_;
        return TakeStyled(sink);
    }
    ++received_;
    // The row above the newest one now has both its neighbours.
    return received_ < 2 || ExtractRow(received_ - 2, sink);
}

bool LineRows::End(const ResultRowSink& sink) {
    if (styled_ ? !TakeStyled(sink) : received_ > 0 && !ExtractRow(received_ - 1, sink)) return false;
    if (remover_) remover_->End();
    return Emit(received_ - 1, sink);
}

// Row y's result once the source rows around it are in: the row itself
// stands in for a neighbour beyond the picture's border.
bool LineRows::ExtractRow(int y, const ResultRowSink& sink) {
    const auto source = [this](int row) { return sources_.get() + int64_t{row % SourceRing} * 3 * width_; };
    const uint8_t* above = source(y > 0 ? y - 1 : y);
    const uint8_t* below = source(y + 1 < height_ ? y + 1 : y);
    extractRow_(source(y), above, below, resultRows_.Row(y), width_, threshold_);
    return Finished(y, sink);
}

// Every ink or photo row now final from extraction.
bool LineRows::TakeStyled(const ResultRowSink& sink) {
    for (; styled_->Ready(); ++styledTaken_) {
        styled_->Take(resultRows_.Row(styledTaken_));
        if (!Finished(styledTaken_, sink)) return false;
    }
    return true;
}

// Row y is final from extraction: speck removal takes it in, and the rows it
// has done with go to sink.
bool LineRows::Finished(int y, const ResultRowSink& sink) {
    if (remover_) remover_->Put(y);
    return Emit(y - lag_, sink);
}

// Hands rows up to upTo, which are final, to sink.
bool LineRows::Emit(int upTo, const ResultRowSink& sink) {
    for (; emitted_ <= upTo; ++emitted_) {
        if (!sink(emitted_, resultRows_.Row(emitted_))) return false;
    }
    return true;
}
