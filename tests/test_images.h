// Helpers for building small pictures and reading them back in tests.
#pragma once

#include "base/dib.h"
#include "base/output_colours.h"
#include "kernels/instruction_set.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

struct Bgr {
    uint8_t blue, green, red;
    bool operator==(const Bgr&) const = default;
};

// A picture as rows from the top, for describing expectations.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Bgr> pixels;  // row by row from the top
    Bgr& At(int x, int y) { return pixels[size_t(y) * width + x]; }
    const Bgr& At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// Grey picture from rows of values, top row first.
Picture GreyPicture(const std::vector<std::vector<int>>& rows);

// Black (0) and white (255) picture from strings of 'D' (dark) and '.'.
Picture DarkPicture(const std::vector<std::string>& rows);

// Pseudo-random picture with smooth areas, steps and noise.
Picture RandomPicture(int width, int height, uint32_t seed);

// The width x height part of the picture from (left, top).
Picture Crop(const Picture& picture, int left, int top, int width, int height);

// A 24-bit image holding the picture; its padding bytes are set to fill.
DibHandle MakeImage(const Picture& picture, uint8_t fill = 0xA5);

// The picture an image in the working layout holds.
Picture ReadImage(DibHandle image);
Picture ReadImage(const DibInfo& info);

// What extract (ExtractEdges, ExtractInk, ExtractPhoto) draws of the
// picture, checking that the source is left as it was and the padding of
// both unwritten.
using ExtractFunction = bool (*)(DibHandle source, DibHandle result, int thickness, int contrast, InstructionSet set);
Picture ExtractedWith(ExtractFunction extract, const Picture& source, int thickness, int contrast, InstructionSet set);

// The result that extraction with these options, followed by speck removal
// when noise is set, gives for the source.
Picture ExpectedDrawing(const Picture& source, int thickness, int contrast, bool noise);

// The files kept in the test data's fuzz folder that ImgLoadFile refuses.
std::vector<std::string> RefusedFuzzInputs();

// Every instruction set this processor can run, the plain reference first
// (InstructionSetName names them in test messages).
std::vector<InstructionSet> RunnableInstructionSets();

// Every padding byte of the 24-bit image equals fill.
bool PaddingIs(DibHandle image, uint8_t fill);

// Empty string when equal, else where and how they first differ.
std::string FirstDifference(const Picture& expected, const Picture& actual);

// A fresh, empty folder for one test's files.
std::string TestFolder(const std::string& name);

// The bytes of the SVG file of the picture's lines at the thickness
// (see svg_writer.h); empty when it cannot be made.
std::vector<uint8_t> SvgOf(const Picture& picture, int thickness, const OutputColours& colours);

// Reads and writes whole files for tests.
std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Sets the pixel memory budget while it lives; see ImgSetMemoryBudgetForTesting.
class MemoryBudget {
public:
    explicit MemoryBudget(int64_t bytes) { ImgSetMemoryBudgetForTesting(bytes); }
    ~MemoryBudget() { ImgSetMemoryBudgetForTesting(-1); }
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;
};
