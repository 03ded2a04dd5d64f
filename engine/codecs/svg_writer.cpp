#include "codecs/svg_writer.h"

#include "kernels/centre_line_tracer.h"
#include "kernels/photo_lines.h"

#include <cerrno>
#include <cmath>
#include <functional>
#include <new>
#include <string>

namespace {

// Path data is split into elements of about this many bytes: XML readers
// refuse attribute values of many megabytes.
constexpr size_t PathElementBytes = 60000;

// A coordinate in hundredths of a pixel, rounded half away from zero.
int64_t Hundredths(double value) {
    return int64_t(std::floor(value * 100 + 0.5));
}

// Appends hundredths as a decimal number with no more digits than needed:
// 150 is "1.5", -5 is "-.05", 200 is "2".
void AppendNumber(std::string& out, int64_t hundredths) {
    if (hundredths < 0) {
        out += '-';
        hundredths = -hundredths;
    }
    const int64_t whole = hundredths / 100;
    const int fraction = int(hundredths % 100);
    if (whole != 0 || fraction == 0) out += std::to_string(whole);
    if (fraction != 0) {
        out += '.';
        out += char('0' + fraction / 10);
        if (fraction % 10 != 0) out += char('0' + fraction % 10);
    }
}

// Appends "#rrggbb".
void AppendColour(std::string& out, uint32_t colour) {
    static const char digits[] = "0123456789abcdef";
    out += '#';
    for (int shift = 20; shift >= 0; shift -= 4) out += digits[(colour >> shift) & 15];
}

// A length of pixels at pixelsPerMetre in millimetres, or in pixels (no
// unit) without a density.
void AppendLength(std::string& out, int32_t pixels, int32_t pixelsPerMetre, bool hasDensity) {
    if (!hasDensity) {
        out += std::to_string(pixels);
        return;
    }
    // pixels / pixelsPerMetre * 1000 mm, in hundredths, rounded.
    const int64_t hundredths = (int64_t{pixels} * 200000 + pixelsPerMetre) / (2 * int64_t{pixelsPerMetre});
    AppendNumber(out, hundredths);
    out += "mm";
}

// Writes the document through put, which receives it in pieces of at most
// a few tens of kilobytes.
class SvgWriter {
public:
    explicit SvgWriter(const std::function<bool(const std::string&)>& put) : put_(put) {}

    // The drawing is traced by trace, which calls on each stroke; strokes
    // groupWidth wide need not name their width.
    template <typename Trace>
    bool Write(const BitmapInfoHeader& header, int groupWidth, const OutputColours& colours, Trace trace) {
        const bool hasDensity = header.biXPelsPerMeter > 0 && header.biYPelsPerMeter > 0;
        const std::string width = std::to_string(header.biWidth), height = std::to_string(header.biHeight);
        out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"";
        AppendLength(out_, header.biWidth, header.biXPelsPerMeter, hasDensity);
        out_ += "\" height=\"";
        AppendLength(out_, header.biHeight, header.biYPelsPerMeter, hasDensity);
        out_ += "\" viewBox=\"0 0 " + width + ' ' + height + "\">\n";
        if (!colours.transparent) {
            out_ += "<rect width=\"" + width + "\" height=\"" + height + "\" fill=\"";
            AppendColour(out_, colours.background);
            out_ += "\"/>\n";
        }
        out_ += "<g fill=\"none\" stroke=\"";
        AppendColour(out_, colours.lines);
        groupWidth_ = groupWidth;
        out_ += "\" stroke-width=\"" + std::to_string(groupWidth_) + '"';
        out_ += " stroke-linecap=\"round\" stroke-linejoin=\"round\">\n";
        const bool traced = trace([this](const TraceStroke& stroke) { Add(stroke); });
        if (!traced) errno = ENOMEM;
        if (!traced || failed_) return false;
        ClosePath();
        out_ += "</g>\n</svg>\n";
        return put_(out_);
    }

private:
    // A stroke that starts where the one before ended goes on without a
    // move: the tracer walks its lines on through their junctions, and a
    // plotter then lifts its pen only between walks. Round joins draw what
    // round caps would. A stroke of another width than the path's starts a
    // path of its own, which names its width unless it is the group's.
    void Add(const TraceStroke& stroke) {
        if (failed_) return;
        if (inPath_ && stroke.width != pathWidth_) ClosePath();
        if (!inPath_) {
            out_ += "<path ";
            if (stroke.width != groupWidth_) out_ += "stroke-width=\"" + std::to_string(stroke.width) + "\" ";
            out_ += "d=\"";
            pathWidth_ = stroke.width;
            inPath_ = true;
            x_ = y_ = 0;
            command_ = 0;
        }
        const int64_t startX = Hundredths(stroke.start.x), startY = Hundredths(stroke.start.y);
        if (command_ == 0 || startX != x_ || startY != y_) {
            // A move's further pairs are lines: the first line needs no letter.
            Command('m');
            Pair(startX, startY);
            command_ = 'l';
        }
        if (stroke.segments.empty()) {
            // A dot: a line of no length, which round caps draw as a disc.
            Command('h');
            Number(0);
        }
        for (const TraceSegment& segment : stroke.segments) {
            const int64_t endX = Hundredths(segment.end.x), endY = Hundredths(segment.end.y);
            if (segment.curve) {
                Command('c');
                Number(Hundredths(segment.control1.x) - x_);
                Number(Hundredths(segment.control1.y) - y_);
                Number(Hundredths(segment.control2.x) - x_);
                Number(Hundredths(segment.control2.y) - y_);
                Pair(endX, endY);
            } else if (endY == y_) {
                Command('h');
                Number(endX - x_);
                x_ = endX;
            } else if (endX == x_) {
                Command('v');
                Number(endY - y_);
                y_ = endY;
            } else {
                Command('l');
                Pair(endX, endY);
            }
        }
        if (stroke.closed) {
            Command('z');
            // After a close the current point is the start again.
            x_ = startX;
            y_ = startY;
        }
        if (out_.size() >= PathElementBytes) {
            ClosePath();
            if (!put_(out_)) failed_ = true;
            out_.clear();
        }
    }

