// Line drawings made a row at a time, for pictures too large to hold: source
// rows go in top row first, and each result row comes out as soon as it is
// final, top row first. Memory is a few rows, whatever the height. The rows
// are those ExtractEdges (or ExtractInk) and RemoveSpecks give for the whole
// picture: the same row kernels do the work.
//
// Rows pass through the engine in one vocabulary: a picture's rows are read
// with ReadRow and its end checked with End (codecs/picture_rows.h); every
// stage that takes rows takes each with Put and is completed with End (this
// class, SpeckRemover, the row outputs); a stage that gives rows as they
// become final is asked Ready and gives them with Take (InkRows), or hands
// them to a sink.
#pragma once

#include "base/dib.h"
#include "base/line_choices.h"
#include "kernels/edge_extraction.h"
#include "kernels/noise_removal.h"
#include "kernels/style_rows.h"

#include <cstdint>
#include <functional>
#include <memory>

// Takes result row y (width pixels of 3 bytes, black or white), which it
// may change; false stops the pipeline.
using ResultRowSink = std::function<bool(int y, uint8_t* row)>;

class LineRows {
public:
    // Null when memory runs out. Thickness and contrast as ExtractEdges
    // (ExtractInk, ExtractPhoto) takes them; specks are removed when
    // removeNoise is set. Ink and photo rows come out later than edge rows,
    // once the source rows below them they need are in. Rows may come
    // bottom row first instead when fromTheBottom is set, result rows too:
    // edge and ink lines are the same upside down, and photo lines are
    // drawn as for the upright picture.
    static std::unique_ptr<LineRows> Create(int width, int height, int thickness, int contrast, bool removeNoise,
                                            LineStyle style = LineStyle::Edges, bool fromTheBottom = false);

    // Where the next source row is to be written: 3 * width bytes of
    // working-layout pixels.
    uint8_t* SourceRow();

    // Takes the row written at SourceRow() and hands every result row now
    // final to sink. False when the sink said so.
    bool Put(const ResultRowSink& sink);

    // After the last source row: hands the remaining result rows to sink.
    bool End(const ResultRowSink& sink);

private:
    LineRows(int width, int height, int thickness, int contrast, bool removeNoise, LineStyle style,
             bool fromTheBottom);
    bool ExtractRow(int y, const ResultRowSink& sink);
    bool TakeStyled(const ResultRowSink& sink);
    bool Finished(int y, const ResultRowSink& sink);
    bool Emit(int upTo, const ResultRowSink& sink);

    int width_;
    int height_;
    int threshold_;
    int lag_;  // rows a result row waits for speck removal
    EdgeRowFunction extractRow_;
    PixelBuffer sources_;  // a ring of 3 rows: above, current, below
    PixelBuffer results_;  // a ring of rows still open to speck removal
    PixelBuffer marks_;
    PixelRows resultRows_{};
    std::unique_ptr<SpeckRemover> remover_;
    std::unique_ptr<StyleRows> styled_;  // for ink and photo
    int received_ = 0;
    int emitted_ = 0;
    int styledTaken_ = 0;
};
