// The C library of velmora.h, linked as its static archive: conversions give
// velmora-cli's bytes by every door, also with each allocation failing in
// turn; extraction from the caller's pixels gives the document's result;
// every error number is provoked; loading gives the document's pixels; the
// row functions between layouts agree in every instruction set.
#include "allocation_failure.h"
#include "document/image_document.h"
#include "kernels/pixel_layouts.h"
#include "pipeline/output_formats.h"
#include "test_images.h"
#include "velmora.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <spng.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

// While FailOpening is set, fdopen fails as when memory runs out: the test
// program wraps it at link time (-Wl,--wrap=fdopen).
bool FailOpening = false;
extern "C" std::FILE* __real_fdopen(int descriptor, const char* mode);
extern "C" std::FILE* __wrap_fdopen(int descriptor, const char* mode) {
    if (!FailOpening) return __real_fdopen(descriptor, mode);
    errno = ENOMEM;
    return nullptr;
}
#endif

namespace {

const std::string Data = VELMORA_TEST_DATA;
const std::string Photo = Data + "/jpeg/baseline.jpg";
using Set = std::function<void(velmora_options&)>;

// The defaults laid over garbage, so that a field velmora_options_init
// leaves unset shows; then the changes asked.
velmora_options Options(const Set& set = {}) {
    velmora_options options;
    std::memset(&options, 0x5A, sizeof options);
    velmora_options_init(&options);
    if (set) set(options);
    return options;
}

// An input given a few bytes at a time, and the output as written into
// room made beforehand, so that the callback allocates nothing of its own.
struct Stream {
    explicit Stream(const std::vector<uint8_t>& bytes) : input(bytes) { output.reserve(1 << 20); }
    const std::vector<uint8_t>& input;
    size_t position = 0;
    std::vector<uint8_t> output;
    int writes = 0;
    bool failRead = false;
    int failWrite = -1;  // the write that fails, counted from 0
};

size_t ReadStream(void* user, void* buffer, size_t size) {
    auto& stream = *static_cast<Stream*>(user);
    if (stream.failRead) return size_t(-1);
    const size_t count = std::min({size, size_t(7), stream.input.size() - stream.position});
    std::memcpy(buffer, stream.input.data() + stream.position, count);
    stream.position += count;
    return count;
}

int WriteStream(void* user, const void* bytes, size_t size) {
    auto& stream = *static_cast<Stream*>(user);
    if (stream.writes++ == stream.failWrite || stream.output.size() + size > stream.output.capacity()) return 1;
    const auto* from = static_cast<const uint8_t*>(bytes);
    stream.output.insert(stream.output.end(), from, from + size);
    return 0;
}

int ConvertStream(Stream& stream, const velmora_options& options) {
    return velmora_convert_stream(ReadStream, &stream, WriteStream, &stream, &options);
}

// A test data file's bytes; a picture's first half, cut short.
std::vector<uint8_t> File(const char* name) { return ReadBytes(Data + "/" + name); }
std::vector<uint8_t> Half(const std::vector<uint8_t>& b) { return {b.begin(), b.begin() + ptrdiff_t(b.size() / 2)}; }

// The doors of velmora.h into a conversion; the last three tell their
// failure in detail.
enum Door { Memory, Callbacks, Files, DetailedCallbacks, DetailedFiles, FileToCallbacks };

class Velmora : public testing::Test {
protected:
    // This test's own folder, empty: ctest may run the tests at once.
    const std::string folder = TestFolder(testing::UnitTest::GetInstance()->current_test_info()->name());

