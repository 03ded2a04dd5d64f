// Speed of the pixel algorithms and the history on a 6000 x 4000 photo-like
// image, each also given as a multiple of a memcpy of the same pixel buffer,
// and the history's memory per step as a fraction of a full copy.
// Edge extraction and speck removal run with the widest instruction set the
// processor has, as the programs do.
// Thin extraction skips the work for runs of pixels without any step, so it
// is also measured on noise, where every pixel has steps around it. Thin ink
// is also given as a multiple of thin edge extraction.
#include "base/dib.h"
#include "document/image_document.h"
#include "kernels/edge_extraction.h"
#include "kernels/ink_extraction.h"
#include "kernels/noise_removal.h"
#include "kernels/photo_lines.h"
#include "pipeline/output_formats.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

namespace {

constexpr int Width = 6000;
constexpr int Height = 4000;
constexpr int Contrast = 6;

// Smooth gradients, a few flat shapes and grain, from a fixed seed.
DibHandle MakePhoto() {
    ImageError error = ImageError::None;
    DibHandle image = DibCreate(Width, Height, 24, &error);
    uint32_t random = 12345;
    for (int y = 0; y < Height; ++y) {
        uint8_t* row = DibRow(image, y);
        for (int x = 0; x < Width; ++x) {
            random = random * 1664525u + 1013904223u;
            const int grain = int(random >> 28) - 8;
            int blue = 40 + x * 150 / Width + grain;
            int green = 60 + y * 120 / Height + grain;
            int red = 90 + (x + y) * 100 / (Width + Height) + grain;
            const int dx = x - 2000;
            const int dy = y - 1800;
            if (dx * dx + dy * dy < 900 * 900) {
                blue = 200 + grain;
                green /= 3;
            }
            if (x > 3500 && x < 5200 && y > 600 && y < 3100 && ((x / 150 + y / 150) & 1)) red = 20 + grain;
            row[3 * x] = uint8_t(std::clamp(blue, 0, 255));
            row[3 * x + 1] = uint8_t(std::clamp(green, 0, 255));
            row[3 * x + 2] = uint8_t(std::clamp(red, 0, 255));
        }
    }
    return image;
}

// Every byte random, from a fixed seed.
DibHandle MakeNoise() {
    ImageError error = ImageError::None;
    DibHandle image = DibCreate(Width, Height, 24, &error);
    uint32_t random = 54321;
    for (int y = 0; y < Height; ++y) {
        uint8_t* row = DibRow(image, y);
        for (int i = 0; i < 3 * Width; ++i) {
            random = random * 1664525u + 1013904223u;
            row[i] = uint8_t(random >> 24);
        }
    }
    return image;
}

struct Fixture {
    DibHandle photo = MakePhoto();
    DibHandle noise = MakeNoise();
    DibHandle thin = ImgDuplicate(photo);
    DibHandle thick = ImgDuplicate(photo);
    DibHandle work = ImgDuplicate(photo);
    size_t size = size_t(ImgQueryInfo(photo)->pixelDataSize);

    Fixture() {
        ExtractEdges(photo, thin, 0, Contrast);
        ExtractEdges(photo, thick, 1, Contrast);
    }
};

Fixture& Images() {
    static Fixture fixture;
    return fixture;
}

void Memcpy(benchmark::State& state) {
    Fixture& images = Images();
    for (auto _ : state) {
        std::memcpy(images.work->pixels.get(), images.photo->pixels.get(), images.size);
        benchmark::ClobberMemory();
    }
}

// The photo-like image extracted by Extract in a thickness.
constexpr void (*ExtractEdgesIn)(DibHandle, DibHandle, int, int, InstructionSet) = ExtractEdges;

template <auto Extract, int Thickness>
void Extraction(benchmark::State& state) {
    Fixture& images = Images();
    for (auto _ : state) Extract(images.photo, images.work, Thickness, Contrast, WidestInstructionSet());
}

void ExtractEdgesThinNoise(benchmark::State& state) {
    Fixture& images = Images();
    for (auto _ : state) ExtractEdges(images.noise, images.work, 0, Contrast);
}

void RemoveSpecksFrom(benchmark::State& state, DibHandle extracted, int thickness) {
    Fixture& images = Images();
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(images.work->pixels.get(), extracted->pixels.get(), images.size);
        state.ResumeTiming();
        RemoveSpecks(images.work, thickness);
    }
}

