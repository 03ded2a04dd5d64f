// What compare_converters.sh needs to check the converter's SVG output next
// to potrace:
//
//   velmora-trace-bench drawing PHOTO thin|thick CONTRAST DRAWING.bmp DRAWING.pbm
//       writes the drawing the converter traces (contrast 1 to 16 as the
//       programs show it, specks removed) as a BMP and as a PBM for potrace;
//   velmora-trace-bench fidelity DRAWING.bmp RENDERED.png
//       prints the shares of line pixels within one pixel of each other.
#include "base/dib.h"
#include "kernels/edge_extraction.h"
#include "kernels/noise_removal.h"
#include "line_fidelity.h"
#include "pipeline/image.h"
#include "pipeline/output_formats.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

DibHandle Drawing(const char* path, int thickness, int contrast) {
    DibHandle photo = ImgLoadFile(path);
    if (!photo) return nullptr;
    ImgMake24(photo);
    DibHandle drawing = ImgDuplicate(photo);
    if (drawing) {
        ExtractEdges(photo, drawing, thickness, contrast - 1);  // shown 1 to 16, used 0 to 15
        RemoveSpecks(drawing, thickness);
    }
    ImgRelease(photo);
    return drawing;
}

bool WritePbm(const char* path, DibHandle drawing) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const int32_t width = drawing->header.biWidth, height = drawing->header.biHeight;
    std::fprintf(file, "P4\n%d %d\n", int(width), int(height));
    std::string row(size_t(width + 7) / 8, '\0');
    bool written = true;
    for (int32_t y = 0; y < height && written; ++y) {
        row.assign(row.size(), '\0');
        const uint8_t* pixels = DibRow(drawing, y);
        for (int32_t x = 0; x < width; ++x) {
            if (pixels[3 * x] != 255) row[size_t(x / 8)] = char(row[size_t(x / 8)] | (0x80 >> (x % 8)));
        }
        written = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    const int thickness = argc > 3 && std::strcmp(argv[3], "thick") == 0 ? 1 : 0;
    const int contrast = argc > 4 ? std::atoi(argv[4]) : 0;
    if (command == "drawing" && argc == 7 && contrast >= 1 && contrast <= 16) {
        DibHandle drawing = Drawing(argv[2], thickness, contrast);
        const bool written = drawing && SaveImage(argv[5], drawing) && WritePbm(argv[6], drawing);
        ImgRelease(drawing);
        return written ? 0 : 1;
    }
    if (command == "fidelity" && argc == 4) {
        DibHandle drawing = ImgLoadFile(argv[2]);
        DibHandle rendered = ImgLoadFile(argv[3]);
        if (!drawing || !rendered) return 1;
        ImgMake24(rendered);
        const LineFidelity fidelity = MeasureLineFidelity(drawing, rendered);
        std::printf("%.2f %% of %lld line pixels near a rendered one, %.2f %% of %lld rendered near a line pixel\n",
                    100 * fidelity.drawnRendered, static_cast<long long>(fidelity.drawnPixels),
                    100 * fidelity.renderedDrawn, static_cast<long long>(fidelity.renderedPixels));
        ImgRelease(drawing);
        ImgRelease(rendered);
        return 0;
    }
    std::fprintf(stderr, "usage: velmora-trace-bench drawing PHOTO thin|thick CONTRAST DRAWING.bmp DRAWING.pbm\n"
                         "       velmora-trace-bench fidelity DRAWING.bmp RENDERED.png\n");
    return 2;
}