    // Converts the bytes of a picture file by the door into output, with the
    // failing-th allocation of the library's call failing (none for 0); the
    // callbacks' number of writes into *writes. Between files, both are
    // named in UTF-8 as a library caller names them on every system.
    int Convert(Door door, const std::vector<uint8_t>& bytes, const velmora_options& options,
                std::vector<uint8_t>& output, int64_t failing = 0, int* writes = nullptr) const {
        const std::string input = folder + "/\xE5\x86\x99\xE7\x9C\x9F \xC3\xA9t\xC3\xA9 \xD1\x84\xD0\xBE";
        const std::string file = folder + "/\xE7\xB7\x9A\xE7\x94\xBB \xCE\xB3\xCF\x81\xCE\xB1\xCE\xBC\xCE\xAE";
        void* memory = &output;  // not null, to see that a failure clears it
        size_t size = 1;
        Stream stream(bytes);
        velmora_failure failure;
        std::memset(&failure, 0x5A, sizeof failure);
        const bool fromFile = door == Files || door == DetailedFiles || door == FileToCallbacks;
        if (fromFile) {
            std::ofstream(std::filesystem::u8path(input), std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        }
        FailAllocation(failing);
        int error = VELMORA_OK;
        switch (door) {
        case Memory: error = velmora_convert(bytes.data(), bytes.size(), &options, &memory, &size); break;
        case Callbacks: error = ConvertStream(stream, options); break;
        case Files: error = velmora_convert_file(input.c_str(), file.c_str(), &options); break;
        case DetailedCallbacks:
            error = velmora_convert_stream_detailed(ReadStream, &stream, WriteStream, &stream, &options, &failure);
            break;
        case DetailedFiles:
            error = velmora_convert_file_detailed(input.c_str(), file.c_str(), nullptr, nullptr, &options, &failure);
            break;
        case FileToCallbacks:
            error = velmora_convert_file_detailed(input.c_str(), nullptr, WriteStream, &stream, &options, &failure);
            break;
        }
        FailAllocation(0);
        output.clear();
        if (door >= DetailedCallbacks) {
            // Filled on success too; out of memory, the only failure here,
            // has no reason of the system's.
            EXPECT_EQ(failure.system_error, 0);
            if (error == VELMORA_OK) {
                EXPECT_EQ(failure.input, 0);
            }
            EXPECT_TRUE(std::all_of(std::begin(failure.reserved), std::end(failure.reserved), [](int f) { return f == 0; }));
        }
        if (door == Memory) {
            EXPECT_EQ(memory == nullptr && size == 0, error != VELMORA_OK);
            if (error == VELMORA_OK) output.assign(static_cast<uint8_t*>(memory), static_cast<uint8_t*>(memory) + size);
            if (error == VELMORA_OK) velmora_free(memory);
        } else if (door == Callbacks || door == DetailedCallbacks || door == FileToCallbacks) {
            output = stream.output;
            if (writes) *writes = stream.writes;
        } else if (error == VELMORA_OK) {
            std::ifstream written(std::filesystem::u8path(file), std::ios::binary);
            output.assign(std::istreambuf_iterator<char>(written), std::istreambuf_iterator<char>());
            written.close();
            std::filesystem::remove(std::filesystem::u8path(file));
        }
        if (fromFile) std::filesystem::remove(std::filesystem::u8path(input));
        return error;
    }

    // A conversion from memory: its error, the output checked to be none.
    int Refused(const std::vector<uint8_t>& bytes, const Set& set = {}) const {
        std::vector<uint8_t> output;
        return Convert(Memory, bytes, Options(set), output);
    }
};

// velmora-cli's output for the input with the arguments; empty when it failed.
std::vector<uint8_t> ConverterOutput(const std::string& input, const std::vector<std::string>& arguments,
                                     const std::string& folder) {
    const std::string output = folder + "/cli-output";
    const auto Native = [](std::string path) {
#ifdef _WIN32
        std::replace(path.begin(), path.end(), '/', '\\');
#endif
        return path;
    };
    std::string command = "\"" + Native(VELMORA_CLI) + "\" --quiet";
    for (const std::string& argument : arguments) command += " \"" + argument + "\"";
    command += " -o \"" + Native(output) + "\" \"" + Native(input) + "\"";
#ifdef _WIN32
    command = "\"" + command + "\"";
#endif
    if (std::system(command.c_str()) != 0) return {};
    std::vector<uint8_t> bytes = ReadBytes(output);
    std::filesystem::remove(output);
    return bytes;
}

}  // namespace

TEST_F(Velmora, ConvertsToTheConvertersBytesByEveryDoorOrRunsOutOfMemory) {
    // The same choices for the library and for velmora-cli.
    const std::vector<std::pair<Set, std::vector<std::string>>> choices = {
        {{}, {}},
        {[](auto& o) { o.thickness = VELMORA_THICK, o.contrast = 3, o.noise = 1, o.format = VELMORA_FORMAT_PNG; },
         {"--thickness", "thick", "--contrast", "3", "--noise", "on", "--format", "png"}},
        {[](auto& o) { o.format = VELMORA_FORMAT_PNG, o.line_colour = 0x1E64C8, o.transparent = 1, o.contrast = 16; },
         {"--format", "png", "--lines", "#1E64C8", "--background", "transparent", "--contrast", "16"}},
        {[](auto& o) { o.line_colour = 0xFFFFFF, o.background_colour = 0, o.contrast = 1, o.thickness = VELMORA_THICK; },
         {"--lines", "white", "--background", "black", "--contrast", "1", "--thickness", "thick"}},
        {[](auto& o) { o.format = VELMORA_FORMAT_SVG, o.transparent = 1; }, {"--format", "svg"}},
        {[](auto& o) { o.format = VELMORA_FORMAT_SVG, o.background_colour = 0xFFFF00, o.thickness = VELMORA_THICK; },
         {"--format", "svg", "--background", "#ffff00", "--thickness", "thick"}},
        // Decoding ahead on a thread of its own changes no byte.
        {[](auto& o) { o.decode_ahead = 1, o.noise = 1, o.format = VELMORA_FORMAT_PNG; },
         {"--noise", "on", "--format", "png"}},
        // Photo lines, whose own memory fails in turn like the rest.
        {[](auto& o) { o.style = VELMORA_STYLE_PHOTO, o.noise = 1, o.format = VELMORA_FORMAT_PNG; },
         {"--style", "photo", "--noise", "on", "--format", "png"}},
        {[](auto& o) {
             o.style = VELMORA_STYLE_PHOTO, o.thickness = VELMORA_THICK, o.format = VELMORA_FORMAT_SVG, o.transparent = 1;
         },
         {"--style", "photo", "--thickness", "thick", "--format", "svg"}},
    };
    for (const char* name : {"jpeg/baseline.jpg", "jpeg/progressive.jpg", "jpeg/grey.jpg", "pngsuite/png/basn6a08.png",
                             "pngsuite/png/basi2c08.png", "pngsuite/png/tbbn3p08.png", "bmp/rgb24.bmp",
                             "fuzz/jpeg-exif-orientation-6.jpg"}) {
        const std::string input = Data + "/" + name;
        const std::vector<uint8_t> bytes = ReadBytes(input);
        for (size_t choice = 0; choice < choices.size(); ++choice) {
            const velmora_options options = Options(choices[choice].first);
            const std::vector<uint8_t> expected = ConverterOutput(input, choices[choice].second, folder);
            ASSERT_FALSE(expected.empty());
            for (const Door door : {Memory, Callbacks, Files, DetailedCallbacks, DetailedFiles, FileToCallbacks}) {
                SCOPED_TRACE(std::string(name) + ", choice " + std::to_string(choice) + ", door " + std::to_string(door));
                std::vector<uint8_t> output;
                int writes = 0;
                EXPECT_EQ(Convert(door, bytes, options, output, 0, &writes), VELMORA_OK);
                EXPECT_TRUE(output == expected);
                // A PNG reaches the callback as its rows are made; a BMP,
                // filled from its bottom row, and an SVG once whole.
                if (door == Callbacks || door == DetailedCallbacks) {
                    EXPECT_EQ(writes > 1, options.format == VELMORA_FORMAT_PNG);
                }
                // Each allocation failing in turn: out of memory and nothing
                // given, or the whole (libjpeg may ask again for less).
                for (int64_t n = 1; n == 1 || AllocationFailed(); ++n) {
                    const int error = Convert(door, bytes, options, output, n);
                    ASSERT_TRUE(error == VELMORA_OK ? output == expected : error == VELMORA_ERROR_OUT_OF_MEMORY)
                        << "allocation " << n << ": error " << error;
                    ASSERT_TRUE(std::filesystem::is_empty(folder)) << "allocation " << n << " left a file";
                }
            }
        }
    }
}

// Extraction from pixels held in each layout, and the errors.

namespace {

const int Width = 67, Height = 45;  // of the pictures extracted from

// Each layout's bytes a pixel, and which of red, green, blue, alpha each holds.
const int BytesOf[] = {3, 3, 4, 4, 1};
const int Channels[][4] = {{0, 1, 2}, {2, 1, 0}, {0, 1, 2, 3}, {2, 1, 0, 3}, {1}};

// A sample's pixels as the caller would hold them in the layout: view 0 in
// a buffer of its own; 1 every other row of a wider buffer; 2 that and
// every other column. Rows stored bottom-up when asked; top is the top row.
struct Held {
    std::vector<uint8_t> buffer;
    const uint8_t* top;
    ptrdiff_t stride, pixelStride;
};

Held Hold(const std::vector<uint8_t>& rgba, int layout, int view, bool bottomUp) {
    const int bytes = BytesOf[layout];
    Held held{};
    held.pixelStride = view == 2 ? 2 * bytes : bytes;
    const ptrdiff_t step = (view ? 2 : 1) * (Width * held.pixelStride + (view ? 5 * bytes + 3 : 0));
    const ptrdiff_t offset = view ? 2 * bytes : 0;
    held.buffer.assign(size_t(step) * Height, 0x77);
    for (int y = 0; y < Height; ++y) {
        uint8_t* to = held.buffer.data() + (bottomUp ? Height - 1 - y : y) * step + offset;
        for (int x = 0; x < Width; ++x, to += held.pixelStride) {
            for (int c = 0; c < bytes; ++c) to[c] = rgba[(size_t(y) * Width + x) * 4 + Channels[layout][c]];
        }
    }
    held.top = held.buffer.data() + offset + (bottomUp ? (Height - 1) * step : 0);
    held.stride = bottomUp ? -step : step;
    return held;
}

// A random picture with steps in every channel, held in the
// layouts given: its pixels, 4 bytes a pixel in red, green, blue, alpha
// order, top row first, and the same as a PNG file. Grey when asked; alpha
// from 0 to 255 across it when asked, else opaque.
struct Sample {
    std::vector<int> layouts;
    std::vector<uint8_t> rgba, png;
};

Sample Random(bool grey, bool alpha, std::vector<int> layouts) {
    const Picture picture = RandomPicture(Width, Height, 24);
    Sample sample{std::move(layouts), {}, {}};
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const Bgr& p = picture.At(x, y);
            const uint8_t a = uint8_t(alpha ? (x * 37 + y * 11) % 256 : 255);
            sample.rgba.insert(sample.rgba.end(), {grey ? p.green : p.red, p.green, grey ? p.green : p.blue, a});
        }
    }
    spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(context, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr header = {uint32_t(Width), uint32_t(Height), 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 0, 0, 0};
    spng_set_ihdr(context, &header);
    EXPECT_EQ(spng_encode_image(context, sample.rgba.data(), sample.rgba.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE), 0);
    size_t size = 0;
    int error = 0;
    auto* bytes = static_cast<uint8_t*>(spng_get_png_buffer(context, &size, &error));
    sample.png.assign(bytes, bytes + size);
    std::free(bytes);
    spng_ctx_free(context);
    return sample;
}

// The document's extraction of the file's picture: 0 for a line pixel, 255
// for the background, top row first.
std::vector<uint8_t> DocumentLines(const std::vector<uint8_t>& file, const velmora_options& options) {
    ImageDocument document;
    EXPECT_TRUE(document.LoadMemory(file.data(), file.size()));
    // velmora.h numbers the styles as the engine does (library/choices.cpp).
    EXPECT_TRUE(document.Extract(options.thickness, options.contrast - 1, options.noise != 0, LineStyle(options.style)));
    std::vector<uint8_t> lines;
    for (const Bgr& pixel : ReadImage(*document.ResultInfo()).pixels) lines.push_back(pixel.blue);
    return lines;
}

// An extraction from 64 x 64 pixels: its error, the lines checked untouched.
int Extract(int width, int height, ptrdiff_t stride, int layout, ptrdiff_t linesStride, const Set& set = {}) {
    const std::vector<uint8_t> pixels(64 * 64 * 4, 0x80);
    std::vector<uint8_t> lines(64 * 64, 0x77);
    const velmora_options options = Options(set);
    const int error = velmora_extract(pixels.data(), width, height, stride, layout, &options, lines.data(), linesStride);
    EXPECT_EQ(lines, std::vector<uint8_t>(64 * 64, 0x77));
    return error;
}

// A conversion between files, one of which is missing: its error, errno
// checked to give the system's reason.
int FileMissing(const std::string& input, const std::string& output) {
    const velmora_options options = Options();
    errno = 0;
    const int error = velmora_convert_file(input.c_str(), output.c_str(), &options);
    EXPECT_EQ(errno, ENOENT);
    return error;
}

}  // namespace