void RemoveSpecksThin(benchmark::State& state) {
    RemoveSpecksFrom(state, Images().thin, 0);
}

void RemoveSpecksThick(benchmark::State& state) {
    RemoveSpecksFrom(state, Images().thick, 1);
}

// Loads the photo into the document as opening its file does; false when it
// cannot be written or read back.
bool LoadPhoto(ImageDocument& document) {
    const std::string path = (std::filesystem::temp_directory_path() / "velmora-bench-photo.bmp").string();
    if (!SaveImage(path.c_str(), Images().photo)) return false;
    const bool loaded = document.LoadFile(path.c_str());
    std::remove(path.c_str());
    return loaded;
}

void UndoRedo(benchmark::State& state) {
    ImageDocument document;
    if (!LoadPhoto(document)) {
        state.SkipWithError("cannot load the photo through the temporary folder");
        return;
    }
    document.Extract(0, Contrast);
    document.Extract(1, Contrast);
    for (auto _ : state) {
        document.Undo();
        document.Redo();
    }
}

// The pixel bytes a full history holds per step, half of it undone, as a
// fraction of the result's size; negative when the photo cannot be loaded.
double HistoryBytesPerStep() {
    ImageDocument document;
    if (!LoadPhoto(document)) return -1;
    document.Extract(0, Contrast);
    const int64_t withoutHistory = ImgPixelBytesInUse();
    constexpr int steps = 10;
    for (int step = 0; step < steps; ++step) document.Extract(step % 2, Contrast);
    for (int step = 0; step < steps / 2; ++step) document.Undo();
    const double perStep = double(ImgPixelBytesInUse() - withoutHistory) / steps;
    return perStep / double(document.ResultInfo()->pixelDataSize);
}

// Prints the usual table and keeps each measurement's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.iterations > 0 && !run.error_occurred) {
                seconds[run.benchmark_name()] = run.real_accumulated_time / double(run.iterations);
            }
        }
    }
    std::map<std::string, double> seconds;
};

}  // namespace

BENCHMARK(Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Extraction<ExtractEdgesIn, 0>)->Name("ExtractEdgesThin")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ExtractEdgesThinNoise)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Extraction<ExtractEdgesIn, 1>)->Name("ExtractEdgesThick")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Extraction<ExtractInk, 0>)->Name("ExtractInkThin")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Extraction<ExtractInk, 1>)->Name("ExtractInkThick")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Extraction<ExtractPhoto, 0>)->Name("ExtractPhotoThin")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(Extraction<ExtractPhoto, 1>)->Name("ExtractPhotoThick")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RemoveSpecksThin)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(RemoveSpecksThick)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(UndoRedo)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    // velmora-bench --write-photo PATH writes the photo-like image as a BMP
    // file, for comparisons with other programs, and measures nothing.
    if (argc == 3 && std::strcmp(argv[1], "--write-photo") == 0) {
        DibHandle photo = MakePhoto();
        const bool written = SaveImage(argv[2], photo);
        ImgRelease(photo);
        if (!written) {
            std::fprintf(stderr, "velmora-bench: cannot write %s\n", argv[2]);
            return 1;
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::printf("vs_full_copy HistoryBytesPerStep %.3f\n", HistoryBytesPerStep());

    const auto thinTime = reporter.seconds.find("ExtractEdgesThin/real_time");
    for (const char* name : {"ExtractInkThin", "ExtractPhotoThin"}) {
        const auto time = reporter.seconds.find(std::string(name) + "/real_time");
        if (thinTime != reporter.seconds.end() && time != reporter.seconds.end()) {
            std::printf("vs_thin_edges %s %.2f\n", name, time->second / thinTime->second);
        }
    }
    const auto memcpyTime = reporter.seconds.find("Memcpy/real_time");
    if (memcpyTime == reporter.seconds.end()) return 0;
    for (const auto& [name, time] : reporter.seconds) {
        const std::string shortName = name.substr(0, name.find('/'));
        if (shortName != "Memcpy") std::printf("vs_memcpy %s %.2f\n", shortName.c_str(), time / memcpyTime->second);
    }
    return 0;
}