    void ClosePath() {
        if (inPath_) out_ += "\"/>\n";
        inPath_ = false;
    }

    // Starts a command unless it continues the one before.
    void Command(char command) {
        if (command == command_ && command != 'm' && command != 'z') return;
        out_ += command;
        command_ = command;
        previous_ = Previous::Letter;
    }

    // The point (x, y) relative to the current point, which it becomes.
    void Pair(int64_t x, int64_t y) {
        Number(x - x_);
        Number(y - y_);
        x_ = x;
        y_ = y;
    }

    // A number, with a separator only where it could not be told from the
    // one before: none before a minus sign, none before ".5" after "1.5".
    void Number(int64_t hundredths) {
        const bool negative = hundredths < 0;
        const bool startsWithPoint = !negative && hundredths < 100 && hundredths % 100 != 0;
        if (previous_ != Previous::Letter && !negative && !(startsWithPoint && previous_ == Previous::Fraction)) {
            out_ += ' ';
        }
        AppendNumber(out_, hundredths);
        previous_ = hundredths % 100 != 0 ? Previous::Fraction : Previous::Whole;
    }

    enum class Previous { Letter, Whole, Fraction };

    const std::function<bool(const std::string&)>& put_;
    std::string out_;
    bool inPath_ = false;
    int groupWidth_ = 1;
    int pathWidth_ = 1;
    bool failed_ = false;
    char command_ = 0;
    Previous previous_ = Previous::Letter;
    int64_t x_ = 0;
    int64_t y_ = 0;
};

}  // namespace

bool WriteSvg(const LinePixels& lines, int32_t xPelsPerMeter, int32_t yPelsPerMeter, int thickness,
              const OutputColours& colours, OutputSink& sink, LineStyle style) {
    BitmapInfoHeader header{};
    header.biWidth = lines.Width();
    header.biHeight = lines.Height();
    header.biXPelsPerMeter = xPelsPerMeter;
    header.biYPelsPerMeter = yPelsPerMeter;
    const std::function<bool(const std::string&)> put = [&sink](const std::string& bytes) {
        return sink.Write(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    };
    try {
        // Ink strokes and photo lines are solid and as wide as they are
        // drawn: each is traced with its own width, the group's being the
        // usual one.
        if (style != LineStyle::Edges) {
            const int usual = style == LineStyle::Photo ? PhotoRows::LineWidth(lines.Width(), lines.Height(), thickness)
                              : thickness == 0          ? 1
                                                        : 3;
            return SvgWriter(put).Write(header, usual, colours,
                                        [&](const auto& stroke) { return TraceInkLines(lines, stroke); });
        }
        return SvgWriter(put).Write(header, thickness == 0 ? 1 : 2, colours,
                                    [&](const auto& stroke) { return TraceCentreLines(lines, thickness, stroke); });
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return false;
    }
}