TEST(VelmoraExtract, GivesTheDocumentsResultInEveryLayoutAndView) {
    // Each picture with the layouts that hold it: a grey one every layout
    // without alpha, one with transparency only those with alpha.
    const std::vector<Sample> samples = {
        Random(false, false, {VELMORA_LAYOUT_RGB, VELMORA_LAYOUT_BGR}),
        Random(false, true, {VELMORA_LAYOUT_RGBA, VELMORA_LAYOUT_BGRA}),
        Random(true, false, {VELMORA_LAYOUT_RGB, VELMORA_LAYOUT_GRAY}),
    };
    const Set thick = [](auto& o) { o.thickness = VELMORA_THICK, o.contrast = 2, o.noise = 1; };
    const Set ink = [](auto& o) { o.style = VELMORA_STYLE_INK, o.contrast = 12; };
    const Set thickInk = [](auto& o) { o.style = VELMORA_STYLE_INK, o.thickness = VELMORA_THICK, o.noise = 1; };
    const Set photo = [](auto& o) { o.style = VELMORA_STYLE_PHOTO, o.contrast = 4; };
    const Set thickPhoto = [](auto& o) { o.style = VELMORA_STYLE_PHOTO, o.thickness = VELMORA_THICK, o.noise = 1; };
    for (const Set& set : {Set(), thick, ink, thickInk, photo, thickPhoto}) {
        const velmora_options options = Options(set);
        for (size_t sample = 0; sample < samples.size(); ++sample) {
            const std::vector<uint8_t> expected = DocumentLines(samples[sample].png, options);
            for (const int layout : samples[sample].layouts) {
                // Views 0, 1, 2: its own buffer, a wider buffer, every other
                // column too; each with rows top-down and bottom-up.
                for (int shape = 0; shape < 6; ++shape) {
                    const int view = shape / 2;
                    SCOPED_TRACE("sample " + std::to_string(sample) + ", style " + std::to_string(options.style) +
                                 ", thick " + std::to_string(options.thickness) +
                                 ", layout " + std::to_string(layout) + ", shape " + std::to_string(shape));
                    const Held held = Hold(samples[sample].rgba, layout, view, shape % 2);
                    // The lines in a view of a wider buffer too, the rest untouched.
                    const ptrdiff_t linesStride = Width + (view ? 3 : 0);
                    std::vector<uint8_t> lines(size_t(linesStride) * Height, 0x77), got;
                    ASSERT_EQ(view == 2 ? velmora_extract_view(held.top, Width, Height, held.pixelStride, held.stride,
                                                               layout, &options, lines.data(), linesStride)
                                        : velmora_extract(held.top, Width, Height, held.stride, layout, &options,
                                                          lines.data(), linesStride),
                              VELMORA_OK);
                    for (int y = 0; y < Height; ++y) {
                        const uint8_t* row = lines.data() + y * linesStride;
                        got.insert(got.end(), row, row + Width);
                        for (ptrdiff_t x = Width; x < linesStride; ++x) ASSERT_EQ(row[x], 0x77);
                    }
                    ASSERT_TRUE(got == expected);
                }
            }
        }
    }
}

