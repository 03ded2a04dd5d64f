// The C library of velmora.h, linked as its static archive: conversions give
// velmora-cli's bytes by every door, extraction from the caller's pixels
// gives the document's result, and every error number comes with its cause.
#include "image_document.h"
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
#include <string>
#include <vector>

#include <spng.h>

namespace {

const std::string Data = VELMORA_TEST_DATA;

velmora_options Defaults() {
    velmora_options options;
    velmora_options_init(&options);
    return options;
}

// The same choices for the library and for velmora-cli.
struct Choice {
    const char* name;
    std::function<void(velmora_options&)> set;
    std::vector<std::string> arguments;
};

const std::vector<Choice> Choices = {
    {"defaults", [](velmora_options&) {}, {}},
    {"thick, contrast 3, noise removal, PNG",
     [](velmora_options& o) {
         o.thickness = VELMORA_THICK;
         o.contrast = 3;
         o.noise = 1;
         o.format = VELMORA_FORMAT_PNG;
     },
     {"--thickness", "thick", "--contrast", "3", "--noise", "on", "--format", "png"}},
    {"blue lines on transparent PNG, contrast 16",
     [](velmora_options& o) {
         o.format = VELMORA_FORMAT_PNG;
         o.line_colour = 0x1E64C8;
         o.transparent = 1;
         o.contrast = 16;
     },
     {"--format", "png", "--lines", "#1E64C8", "--background", "transparent", "--contrast", "16"}},
    {"white on black BMP, contrast 1, thick",
     [](velmora_options& o) {
         o.line_colour = 0xFFFFFF;
         o.background_colour = 0x000000;
         o.contrast = 1;
         o.thickness = VELMORA_THICK;
     },
     {"--lines", "white", "--background", "black", "--contrast", "1", "--thickness", "thick"}},
    {"transparent SVG",
     [](velmora_options& o) {
         o.format = VELMORA_FORMAT_SVG;
         o.transparent = 1;
     },
     {"--format", "svg"}},
    {"SVG on yellow, thick",
     [](velmora_options& o) {
         o.format = VELMORA_FORMAT_SVG;
         o.background_colour = 0xFFFF00;
         o.thickness = VELMORA_THICK;
     },
     {"--format", "svg", "--background", "#ffff00", "--thickness", "thick"}},
};

const std::vector<std::string> Inputs = {"jpeg/baseline.jpg", "jpeg/progressive.jpg", "jpeg/grey.jpg",
                                         "pngsuite/png/basn6a08.png", "bmp/rgb24.bmp", "fuzz/jpeg-exif-orientation-6.jpg"};

std::string Native(std::string path) {
#ifdef _WIN32
    for (char& c : path) c = c == '/' ? '\\' : c;
#endif
    return path;
}

// velmora-cli's output for the input with the arguments; empty when it failed.
std::vector<uint8_t> ConverterOutput(const std::string& input, const std::vector<std::string>& arguments,
                                     const std::string& folder) {
    const std::string output = folder + "/cli-output";
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

std::vector<uint8_t> ViaMemory(const std::vector<uint8_t>& input, const velmora_options& options) {
    void* output = nullptr;
    size_t size = 0;
    EXPECT_EQ(velmora_convert(input.data(), input.size(), &options, &output, &size), VELMORA_OK);
    const auto* bytes = static_cast<const uint8_t*>(output);
    std::vector<uint8_t> copy(bytes, bytes + size);
    velmora_free(output);
    return copy;
}

// An input given a few bytes at a time, and the output as written.
struct Stream {
    const std::vector<uint8_t>* input = nullptr;
    size_t position = 0;
    size_t chunk = 7;
    std::vector<uint8_t> output;
    int writes = 0;
    bool failRead = false;
    int failWrite = -1;  // the write that fails, counted from 0
};

size_t ReadStream(void* user, void* buffer, size_t size) {
    auto& stream = *static_cast<Stream*>(user);
    if (stream.failRead) return size_t(-1);
    const size_t count = std::min({size, stream.chunk, stream.input->size() - stream.position});
    std::memcpy(buffer, stream.input->data() + stream.position, count);
    stream.position += count;
    return count;
}

int WriteStream(void* user, const void* bytes, size_t size) {
    auto& stream = *static_cast<Stream*>(user);
    if (stream.writes++ == stream.failWrite) return 1;
    const auto* from = static_cast<const uint8_t*>(bytes);
    stream.output.insert(stream.output.end(), from, from + size);
    return 0;
}

int ConvertStream(Stream& stream, const velmora_options& options) {
    return velmora_convert_stream(ReadStream, &stream, WriteStream, &stream, &options);
}

}  // namespace

TEST(VelmoraConvert, GivesTheConvertersBytesByEveryDoor) {
    const std::string folder = TestFolder("VelmoraConvert");
    for (const std::string& name : Inputs) {
        const std::string input = Data + "/" + name;
        const std::vector<uint8_t> bytes = ReadBytes(input);
        for (const Choice& choice : Choices) {
            SCOPED_TRACE(name + ", " + choice.name);
            velmora_options options = Defaults();
            choice.set(options);
            const std::vector<uint8_t> expected = ConverterOutput(input, choice.arguments, folder);
            ASSERT_FALSE(expected.empty());
            EXPECT_TRUE(ViaMemory(bytes, options) == expected) << "memory to memory";

            Stream stream;
            stream.input = &bytes;
            EXPECT_EQ(ConvertStream(stream, options), VELMORA_OK);
            EXPECT_TRUE(stream.output == expected) << "through callbacks";

            const std::string output = folder + "/library-output";
            EXPECT_EQ(velmora_convert_file(input.c_str(), output.c_str(), &options), VELMORA_OK);
            EXPECT_TRUE(ReadBytes(output) == expected) << "file to file";
            std::filesystem::remove(output);
        }
    }
}

// A PNG reaches the write callback as its rows are made; a BMP, filled from
// its bottom row, once whole.
TEST(VelmoraConvertStream, HandsOnPngRowsAsTheyAreMade) {
    const std::vector<uint8_t> bytes = ReadBytes(Data + "/jpeg/baseline.jpg");
    for (const int format : {VELMORA_FORMAT_PNG, VELMORA_FORMAT_BMP, VELMORA_FORMAT_SVG}) {
        velmora_options options = Defaults();
        options.format = format;
        Stream stream;
        stream.input = &bytes;
        ASSERT_EQ(ConvertStream(stream, options), VELMORA_OK);
        if (format == VELMORA_FORMAT_PNG) {
            // The picture is 43 rows high; libspng gathers rows before it deflates.
            EXPECT_GT(stream.writes, 1);
        } else {
            EXPECT_EQ(stream.writes, 1) << format;
        }
    }
}

TEST(VelmoraConvertFile, TakesUtf8NamesInAnyScript) {
    const std::string folder = TestFolder("VelmoraConvertFileUtf8");
    const std::string input = folder + "/\xE5\x86\x99\xE7\x9C\x9F \xC3\xA9t\xC3\xA9 \xD1\x84\xD0\xBE\xD1\x82\xD0\xBE.jpg";
    const std::string output = folder + "/\xE7\xB7\x9A\xE7\x94\xBB \xCE\xB3\xCF\x81\xCE\xB1\xCE\xBC\xCE\xBC\xCE\xAE.png";
    const std::vector<uint8_t> bytes = ReadBytes(Data + "/jpeg/baseline.jpg");
    std::filesystem::copy_file(Data + "/jpeg/baseline.jpg", std::filesystem::u8path(input));
    velmora_options options = Defaults();
    options.format = VELMORA_FORMAT_PNG;
    ASSERT_EQ(velmora_convert_file(input.c_str(), output.c_str(), &options), VELMORA_OK);
    std::vector<uint8_t> written;
    {
        std::ifstream file(std::filesystem::u8path(output), std::ios::binary);
        written.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    EXPECT_TRUE(written == ViaMemory(bytes, options));
}

TEST(VelmoraOptionsInit, FillsTheConvertersDefaults) {
    velmora_options options;
    std::memset(&options, 0x5A, sizeof options);
    velmora_options_init(&options);
    EXPECT_EQ(options.thickness, VELMORA_THIN);
    EXPECT_EQ(options.contrast, 7);
    EXPECT_EQ(options.noise, 0);
    EXPECT_EQ(options.format, VELMORA_FORMAT_BMP);
    EXPECT_EQ(options.line_colour, 0x000000u);
    EXPECT_EQ(options.background_colour, 0xFFFFFFu);
    EXPECT_EQ(options.transparent, 0);
    for (const int field : options.reserved) EXPECT_EQ(field, 0);
    velmora_options_init(nullptr);
}

TEST(VelmoraVersion, IsTheProjectsVersion) {
    EXPECT_STREQ(velmora_version(), VELMORA_VERSION);
}

// Extraction from pixels held in each layout.

namespace {

// A picture's pixels as the caller would hold them: top row first, each
// row of width pixels in the layout, at rows `stride` apart, starting at
// column `offset` of a buffer; top points at the picture's top row.
struct Held {
    std::vector<uint8_t> buffer;
    const uint8_t* top = nullptr;
    ptrdiff_t stride = 0;
    ptrdiff_t pixelStride = 0;
};

int BytesPerPixel(int layout) {
    return layout == VELMORA_LAYOUT_GRAY ? 1 : layout == VELMORA_LAYOUT_RGB || layout == VELMORA_LAYOUT_BGR ? 3 : 4;
}

// bgra holds 4 bytes a pixel, top row first. A view of every other row of
// a buffer wider than the picture (and of every other column when asked),
// its rows stored bottom-up when asked.
Held Hold(const std::vector<uint8_t>& bgra, int width, int height, int layout, bool view, bool columns,
          bool bottomUp) {
    const int bytes = BytesPerPixel(layout);
    const ptrdiff_t pixelStride = columns ? 2 * bytes : bytes;
    const ptrdiff_t row = ptrdiff_t(width) * pixelStride + (view ? 5 * bytes + 3 : 0);
    const ptrdiff_t step = view ? 2 * row : row;
    const ptrdiff_t offset = view ? 2 * bytes : 0;
    Held held;
    held.buffer.assign(size_t(step) * height, 0x77);
    for (int y = 0; y < height; ++y) {
        const int stored = bottomUp ? height - 1 - y : y;
        uint8_t* to = held.buffer.data() + stored * step + offset;
        for (int x = 0; x < width; ++x, to += pixelStride) {
            const uint8_t* p = &bgra[(size_t(y) * width + x) * 4];
            const uint8_t b = p[0], g = p[1], r = p[2], a = p[3];
            switch (layout) {
            case VELMORA_LAYOUT_RGB: to[0] = r, to[1] = g, to[2] = b; break;
            case VELMORA_LAYOUT_BGR: to[0] = b, to[1] = g, to[2] = r; break;
            case VELMORA_LAYOUT_RGBA: to[0] = r, to[1] = g, to[2] = b, to[3] = a; break;
            case VELMORA_LAYOUT_BGRA: to[0] = b, to[1] = g, to[2] = r, to[3] = a; break;
            default: to[0] = g; break;
            }
        }
    }
    held.top = held.buffer.data() + offset + (bottomUp ? (height - 1) * step : 0);
    held.stride = bottomUp ? -step : step;
    held.pixelStride = pixelStride;
    return held;
}

// The PNG file's pixels as libspng decodes them, 4 bytes a pixel in blue,
// green, red, alpha order, top row first.
std::vector<uint8_t> DecodeBgra(const std::vector<uint8_t>& png, int& width, int& height) {
    spng_ctx* context = spng_ctx_new(0);
    spng_set_png_buffer(context, png.data(), png.size());
    spng_ihdr header{};
    spng_get_ihdr(context, &header);
    width = int(header.width);
    height = int(header.height);
    std::vector<uint8_t> pixels(size_t(width) * height * 4);
    EXPECT_EQ(spng_decode_image(context, pixels.data(), pixels.size(), SPNG_FMT_RGBA8, 0), 0);
    spng_ctx_free(context);
    for (size_t i = 0; i < pixels.size(); i += 4) std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

// The document's extraction of the file's picture: 0 for a line pixel, 255
// for the background, top row first.
std::vector<uint8_t> DocumentLines(const std::vector<uint8_t>& file, const velmora_options& options) {
    ImageDocument document;
    EXPECT_TRUE(document.LoadMemory(file.data(), file.size()));
    EXPECT_TRUE(document.Extract(options.thickness, options.contrast - 1, options.noise != 0));
    const Picture result = ReadImage(*document.ResultInfo());
    std::vector<uint8_t> lines;
    for (const Bgr& pixel : result.pixels) lines.push_back(pixel.blue);
    return lines;
}

// A random picture with steps in every channel, as an RGBA PNG file:
// alpha from 0 to 255 across it when asked, else opaque.
std::vector<uint8_t> RandomPng(int width, int height, bool alpha) {
    const Picture picture = RandomPicture(width, height, 24);
    std::vector<uint8_t> rgba;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Bgr& pixel = picture.At(x, y);
            rgba.insert(rgba.end(), {pixel.red, pixel.green, pixel.blue, uint8_t(alpha ? (x * 37 + y * 11) % 256 : 255)});
        }
    }
    spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(context, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr header = {uint32_t(width), uint32_t(height), 8, SPNG_COLOR_TYPE_TRUECOLOR_ALPHA, 0, 0, 0};
    spng_set_ihdr(context, &header);
    EXPECT_EQ(spng_encode_image(context, rgba.data(), rgba.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE), 0);
    size_t size = 0;
    int error = 0;
    auto* bytes = static_cast<uint8_t*>(spng_get_png_buffer(context, &size, &error));
    std::vector<uint8_t> png(bytes, bytes + size);
    std::free(bytes);
    spng_ctx_free(context);
    return png;
}

// A PNG file for the document, whose pixels the layouts that hold them
// are given.
struct Sample {
    std::string name;
    std::vector<uint8_t> png;
    bool grey;   // the picture is grey: every layout holds it
    bool alpha;  // it has transparency: only the layouts with alpha hold it
};

}  // namespace

TEST(VelmoraExtract, GivesTheDocumentsResultInEveryLayoutAndView) {
    std::vector<Sample> samples = {
        {"random colour", RandomPng(67, 45, false), false, false},
        {"random colour with alpha", RandomPng(67, 45, true), false, true},
        {"basn0g08.png", {}, true, false},  // grey
        {"basn4a08.png", {}, true, true},   // grey with alpha
    };
    for (Sample& sample : samples) {
        if (sample.png.empty()) sample.png = ReadBytes(Data + "/pngsuite/png/" + sample.name);
    }
    std::vector<std::function<void(velmora_options&)>> settings = {
        [](velmora_options&) {},
        [](velmora_options& o) { o.thickness = VELMORA_THICK, o.contrast = 2, o.noise = 1; },
        [](velmora_options& o) { o.contrast = 12, o.noise = 1; },
    };
    for (const Sample& sample : samples) {
        const std::vector<uint8_t>& png = sample.png;
        int width = 0, height = 0;
        const std::vector<uint8_t> bgra = DecodeBgra(png, width, height);
        for (size_t s = 0; s < settings.size(); ++s) {
            velmora_options options = Defaults();
            settings[s](options);
            const std::vector<uint8_t> expected = DocumentLines(png, options);
            for (const int layout : {VELMORA_LAYOUT_RGB, VELMORA_LAYOUT_BGR, VELMORA_LAYOUT_RGBA, VELMORA_LAYOUT_BGRA,
                                     VELMORA_LAYOUT_GRAY}) {
                const bool hasAlpha = layout == VELMORA_LAYOUT_RGBA || layout == VELMORA_LAYOUT_BGRA;
                if (sample.alpha != hasAlpha || (layout == VELMORA_LAYOUT_GRAY && !sample.grey)) continue;
                for (const int view : {0, 1, 2}) {  // whole buffer, wider buffer, every other column too
                    for (const bool bottomUp : {false, true}) {
                        SCOPED_TRACE(sample.name + ", settings " + std::to_string(s) + ", layout " +
                                     std::to_string(layout) + ", view " + std::to_string(view) +
                                     (bottomUp ? ", bottom-up" : ""));
                        const Held held = Hold(bgra, width, height, layout, view > 0, view == 2, bottomUp);
                        // The lines in a view of a wider buffer too, the rest untouched.
                        const ptrdiff_t linesStride = width + (view ? 3 : 0);
                        std::vector<uint8_t> lines(size_t(linesStride) * height, 0x77);
                        ASSERT_EQ(view == 2 ? velmora_extract_view(held.top, width, height, held.pixelStride,
                                                                   held.stride, layout, &options, lines.data(),
                                                                   linesStride)
                                            : velmora_extract(held.top, width, height, held.stride, layout, &options,
                                                              lines.data(), linesStride),
                                  VELMORA_OK);
                        std::vector<uint8_t> got;
                        for (int y = 0; y < height; ++y) {
                            const uint8_t* row = lines.data() + y * linesStride;
                            got.insert(got.end(), row, row + width);
                            for (ptrdiff_t x = width; x < linesStride; ++x) ASSERT_EQ(row[x], 0x77);
                        }
                        ASSERT_TRUE(got == expected);
                    }
                }
            }
        }
    }
}

// Every error number, provoked, with its message naming the cause.

namespace {

struct Provoked {
    int error;
    const char* message;  // a part of velmora_strerror's text
    std::function<int()> provoke;
};

int WithOption(const std::function<void(velmora_options&)>& set) {
    const std::vector<uint8_t> bytes = ReadBytes(Data + "/jpeg/baseline.jpg");
    velmora_options options = Defaults();
    set(options);
    void* output = nullptr;
    size_t size = 0;
    const int error = velmora_convert(bytes.data(), bytes.size(), &options, &output, &size);
    EXPECT_TRUE(output == nullptr && size == 0);
    velmora_free(output);
    return error;
}

int ConvertBytes(const std::vector<uint8_t>& bytes) {
    const velmora_options options = Defaults();
    void* output = reinterpret_cast<void*>(1);
    size_t size = 1;
    const int error = velmora_convert(bytes.data(), bytes.size(), &options, &output, &size);
    EXPECT_TRUE(output == nullptr && size == 0);
    return error;
}

int ConvertFile(const std::string& name) {
    return ConvertBytes(ReadBytes(Data + "/" + name));
}

int Extract(int width, int height, ptrdiff_t stride, int layout, ptrdiff_t linesStride,
            const std::function<void(velmora_options&)>& set = [](velmora_options&) {}) {
    std::vector<uint8_t> pixels(64 * 64 * 4, 0x80);
    std::vector<uint8_t> lines(64 * 64, 0x77);
    velmora_options options = Defaults();
    set(options);
    const int error =
        velmora_extract(pixels.data(), width, height, stride, layout, &options, lines.data(), linesStride);
    EXPECT_EQ(lines, std::vector<uint8_t>(64 * 64, 0x77));
    return error;
}

// errno after the call, which gives the system's reason.
int ErrnoOf(int error, int expected) {
    EXPECT_EQ(errno, expected);
    return error;
}

}  // namespace

TEST(VelmoraStrerror, EveryErrorIsProvokedAndNamesItsCause) {
    const std::string folder = TestFolder("VelmoraErrors");
    const std::string photo = Data + "/jpeg/baseline.jpg";
    std::vector<uint8_t> cut = ReadBytes(photo);
    cut.resize(cut.size() / 2);
    const velmora_options defaults = Defaults();
    void* output = nullptr;
    size_t size = 0;
    const std::vector<Provoked> table = {
        {VELMORA_ERROR_NULL_ARGUMENT, "null", [&] { return velmora_convert(nullptr, 0, &defaults, &output, &size); }},
        {VELMORA_ERROR_NULL_ARGUMENT, "null", [&] { return velmora_convert(&size, 1, nullptr, &output, &size); }},
        {VELMORA_ERROR_NULL_ARGUMENT, "null", [&] { return velmora_convert(&size, 1, &defaults, nullptr, &size); }},
        {VELMORA_ERROR_NULL_ARGUMENT, "null", [&] { return velmora_convert_file(nullptr, "x", &defaults); }},
        {VELMORA_ERROR_NULL_ARGUMENT, "null", [&] { return velmora_convert_file("x", "y", nullptr); }},
        {VELMORA_ERROR_NULL_ARGUMENT, "null",
         [&] { return velmora_convert_stream(nullptr, nullptr, WriteStream, nullptr, &defaults); }},
        {VELMORA_ERROR_NULL_ARGUMENT, "null",
         [&] {
             uint8_t lines[4];
             return velmora_extract(nullptr, 2, 2, 6, VELMORA_LAYOUT_RGB, &defaults, lines, 2);
         }},
        {VELMORA_ERROR_THICKNESS, "thickness", [] { return WithOption([](velmora_options& o) { o.thickness = 2; }); }},
        {VELMORA_ERROR_CONTRAST, "contrast", [] { return WithOption([](velmora_options& o) { o.contrast = 0; }); }},
        {VELMORA_ERROR_CONTRAST, "contrast", [] { return WithOption([](velmora_options& o) { o.contrast = 17; }); }},
        {VELMORA_ERROR_NOISE, "noise", [] { return WithOption([](velmora_options& o) { o.noise = -1; }); }},
        {VELMORA_ERROR_FORMAT, "format", [] { return WithOption([](velmora_options& o) { o.format = 3; }); }},
        {VELMORA_ERROR_LINE_COLOUR, "line_colour",
         [] { return WithOption([](velmora_options& o) { o.line_colour = 0x1000000; }); }},
        {VELMORA_ERROR_BACKGROUND_COLOUR, "background_colour",
         [] { return WithOption([](velmora_options& o) { o.background_colour = 0xFFFFFFFF; }); }},
        {VELMORA_ERROR_TRANSPARENT, "transparent must be",
         [] { return WithOption([](velmora_options& o) { o.transparent = 2; }); }},
        {VELMORA_ERROR_TRANSPARENT_BMP, "BMP has no transparency",
         [] { return WithOption([](velmora_options& o) { o.transparent = 1; }); }},
        {VELMORA_ERROR_RESERVED, "reserved",
         [] { return WithOption([](velmora_options& o) { o.reserved[8] = 1; }); }},
        {VELMORA_ERROR_CONTRAST, "contrast",
         [] { return Extract(8, 8, 24, VELMORA_LAYOUT_RGB, 8, [](velmora_options& o) { o.contrast = 17; }); }},
        {VELMORA_ERROR_DIMENSIONS, "width and height", [] { return Extract(0, 8, 24, VELMORA_LAYOUT_RGB, 8); }},
        {VELMORA_ERROR_DIMENSIONS, "width and height", [] { return Extract(8, -1, 24, VELMORA_LAYOUT_RGB, 8); }},
        {VELMORA_ERROR_STRIDE, "stride", [] { return Extract(8, 8, 23, VELMORA_LAYOUT_RGB, 8); }},
        {VELMORA_ERROR_STRIDE, "stride", [] { return Extract(8, 8, -31, VELMORA_LAYOUT_BGRA, 8); }},
        {VELMORA_ERROR_STRIDE, "stride", [] { return Extract(8, 8, 8, VELMORA_LAYOUT_GRAY, -7); }},
        {VELMORA_ERROR_STRIDE, "stride",
         [&] {
             uint8_t pixels[48] = {}, lines[8] = {};
             return velmora_extract_view(pixels, 4, 2, -2, 24, VELMORA_LAYOUT_RGB, &defaults, lines, 4);
         }},
        {VELMORA_ERROR_LAYOUT, "layout", [] { return Extract(8, 8, 32, 5, 8); }},
        {VELMORA_ERROR_TOO_LARGE, "too large", [] { return Extract(60000, 60000, 60000, VELMORA_LAYOUT_GRAY, 60000); }},
        {VELMORA_ERROR_NOT_AN_IMAGE, "not a BMP, JPEG or PNG", [] { return ConvertFile("jpeg/README.md"); }},
        {VELMORA_ERROR_DAMAGED, "damaged or cut short", [&] { return ConvertBytes(cut); }},
        {VELMORA_ERROR_TOO_MANY_SCANS, "more scans", [] { return ConvertFile("jpeg/scans-190.jpg"); }},
        {VELMORA_ERROR_TOO_LARGE, "too large", [] { return ConvertFile("fuzz/jpeg-baseline-claims-60000x60000.jpg"); }},
        {VELMORA_ERROR_OUT_OF_MEMORY, "out of memory",
         [] {
             const MemoryBudget none(0);
             return ConvertFile("jpeg/baseline.jpg");
         }},
        {VELMORA_ERROR_OUT_OF_MEMORY, "out of memory",
         [] {
             const MemoryBudget none(0);
             return Extract(8, 8, 24, VELMORA_LAYOUT_RGB, 8);
         }},
        {VELMORA_ERROR_CANNOT_OPEN, "cannot open",
         [&] { return ErrnoOf(velmora_convert_file((folder + "/missing.jpg").c_str(), (folder + "/out").c_str(), &defaults), ENOENT); }},
        {VELMORA_ERROR_CANNOT_WRITE, "cannot write",
         [&] { return ErrnoOf(velmora_convert_file(photo.c_str(), (folder + "/missing/out.bmp").c_str(), &defaults), ENOENT); }},
        {VELMORA_ERROR_READ_CALLBACK, "read callback",
         [&] {
             Stream stream;
             stream.failRead = true;
             return ConvertStream(stream, defaults);
         }},
        {VELMORA_ERROR_WRITE_CALLBACK, "write callback",
         [&] {
             const std::vector<uint8_t> bytes = ReadBytes(photo);
             Stream stream;
             stream.input = &bytes;
             stream.failWrite = 1;
             velmora_options options = Defaults();
             options.format = VELMORA_FORMAT_PNG;
             const int error = ConvertStream(stream, options);
             EXPECT_EQ(stream.writes, 2) << "no write after the one that failed";
             return error;
         }},
    };
    std::vector<bool> provoked(VELMORA_ERROR_WRITE_CALLBACK + 1);
    for (size_t i = 0; i < table.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i) + ": " + velmora_strerror(table[i].error));
        errno = 0;
        EXPECT_EQ(table[i].provoke(), table[i].error);
        EXPECT_NE(std::string(velmora_strerror(table[i].error)).find(table[i].message), std::string::npos);
        provoked[size_t(table[i].error)] = true;
    }
    for (int error = 1; error <= VELMORA_ERROR_WRITE_CALLBACK; ++error) {
        EXPECT_TRUE(provoked[size_t(error)]) << "error " << error << " is never provoked";
        EXPECT_STRNE(velmora_strerror(error), velmora_strerror(error - 1)) << error;
    }
    EXPECT_STREQ(velmora_strerror(VELMORA_ERROR_WRITE_CALLBACK + 1), "unknown error");
    EXPECT_STREQ(velmora_strerror(-1), "unknown error");
    EXPECT_TRUE(std::filesystem::is_empty(folder)) << "a failed conversion left a file";
}