TEST_F(Velmora, ProvokesEveryErrorNumber) {
    const std::vector<uint8_t> photo = ReadBytes(Photo);
    const velmora_options defaults = Options();
    void* output = nullptr;
    size_t size = 0;
    uint8_t pixels[48] = {}, lines[8] = {};
    velmora_options_init(nullptr);  // does nothing
    const std::vector<std::pair<int, std::function<int()>>> table = {
        {VELMORA_ERROR_NULL_ARGUMENT, [&] { return velmora_convert(nullptr, 0, &defaults, &output, &size); }},
        {VELMORA_ERROR_NULL_ARGUMENT, [&] { return velmora_convert(&size, 1, nullptr, &output, &size); }},
        {VELMORA_ERROR_NULL_ARGUMENT, [&] { return velmora_convert(&size, 1, &defaults, nullptr, &size); }},
        {VELMORA_ERROR_NULL_ARGUMENT, [&] { return velmora_convert_file(nullptr, "x", &defaults); }},
        {VELMORA_ERROR_NULL_ARGUMENT, [&] { return velmora_convert_file("x", "y", nullptr); }},
        {VELMORA_ERROR_NULL_ARGUMENT,
         [&] { return velmora_convert_stream(nullptr, nullptr, WriteStream, nullptr, &defaults); }},
        {VELMORA_ERROR_NULL_ARGUMENT,
         [&] { return velmora_extract(nullptr, 2, 2, 6, VELMORA_LAYOUT_RGB, &defaults, lines, 2); }},
        {VELMORA_ERROR_THICKNESS, [&] { return Refused(photo, [](auto& o) { o.thickness = 2; }); }},
        {VELMORA_ERROR_CONTRAST, [&] { return Refused(photo, [](auto& o) { o.contrast = 0; }); }},
        {VELMORA_ERROR_CONTRAST, [&] { return Refused(photo, [](auto& o) { o.contrast = 17; }); }},
        {VELMORA_ERROR_NOISE, [&] { return Refused(photo, [](auto& o) { o.noise = -1; }); }},
        {VELMORA_ERROR_FORMAT, [&] { return Refused(photo, [](auto& o) { o.format = 3; }); }},
        {VELMORA_ERROR_LINE_COLOUR, [&] { return Refused(photo, [](auto& o) { o.line_colour = 0x1000000; }); }},
        {VELMORA_ERROR_BACKGROUND_COLOUR, [&] { return Refused(photo, [](auto& o) { o.background_colour = 0xFFFFFFFF; }); }},
        {VELMORA_ERROR_TRANSPARENT, [&] { return Refused(photo, [](auto& o) { o.transparent = 2; }); }},
        {VELMORA_ERROR_TRANSPARENT_BMP, [&] { return Refused(photo, [](auto& o) { o.transparent = 1; }); }},
        {VELMORA_ERROR_RESERVED, [&] { return Refused(photo, [](auto& o) { o.reserved[6] = 1; }); }},
        {VELMORA_ERROR_STYLE, [&] { return Refused(photo, [](auto& o) { o.style = 3; }); }},
        {VELMORA_ERROR_STYLE, [] { return Extract(8, 8, 24, VELMORA_LAYOUT_RGB, 8, [](auto& o) { o.style = -1; }); }},
        {VELMORA_ERROR_CONTRAST, [] { return Extract(8, 8, 24, VELMORA_LAYOUT_RGB, 8, [](auto& o) { o.contrast = 17; }); }},
        {VELMORA_ERROR_DIMENSIONS, [] { return Extract(0, 8, 24, VELMORA_LAYOUT_RGB, 8); }},
        {VELMORA_ERROR_DIMENSIONS, [] { return Extract(8, -1, 24, VELMORA_LAYOUT_RGB, 8); }},
        {VELMORA_ERROR_STRIDE, [] { return Extract(8, 8, 23, VELMORA_LAYOUT_RGB, 8); }},
        {VELMORA_ERROR_STRIDE, [] { return Extract(8, 8, -31, VELMORA_LAYOUT_BGRA, 8); }},
        {VELMORA_ERROR_STRIDE, [] { return Extract(8, 8, 8, VELMORA_LAYOUT_GRAY, -7); }},
        {VELMORA_ERROR_STRIDE,
         [&] { return velmora_extract_view(pixels, 4, 2, -2, 24, VELMORA_LAYOUT_RGB, &defaults, lines, 4); }},
        {VELMORA_ERROR_LAYOUT, [] { return Extract(8, 8, 32, 5, 8); }},
        {VELMORA_ERROR_TOO_LARGE, [] { return Extract(60000, 60000, 60000, VELMORA_LAYOUT_GRAY, 60000); }},
        {VELMORA_ERROR_NOT_AN_IMAGE, [&] { return Refused(File("jpeg/README.md")); }},
        {VELMORA_ERROR_DAMAGED, [&] { return Refused(Half(photo)); }},
        {VELMORA_ERROR_TOO_MANY_SCANS, [&] { return Refused(File("jpeg/scans-190.jpg")); }},
        {VELMORA_ERROR_TOO_LARGE, [&] { return Refused(File("fuzz/jpeg-baseline-claims-60000x60000.jpg")); }},
        {VELMORA_ERROR_TOO_LARGE, [&] { return Refused(File("fuzz/jpeg-baseline-claims-65535x65535.jpg")); }},
        {VELMORA_ERROR_OUT_OF_MEMORY, [&] { const MemoryBudget none(0); return Refused(photo); }},
        {VELMORA_ERROR_OUT_OF_MEMORY, [] { const MemoryBudget none(0); return Extract(8, 8, 24, VELMORA_LAYOUT_RGB, 8); }},
        {VELMORA_ERROR_CANNOT_OPEN, [&] { return FileMissing(folder + "/missing.jpg", folder + "/out"); }},
        {VELMORA_ERROR_CANNOT_WRITE, [&] { return FileMissing(Photo, folder + "/missing/out.bmp"); }},
        {VELMORA_ERROR_OUTPUT_NAME, [&] { return velmora_convert_file(Photo.c_str(), (folder + "/d.jpg").c_str(), &defaults); }},
        {VELMORA_ERROR_SAME_FILE,
         [&] {
             const std::string same = folder + "/photo";
             std::filesystem::copy_file(Photo, same);
             const int error = velmora_convert_file(same.c_str(), same.c_str(), &defaults);
             std::filesystem::remove(same);
             return error;
         }},
        {VELMORA_ERROR_READ_CALLBACK, [&] { Stream stream(photo); stream.failRead = true; return ConvertStream(stream, defaults); }},
        {VELMORA_ERROR_WRITE_CALLBACK,
         [&] {
             Stream stream(photo);
             stream.failWrite = 1;
             const int error = ConvertStream(stream, Options([](auto& o) { o.format = VELMORA_FORMAT_PNG; }));
             EXPECT_EQ(stream.writes, 2) << "no write after the one that failed";
             return error;
         }},
    };
    // The word of each message that names the cause.
    const std::map<int, const char*> cause = {
        {VELMORA_ERROR_NULL_ARGUMENT, "null"}, {VELMORA_ERROR_THICKNESS, "thickness"},
        {VELMORA_ERROR_CONTRAST, "contrast"}, {VELMORA_ERROR_NOISE, "noise"}, {VELMORA_ERROR_FORMAT, "format"},
        {VELMORA_ERROR_LINE_COLOUR, "line_colour"}, {VELMORA_ERROR_BACKGROUND_COLOUR, "background_colour"},
        {VELMORA_ERROR_TRANSPARENT, "transparent must"}, {VELMORA_ERROR_TRANSPARENT_BMP, "BMP"},
        {VELMORA_ERROR_RESERVED, "reserved"}, {VELMORA_ERROR_DIMENSIONS, "width and height"},
        {VELMORA_ERROR_STRIDE, "stride"}, {VELMORA_ERROR_LAYOUT, "layout"}, {VELMORA_ERROR_NOT_AN_IMAGE, "not a"},
        {VELMORA_ERROR_DAMAGED, "damaged"}, {VELMORA_ERROR_TOO_MANY_SCANS, "scans"},
        {VELMORA_ERROR_TOO_LARGE, "too large"}, {VELMORA_ERROR_OUT_OF_MEMORY, "memory"},
        {VELMORA_ERROR_CANNOT_OPEN, "open"}, {VELMORA_ERROR_CANNOT_WRITE, "write"},
        {VELMORA_ERROR_READ_CALLBACK, "read callback"}, {VELMORA_ERROR_WRITE_CALLBACK, "write callback"},
        {VELMORA_ERROR_STYLE, "style"}, {VELMORA_ERROR_OUTPUT_NAME, "name"}, {VELMORA_ERROR_SAME_FILE, "is the input"},
    };
    std::set<int> provoked;
    for (size_t row = 0; row < table.size(); ++row) {
        const int error = table[row].first;
        SCOPED_TRACE("row " + std::to_string(row) + ": " + velmora_strerror(error));
        EXPECT_EQ(table[row].second(), error);
        EXPECT_NE(std::string(velmora_strerror(error)).find(cause.at(error)), std::string::npos);
        provoked.insert(error);
    }
    // Each number provoked and its own message: none shared, none unknown.
    constexpr int last = VELMORA_ERROR_SAME_FILE;
    std::set<std::string> messages = {velmora_strerror(-1), velmora_strerror(last + 1)};
    for (int error = 0; error <= last; ++error) messages.insert(velmora_strerror(error));
    EXPECT_EQ(provoked.size(), size_t(last));
    EXPECT_EQ(messages.size(), size_t(last + 2));
    EXPECT_TRUE(std::filesystem::is_empty(folder)) << "a failed conversion left a file";
}

// Where each failure lies, as the detailed conversions tell it: the input's
// or the output's, with the system's reason, and none where it gave none.
TEST_F(Velmora, DetailedConversionsTellWhoseFailureItIsAndWhy) {
    const std::vector<uint8_t> photo = ReadBytes(Photo), cut = Half(photo);
    const std::string out = folder + "/out.bmp";
    // A BMP streams, with a few rows of memory for the extraction; an
    // interlaced PNG is held whole.
    const std::string streamed = folder + "/photo.bmp";
    DibHandle image = MakeImage(RandomPicture(32, 32, 9));
    ASSERT_TRUE(SaveImage(streamed.c_str(), image));
    ImgRelease(image);
    const int64_t threeRows = 3 * 32 * 3;
    const std::string interlaced = Data + "/pngsuite/png/basi2c08.png";
    const velmora_options defaults = Options();
    using Call = std::function<int(velmora_failure*)>;
    const auto toFile = [&](const std::string& input, const std::string& output, int64_t budget = -1,
                            const Set& set = {}) -> Call {
        return [=](velmora_failure* failure) {
            const velmora_options options = Options(set);
            const MemoryBudget limit(budget < 0 ? -1 : ImgPixelBytesInUse() + budget);
            return velmora_convert_file_detailed(input.c_str(), output.c_str(), nullptr, nullptr, &options, failure);
        };
    };
    // Output to the write callback, input from the file when named, else
    // from the read callback.
    const auto callbacks = [&](const std::vector<uint8_t>& bytes, bool failRead, int failWrite,
                               const std::string& input = {}) -> Call {
        return [=, &bytes, &defaults](velmora_failure* failure) {
            Stream stream(bytes);
            stream.failRead = failRead;
            stream.failWrite = failWrite;
            return input.empty()
                       ? velmora_convert_stream_detailed(ReadStream, &stream, WriteStream, &stream, &defaults, failure)
                       : velmora_convert_file_detailed(input.c_str(), nullptr, WriteStream, &stream, &defaults, failure);
        };
    };
#ifndef _WIN32
    ASSERT_EQ(mkfifo((folder + "/pipe").c_str(), 0600), 0);
#endif
    const struct {
        int error;
        int input;
        int systemError;
        Call call;
    } rows[] = {
        {VELMORA_OK, 0, 0, toFile(Photo, out)},
        {VELMORA_OK, 0, 0, callbacks({}, false, -1, Photo)},
        {VELMORA_OK, 0, 0, callbacks(photo, false, -1)},
        {VELMORA_ERROR_CANNOT_OPEN, 1, ENOENT, toFile(folder + "/missing.jpg", out)},
        {VELMORA_ERROR_CANNOT_OPEN, 1, ENOENT, callbacks({}, false, -1, folder + "/missing.jpg")},
        {VELMORA_ERROR_CANNOT_OPEN, 1, EISDIR, toFile(Data, out)},
#ifndef _WIN32
        // Neither is read as a picture file.
        {VELMORA_ERROR_CANNOT_OPEN, 1, ENOTSUP, toFile(folder + "/pipe", out)},
        {VELMORA_ERROR_CANNOT_OPEN, 1, ENOTSUP, toFile("/dev/zero", out)},
        // Memory that runs out as the input is opened.
        {VELMORA_ERROR_OUT_OF_MEMORY, 1, 0,
         [&](velmora_failure* f) {
             FailOpening = true;
             const int error = velmora_convert_file_detailed(Photo.c_str(), out.c_str(), nullptr, nullptr, &defaults, f);
             FailOpening = false;
             return error;
         }},
#endif
        {VELMORA_ERROR_CANNOT_WRITE, 0, ENOENT, toFile(Photo, folder + "/missing/out.bmp")},
        {VELMORA_ERROR_NOT_AN_IMAGE, 1, 0, toFile(Data + "/jpeg/README.md", out)},
        {VELMORA_ERROR_DAMAGED, 1, 0, callbacks(cut, false, -1)},
        {VELMORA_ERROR_READ_CALLBACK, 1, 0, callbacks(photo, true, -1)},
        {VELMORA_ERROR_WRITE_CALLBACK, 0, 0, callbacks(photo, false, 0)},
        {VELMORA_ERROR_WRITE_CALLBACK, 0, 0, callbacks({}, false, 0, Photo)},
        // The picture could not be held; the conversion's own rows could not.
        {VELMORA_ERROR_OUT_OF_MEMORY, 1, 0, toFile(interlaced, out, int64_t{Stride24(32)} * 32 - 1)},
        {VELMORA_ERROR_OUT_OF_MEMORY, 0, 0, toFile(streamed, out, threeRows - 1)},
        {VELMORA_ERROR_TRANSPARENT_BMP, 0, 0, toFile(Photo, out, -1, [](auto& o) { o.transparent = 1; })},
        {VELMORA_ERROR_NULL_ARGUMENT, 0, 0,
         [&](velmora_failure* f) { return velmora_convert_file_detailed(nullptr, out.c_str(), nullptr, nullptr, &defaults, f); }},
        {VELMORA_ERROR_NULL_ARGUMENT, 0, 0,
         [&](velmora_failure* f) { return velmora_convert_file_detailed(Photo.c_str(), nullptr, nullptr, nullptr, &defaults, f); }},
        {VELMORA_ERROR_NULL_ARGUMENT, 0, 0,
         [&](velmora_failure* f) { return velmora_convert_stream_detailed(ReadStream, nullptr, nullptr, nullptr, &defaults, f); }},
    };
    for (size_t row = 0; row < std::size(rows); ++row) {
        SCOPED_TRACE("row " + std::to_string(row));
        velmora_failure failure;
        std::memset(&failure, 0x5A, sizeof failure);
        errno = EDOM;  // the caller's, which a success leaves
        EXPECT_EQ(rows[row].call(&failure), rows[row].error);
        const int told = errno;
        if (rows[row].error == VELMORA_OK) {
            EXPECT_EQ(told, EDOM) << std::strerror(told);
        } else if (rows[row].systemError != 0) {
            EXPECT_EQ(told, rows[row].systemError) << std::strerror(told);
        }
        EXPECT_EQ(failure.input, rows[row].input);
        EXPECT_EQ(failure.system_error, rows[row].systemError);
        EXPECT_TRUE(std::all_of(std::begin(failure.reserved), std::end(failure.reserved), [](int f) { return f == 0; }));
        // Without a failure to fill, the same.
        EXPECT_EQ(rows[row].call(nullptr), rows[row].error);
    }
    std::filesystem::remove(out);
    std::filesystem::remove(streamed);
    std::filesystem::remove(folder + "/pipe");
    EXPECT_TRUE(std::filesystem::is_empty(folder)) << "a failed conversion left a file";
}

// The input by another name is refused as the output, and stays whole. A
// photo named .bmp, as its name must agree with the output's format.
TEST_F(Velmora, ConvertFileNeverWritesItsInputByAnyName) {
    const std::string input = folder + "/photo.bmp";
    std::filesystem::copy_file(Photo, input);
    std::filesystem::create_hard_link(input, folder + "/linked.bmp");
    std::vector<std::string> names = {input, folder + "/./photo.bmp", folder + "/linked.bmp"};
#ifndef _WIN32
    std::filesystem::create_symlink("photo.bmp", folder + "/symbolic.bmp");
    names.push_back(folder + "/symbolic.bmp");
#endif
    const velmora_options options = Options();
    for (const std::string& output : names) {
        EXPECT_EQ(velmora_convert_file(input.c_str(), output.c_str(), &options), VELMORA_ERROR_SAME_FILE) << output;
        EXPECT_EQ(ReadBytes(input), ReadBytes(Photo)) << output;
    }
    EXPECT_EQ(velmora_convert_file(input.c_str(), (folder + "/other.bmp").c_str(), &options), VELMORA_OK);
}

#ifndef _WIN32
// A pipe or a device as the output is written into and stays what it is;
// the device node, made in the test's folder, as root only.
TEST_F(Velmora, ConvertFileWritesIntoAPipeOrADevice) {
    const velmora_options options = Options();
    std::vector<uint8_t> expected;
    ASSERT_EQ(Convert(Memory, ReadBytes(Photo), options, expected), VELMORA_OK);
    const std::string pipe = folder + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::vector<uint8_t> got;
    std::thread reader([&] { got = ReadBytes(pipe); });
    EXPECT_EQ(velmora_convert_file(Photo.c_str(), pipe.c_str(), &options), VELMORA_OK);
    reader.join();
    EXPECT_TRUE(got == expected) << got.size() << " bytes";
    struct stat status {};
    ASSERT_EQ(stat(pipe.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    if (geteuid() != 0) {
        GTEST_SKIP() << "device nodes need the superuser";
    }
    const std::string null = folder + "/null";
    ASSERT_EQ(mknod(null.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0) << std::strerror(errno);
    EXPECT_EQ(velmora_convert_file(Photo.c_str(), null.c_str(), &options), VELMORA_OK);
    ASSERT_EQ(stat(null.c_str(), &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()), 2);
}
#endif

// Each format's facts, and none for a number or name of no format.
TEST(VelmoraFormats, NameEachFormatAndNoOther) {
    const struct {
        int format;
        const char* name;
        const char* extension;
        const char* mediaType;
        int transparency;
        int transparentByDefault;
    } rows[] = {
        {VELMORA_FORMAT_BMP, "bmp", ".bmp", "image/bmp", 0, 0},
        {VELMORA_FORMAT_PNG, "png", ".png", "image/png", 1, 0},
        {VELMORA_FORMAT_SVG, "svg", ".svg", "image/svg+xml", 1, 1},
        {-1, nullptr, nullptr, nullptr, 0, 0},
        {VELMORA_FORMAT_SVG + 1, nullptr, nullptr, nullptr, 0, 0},
    };
    const auto text = [](const char* s) { return s ? std::string(s) : std::string("(null)"); };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.format);
        EXPECT_EQ(text(velmora_format_name(row.format)), text(row.name));
        EXPECT_EQ(text(velmora_format_extension(row.format)), text(row.extension));
        EXPECT_EQ(text(velmora_format_media_type(row.format)), text(row.mediaType));
        EXPECT_EQ(velmora_format_transparency(row.format), row.transparency);
        EXPECT_EQ(velmora_format_transparent_by_default(row.format), row.transparentByDefault);
        if (row.name) {
            EXPECT_EQ(velmora_format_named(row.name), row.format);
        }
    }
    for (const char* name : {"BMP", "png ", "", ".svg", "jpeg"}) EXPECT_EQ(velmora_format_named(name), -1) << name;
    EXPECT_EQ(velmora_format_named(nullptr), -1);
}

// The names of each choice, listed by counting up until the first null,
// and an option check that takes exactly the values listed: a front end
// that builds its list from these offers nothing the library refuses.
TEST(VelmoraChoices, ListedValuesAreTheAllowedOnes) {
    const struct {
        const char* (*name)(int);
        int (*named)(const char*);
        std::vector<std::string> names;
        int velmora_options::*field;
        int error;
    } lists[] = {
        {velmora_style_name, velmora_style_named, {"edges", "ink", "photo"}, &velmora_options::style, VELMORA_ERROR_STYLE},
        {velmora_thickness_name, velmora_thickness_named, {"thin", "thick"}, &velmora_options::thickness,
         VELMORA_ERROR_THICKNESS},
        {velmora_format_name, velmora_format_named, {"bmp", "png", "svg"}, &velmora_options::format,
         VELMORA_ERROR_FORMAT},
        {velmora_layout_name, velmora_layout_named, {"RGB", "BGR", "RGBA", "BGRA", "GRAY"}, nullptr,
         VELMORA_ERROR_LAYOUT},
    };
    const unsigned char pixels[4 * 2 * 2] = {};
    unsigned char lines[4] = {};
    for (const auto& list : lists) {
        SCOPED_TRACE(list.names.front());
        std::vector<std::string> listed;
        for (int value = 0; list.name(value); ++value) listed.push_back(list.name(value));
        EXPECT_EQ(listed, list.names);
        EXPECT_EQ(list.name(-1), nullptr);
        for (int value = -1; value <= int(listed.size()); ++value) {
            const bool allowed = value >= 0 && value < int(listed.size());
            if (allowed) {
                EXPECT_EQ(list.named(listed[size_t(value)].c_str()), value);
            }
            velmora_options options;
            velmora_options_init(&options);
            int layout = VELMORA_LAYOUT_RGBA;
            (list.field ? options.*list.field : layout) = value;
            EXPECT_EQ(velmora_extract(pixels, 2, 2, 8, layout, &options, lines, 2), allowed ? VELMORA_OK : list.error)
                << value;
        }
        EXPECT_EQ(list.named(nullptr), -1);
        EXPECT_EQ(list.named((list.names.front() + " ").c_str()), -1);
    }
    const int bytes[] = {3, 3, 4, 4, 1, 0};
    for (int layout = 0; layout <= VELMORA_LAYOUT_GRAY + 1; ++layout) {
        EXPECT_EQ(velmora_layout_bytes(layout), bytes[layout]) << layout;
    }
    EXPECT_EQ(velmora_layout_bytes(-1), 0);
    velmora_options options;
    velmora_options_init(&options);
    EXPECT_EQ(options.contrast, VELMORA_CONTRAST_DEFAULT);
    for (const int contrast : {int{VELMORA_CONTRAST_LOWEST} - 1, int{VELMORA_CONTRAST_LOWEST},
                               int{VELMORA_CONTRAST_HIGHEST}, int{VELMORA_CONTRAST_HIGHEST} + 1}) {
        options.contrast = contrast;
        const bool allowed = contrast >= VELMORA_CONTRAST_LOWEST && contrast <= VELMORA_CONTRAST_HIGHEST;
        EXPECT_EQ(velmora_extract(pixels, 2, 2, 8, VELMORA_LAYOUT_RGBA, &options, lines, 2),
                  allowed ? VELMORA_OK : VELMORA_ERROR_CONTRAST)
            << contrast;
    }
}

// The one rule for output names: the extension says the format in any
// letter case, a name without one takes the format wanted, and a name that
// contradicts the format wanted, or names none, is refused.
TEST(VelmoraFormats, NamesGiveTheirFormatOrAreRefused) {
    constexpr int none = -1;
    const struct {
        const char* path;
        int wanted;
        int format;
    } rows[] = {
        {"a.png", none, VELMORA_FORMAT_PNG},         {"dir.svg/A.PNG", none, VELMORA_FORMAT_PNG},
        {"a.Svg", VELMORA_FORMAT_SVG, VELMORA_FORMAT_SVG}, {"a.png.bmp", none, VELMORA_FORMAT_BMP},
        {"a", none, VELMORA_FORMAT_BMP},             {"a", VELMORA_FORMAT_SVG, VELMORA_FORMAT_SVG},
        {"v1.png/cat", VELMORA_FORMAT_PNG, VELMORA_FORMAT_PNG}, {".png", none, VELMORA_FORMAT_BMP},
        {"dir/.x.svg", none, VELMORA_FORMAT_SVG},    {"", VELMORA_FORMAT_PNG, VELMORA_FORMAT_PNG},
        {"d.jpg", none, none},                       {"d.jpg", VELMORA_FORMAT_BMP, none},
        {"x.bmp", VELMORA_FORMAT_PNG, none},         {"x.png", VELMORA_FORMAT_BMP, none},
        {"a.", none, none},                          {"a.pngx", none, none},
        {"a.png", VELMORA_FORMAT_SVG + 1, none},     {"a", -2, none},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(velmora_format_of_name(row.path, row.wanted), row.format) << row.path << " " << row.wanted;
    }
    EXPECT_EQ(velmora_format_of_name(nullptr, none), none);
}

// A stream that starts no picture is refused by its first bytes, before
// more is asked: zeros that would go on past the 2 GiB a picture may have
// are not read to their end, nor to the 64 MiB where this stream fails.
TEST(VelmoraStream, InputThatStartsNoPictureIsRefusedAtItsFirstBytes) {
    struct Endless {
        uint8_t byte;
        size_t length;  // then the end
        size_t given = 0;
    };
    const velmora_read_function read = [](void* user, void* buffer, size_t size) {
        auto& stream = *static_cast<Endless*>(user);
        if (stream.given >= size_t{64} << 20) return size_t(-1);
        const size_t count = std::min(size, stream.length - stream.given);
        std::memset(buffer, stream.byte, count);
        stream.given += count;
        return count;
    };
    const velmora_write_function write = [](void*, const void*, size_t) { return 1; };
    const velmora_options options = Options();
    const struct {
        Endless stream;
        int error;
        size_t mostGiven;
    } cases[] = {
        {{0, SIZE_MAX}, VELMORA_ERROR_NOT_AN_IMAGE, 16},
        {{'P', SIZE_MAX}, VELMORA_ERROR_NOT_AN_IMAGE, 16},
        {{0, 0}, VELMORA_ERROR_NOT_AN_IMAGE, 0},
        {{'B', 1}, VELMORA_ERROR_NOT_AN_IMAGE, 1},  // shorter than the bytes asked for
    };
    for (const auto& c : cases) {
        for (const bool detailed : {false, true}) {
            SCOPED_TRACE(std::to_string(c.stream.byte) + (detailed ? ", detailed" : ""));
            Endless stream = c.stream;
            velmora_failure failure{};
            const int error = detailed ? velmora_convert_stream_detailed(read, &stream, write, nullptr, &options, &failure)
                                       : velmora_convert_stream(read, &stream, write, nullptr, &options);
            EXPECT_EQ(error, c.error);
            EXPECT_LE(stream.given, c.mostGiven);
            if (detailed) {
                EXPECT_EQ(failure.input, 1);
                EXPECT_EQ(failure.system_error, 0);
            }
        }
    }
    // The start of a BMP alone is read on: a picture, but a damaged one.
    const std::vector<uint8_t> bm = {'B', 'M'};
    Stream bytes(bm);
    EXPECT_EQ(velmora_convert_stream(ReadStream, &bytes, WriteStream, &bytes, &options), VELMORA_ERROR_DAMAGED);
    EXPECT_EQ(bytes.position, 2u);
}

// Loading a picture's pixels: the document's, upright, over white, as RGB.
TEST(VelmoraLoad, GivesTheDocumentsPixelsUprightOverWhiteOrAnError) {
    const std::vector<uint8_t> photo = ReadBytes(Photo);
    const Sample clear = Random(false, true, {});
    // The sample laid over white as the document lays it; each channel
    // alike, so RGBA gives RGB.
    std::vector<uint8_t> overWhite(size_t(Width) * Height * 3);
    CompositeOnWhite(clear.rgba.data(), Width * Height, overWhite.data());
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int error, width, height;
        std::vector<uint8_t> rgb;  // the pixels expected, when known apart from the document
    };
    const std::vector<Case> cases = {
        {"baseline JPEG", photo, VELMORA_OK, 61, 43, {}},
        // Stored 61 x 43, turned a quarter.
        {"JPEG of EXIF orientation 6", File("fuzz/jpeg-exif-orientation-6.jpg"), VELMORA_OK, 43, 61, {}},
        {"PNG of EXIF orientation 8", File("fuzz/png-exif-orientation-8-after-data.png"), VELMORA_OK, 0, 0, {}},
        {"transparent PNG", clear.png, VELMORA_OK, Width, Height, overWhite},
        {"BMP", File("bmp/rgb24.bmp"), VELMORA_OK, 0, 0, {}},
        {"no image", File("jpeg/README.md"), VELMORA_ERROR_NOT_AN_IMAGE, 0, 0, {}},
        {"cut JPEG", Half(photo), VELMORA_ERROR_DAMAGED, 0, 0, {}},
        {"too many scans", File("jpeg/scans-190.jpg"), VELMORA_ERROR_TOO_MANY_SCANS, 0, 0, {}},
        {"too large", File("fuzz/jpeg-baseline-claims-60000x60000.jpg"), VELMORA_ERROR_TOO_LARGE, 0, 0, {}},
        {"too large for the JPEG decoder", File("fuzz/jpeg-baseline-claims-65535x65535.jpg"), VELMORA_ERROR_TOO_LARGE, 0, 0, {}},
    };
    const velmora_options options = Options();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned char marker = 0;
        unsigned char* pixels = &marker;  // not null, to see that a failure clears it
        int width = -1, height = -1;
        ASSERT_EQ(velmora_load(c.bytes.data(), c.bytes.size(), &pixels, &width, &height), c.error);
        if (c.error != VELMORA_OK) {
            EXPECT_TRUE(pixels == nullptr && width == 0 && height == 0);
            continue;
        }
        const std::vector<uint8_t> rgb(pixels, pixels + size_t(width) * height * 3);
        velmora_free(pixels);
        if (c.width) {
            EXPECT_TRUE(width == c.width && height == c.height) << width << " x " << height;
        }
        if (!c.rgb.empty()) {
            EXPECT_TRUE(rgb == c.rgb);
        }
        // The pixels the document extracts from: the same lines.
        std::vector<uint8_t> lines(size_t(width) * height);
        ASSERT_EQ(velmora_extract(rgb.data(), width, height, 3 * ptrdiff_t(width), VELMORA_LAYOUT_RGB, &options,
                                  lines.data(), width),
                  VELMORA_OK);
        EXPECT_TRUE(lines == DocumentLines(c.bytes, options));
    }
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    for (int null = 0; null < 4; ++null) {  // each argument null in turn
        EXPECT_EQ(velmora_load(null == 0 ? nullptr : photo.data(), photo.size(), null == 1 ? nullptr : &pixels,
                               null == 2 ? nullptr : &width, null == 3 ? nullptr : &height),
                  VELMORA_ERROR_NULL_ARGUMENT) << null;
    }
    EXPECT_EQ(pixels, nullptr);
}

// Loading a picture file: the pixels of its bytes, and a file that is no
// picture, or no regular file, refused at once as the conversions refuse it.
TEST_F(Velmora, LoadsAFileAsItsBytesOrRefusesIt) {
    const std::string named = folder + "/\xE5\x86\x99\xE7\x9C\x9F.jpg";  // UTF-8, as on every system
    WriteBytes(named, ReadBytes(Photo));
    const std::string text = folder + "/notes.jpg";
    WriteBytes(text, {'n', 'o', 't', 'e', 's'});
    struct Case {
        const char* name;
        std::string path;
        int error, reason;
    };
    std::vector<Case> cases = {
        {"JPEG", named, VELMORA_OK, 0},
        {"PNG", Data + "/pngsuite/png/basn6a08.png", VELMORA_OK, 0},
        {"no image", text, VELMORA_ERROR_NOT_AN_IMAGE, 0},
        {"missing", folder + "/missing.jpg", VELMORA_ERROR_CANNOT_OPEN, ENOENT},
        {"too large", Data + "/fuzz/jpeg-baseline-claims-60000x60000.jpg", VELMORA_ERROR_TOO_LARGE, 0},
    };
#ifndef _WIN32
    // A pipe with no writer would wait for one.
    const std::string pipe = folder + "/pipe.jpg";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    cases.push_back({"pipe", pipe, VELMORA_ERROR_CANNOT_OPEN, ENOTSUP});
    cases.push_back({"folder", folder, VELMORA_ERROR_CANNOT_OPEN, EISDIR});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned char marker = 0;
        unsigned char* pixels = &marker;
        int width = -1, height = -1;
        errno = 0;
        ASSERT_EQ(velmora_load_file(c.path.c_str(), &pixels, &width, &height), c.error);
        if (c.error != VELMORA_OK) {
            EXPECT_TRUE(pixels == nullptr && width == 0 && height == 0);
            if (c.reason) {
                EXPECT_EQ(errno, c.reason);
            }
            continue;
        }
        const std::vector<uint8_t> rgb(pixels, pixels + size_t(width) * height * 3);
        velmora_free(pixels);
        const std::vector<uint8_t> bytes = ReadBytes(c.path);
        unsigned char* expected = nullptr;
        int expectedWidth = 0, expectedHeight = 0;
        ASSERT_EQ(velmora_load(bytes.data(), bytes.size(), &expected, &expectedWidth, &expectedHeight), VELMORA_OK);
        EXPECT_TRUE(width == expectedWidth && height == expectedHeight);
        EXPECT_TRUE(rgb == std::vector<uint8_t>(expected, expected + rgb.size()));
        velmora_free(expected);
    }
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    for (int null = 0; null < 4; ++null) {  // each argument null in turn
        EXPECT_EQ(velmora_load_file(null == 0 ? nullptr : named.c_str(), null == 1 ? nullptr : &pixels,
                                    null == 2 ? nullptr : &width, null == 3 ? nullptr : &height),
                  VELMORA_ERROR_NULL_ARGUMENT) << null;
    }
    EXPECT_EQ(pixels, nullptr);
}

// The row functions that move pixels between the callers' layouts and the
// working one: each set's copy gives the plain loop's bytes at every width
// around its block sizes, writes nothing past the row, and swaps in place
// as well.
TEST(PixelLayouts, EverySetGivesThePlainBytes) {
    using For = PixelRowFunction (*)(InstructionSet);
    // Each function with its bytes a pixel read and written.
    const std::vector<std::tuple<const char*, For, int, int>> functions = {
        {"swap red and blue", SwapRedBlueRowFor, 3, 3},
        {"grey to BGR", GreyToBgrRowFor, 1, 3},
        {"first of three", FirstOfThreeRowFor, 3, 1},
    };
    const std::vector<InstructionSet> sets = RunnableInstructionSets();
    std::mt19937 random(7);
    for (const auto& [name, rowFor, in, out] : functions) {
        for (int width = 1; width <= 100; ++width) {
            // The row from an odd place in its buffer.
            std::vector<uint8_t> from(size_t(width) * in + 1);
            for (uint8_t& byte : from) byte = uint8_t(random());
            std::vector<uint8_t> expected(size_t(width) * out + 16, 0x77);
            rowFor(InstructionSet::Plain)(from.data() + 1, width, expected.data());
            for (const InstructionSet set : sets) {
                SCOPED_TRACE(std::string(name) + ", width " + std::to_string(width) + ", set " +
                             InstructionSetName(set));
                std::vector<uint8_t> to(expected.size(), 0x77);
                rowFor(set)(from.data() + 1, width, to.data());
                ASSERT_TRUE(to == expected);
                if (in == out) {
                    std::vector<uint8_t> same(from.begin() + 1, from.end());
                    rowFor(set)(same.data(), width, same.data());
                    ASSERT_TRUE(std::equal(same.begin(), same.end(), expected.begin()));
                }
            }
        }
    }
}
