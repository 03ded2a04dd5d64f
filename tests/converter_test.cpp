#include "base/file_io.h"
#include "convert.h"
#include "document/image_document.h"
#include "exif_files.h"
#include "help.h"
#include "options.h"
#include "paths.h"
#include "pipeline/image.h"
#include "pipeline/output_formats.h"
#include "plan.h"
#include "png_files.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <tuple>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#endif

namespace {

const std::string Data = VELMORA_TEST_DATA;

ParseOutcome Parse(const std::vector<std::string>& arguments, ConvertOptions& options, std::string& message) {
    options = ConvertOptions{};
    message.clear();
    return ParseArguments(arguments, options, message);
}

struct ConverterResult {
    int exitCode;
    std::string out;
    std::string err;
};

std::string Native(std::string path) {
#ifdef _WIN32
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
#endif
    return path;
}

// Text written by the converter, its lines ending in '\n' also where the
// C library of Windows writes "\r\n".
std::string Lines(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' || i + 1 == bytes.size() || bytes[i + 1] != '\n') text += char(bytes[i]);
    }
    return text;
}

// The command that runs the converter with the arguments, each quoted,
// after the prefix, its streams into files of the folder.
std::string ConverterCommand(const std::string& folder, const std::vector<std::string>& arguments,
                             const std::string& prefix = "") {
    std::string command = prefix + "\"" + Native(VELMORA_CLI) + "\"";
    for (const std::string& argument : arguments) command.append(" \"").append(Native(argument)).append("\"");
    command += " > \"" + Native(folder + "/stdout.txt") + "\" 2> \"" + Native(folder + "/stderr.txt") + "\"";
#ifdef _WIN32
    // cmd.exe drops the outermost quotes of a command that starts with one.
    command = "\"" + command + "\"";
#endif
    return command;
}

// What the command of ConverterCommand did, from the status system() or
// pclose() gave.
ConverterResult ConverterFinished(const std::string& folder, int status) {
#ifndef _WIN32
    status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    const std::vector<uint8_t> out = ReadBytes(folder + "/stdout.txt");
    const std::vector<uint8_t> err = ReadBytes(folder + "/stderr.txt");
    std::filesystem::remove(folder + "/stdout.txt");
    std::filesystem::remove(folder + "/stderr.txt");
    return {status, Lines(out), Lines(err)};
}

ConverterResult RunConverter(const std::string& folder, const std::vector<std::string>& arguments,
                             const std::string& prefix = "") {
    const std::string command = ConverterCommand(folder, arguments, prefix);
    int status = std::system(command.c_str());
#ifdef _WIN32
    // Under a loaded Wine, starting cmd.exe now and then fails outright (-1,
    // nothing run, not even the redirections): start it again, as a user
    // would, rather than count the converter's failure.
    for (int attempt = 0; attempt < 3 && status == -1 && !std::filesystem::exists(folder + "/stderr.txt"); ++attempt) {
        status = std::system(command.c_str());
    }
#endif
    return ConverterFinished(folder, status);
}

// What the window program would show after extracting the file's picture.
Picture ExpectedDrawing(const std::string& input, int thickness, int contrastShown, bool noise,
                        LineStyle style = LineStyle::Edges) {
    ImageDocument document;
    EXPECT_TRUE(document.LoadFile(input.c_str())) << input;
    EXPECT_TRUE(document.Extract(thickness, contrastShown - 1, noise, style)) << input;
    return document.ResultInfo() ? ReadImage(*document.ResultInfo()) : Picture{};
}

Picture LoadPicture(const std::string& path) {
    DibHandle image = ImgLoadFile(path.c_str());
    EXPECT_NE(image, nullptr) << path;
    if (!image) return {};
    ImgMake24(image);
    Picture picture = ReadImage(image);
    ImgRelease(image);
    return picture;
}

size_t FileCount(const std::string& folder) {
    return size_t(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

class ConverterRun : public testing::Test {
protected:
    void SetUp() override {
        folder = TestFolder(std::string("Converter") + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::copy_file(Data + "/jpeg/baseline.jpg", folder + "/photo.jpg");
        std::filesystem::copy_file(Data + "/pngsuite/png/basn6a08.png", folder + "/alpha.png");
        DibHandle image = MakeImage(RandomPicture(37, 29, 11), 0);
        SaveImage((folder + "/drawing.bmp").c_str(), image);
        ImgRelease(image);
    }

    std::string folder;
};

}  // namespace

TEST(ConverterOptions, ReadsEveryOptionInBothForms) {
    ConvertOptions options;
    std::string message;
    ASSERT_EQ(Parse({"--thickness", "thick", "--contrast=16", "--noise", "on", "-o", "x.png", "in.bmp"}, options, message),
              ParseOutcome::Convert);
    EXPECT_EQ(options.thickness, 1);
    EXPECT_EQ(options.contrast, 16);
    EXPECT_TRUE(options.noise);
    EXPECT_EQ(options.output, "x.png");
    EXPECT_EQ(options.style, VELMORA_STYLE_EDGES);
    ASSERT_EQ(Parse({"--style", "ink", "a.jpg"}, options, message), ParseOutcome::Convert);
    EXPECT_EQ(options.style, VELMORA_STYLE_INK);
    ASSERT_EQ(Parse({"--style=ink", "--style=edges", "a.jpg"}, options, message), ParseOutcome::Convert);
    EXPECT_EQ(options.style, VELMORA_STYLE_EDGES);
    ASSERT_EQ(Parse({"--contrast", "1", "--", "-dash.jpg", "b.jpg"}, options, message), ParseOutcome::Convert);
    EXPECT_EQ(options.contrast, 1);
    EXPECT_EQ(options.inputs, (std::vector<std::string>{"-dash.jpg", "b.jpg"}));
    EXPECT_EQ(options.jobs, 0);
    ASSERT_EQ(Parse({"-j", "3", "--jobs=12", "-o", "-", "-"}, options, message), ParseOutcome::Convert);
    EXPECT_EQ(options.jobs, 12);
    EXPECT_EQ(options.output, "-");
    EXPECT_EQ(options.inputs, std::vector<std::string>{"-"});
    EXPECT_EQ(Parse({"--help"}, options, message), ParseOutcome::Help);
    EXPECT_EQ(Parse({"--version", "a.jpg"}, options, message), ParseOutcome::Version);
}

// GNU's forms: a short option's value attached (-j4, -ofile) or apart, a
// long one's after '=' or apart.
TEST(ConverterOptions, ShortOptionsTakeTheirValueAttachedOrApart) {
    ConvertOptions options;
    std::string message;
    const std::tuple<std::vector<std::string>, int, std::string, int> cases[] = {
        {{"-j4", "a.jpg"}, 4, "", VELMORA_FORMAT_BMP},
        {{"-j", "4", "a.jpg"}, 4, "", VELMORA_FORMAT_BMP},
        {{"-j12", "-ox.png", "a.jpg"}, 12, "x.png", VELMORA_FORMAT_PNG},
        {{"-o", "x.SVG", "a.jpg"}, 0, "x.SVG", VELMORA_FORMAT_SVG},
        {{"-o-", "--format=png", "-"}, 0, "-", VELMORA_FORMAT_PNG},
        {{"-odir.d/out", "a.jpg"}, 0, "dir.d/out", VELMORA_FORMAT_BMP},
        {{"--format", "svg", "-o", "plot", "a.jpg"}, 0, "plot", VELMORA_FORMAT_SVG},
    };
    for (const auto& [arguments, jobs, output, format] : cases) {
        ASSERT_EQ(Parse(arguments, options, message), ParseOutcome::Convert) << arguments[0] << ": " << message;
        EXPECT_EQ(std::tie(options.jobs, options.output, options.format), std::tie(jobs, output, format)) << arguments[0];
    }
    EXPECT_EQ(Parse({"-h"}, options, message), ParseOutcome::Help);
}

TEST(ConverterOptions, BadOptionsAndValuesAreNamed) {
    ConvertOptions options;
    std::string message;
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--contrast", "0", "a.jpg"}, "'0'"},      {{"--contrast", "17", "a.jpg"}, "'17'"},
        {{"--contrast", "7x", "a.jpg"}, "'7x'"},    {{"--contrast", "-3", "a.jpg"}, "'-3'"},
        {{"--thickness", "medium", "a"}, "medium"}, {{"--noise", "yes", "a.jpg"}, "'yes' for --noise (off|on)"},
        {{"--style", "dots", "a"}, "'dots' for --style (edges|ink|photo)"},
        {{"--style=Ink", "a"}, "'Ink' for --style (edges|ink|photo)"}, {{"--style", "a"}, "'a' for --style"},
        {{"--style="}, "'' for --style"},
        {{"--colour", "a.jpg"}, "--colour"},        {{"a.jpg", "--contrast"}, "--contrast"},
        {{"-o", "x.bmp", "a.jpg", "b.jpg"}, "-o"},  {{}, "no input"},
        {{"--format", "gif", "a"}, "'gif'"},        {{"--lines", "red", "a"}, "'red'"},
        {{"--lines", "#12345", "a"}, "'#12345'"},   {{"--lines", "#1234567", "a"}, "'#1234567'"},
        {{"--lines", "#12345G", "a"}, "'#12345G'"}, {{"--lines", "transparent", "a"}, "'transparent'"},
        {{"--background=transparent", "-o", "x.bmp", "a"},
         "--background transparent needs PNG or SVG output, but the output is BMP, which has no transparency"},
        {{"-j", "0", "a"}, "'0' for -j"},           {{"--jobs=1.5", "a"}, "'1.5' for --jobs"},
        {{"-j", "-2", "a"}, "'-2'"},                {{"--jobs", "9999999999", "a"}, "'9999999999'"},
        {{"-o", "x", "-", "--", "-"}, "only once"}, {{"-"}, "needs -o"},
        {{"--output-dir", "d", "-"}, "--output-dir"}, {{"-o", "-", "a", "-"}, "-o names"},
        {{"-j0", "a"}, "'0' for -j"},               {{"-jx", "a"}, "'x' for -j"},
        {{"-x", "a"}, "unknown option '-x'"},       {{"-hx"}, "'-h' takes no value"},
        {{"--quiet=yes", "a"}, "'--quiet' takes no value"}, {{"-o"}, "'-o' needs a value"},
        {{"-qr", "a"}, "'-q' takes no value"},      {{"--recursive=1", "a"}, "'--recursive' takes no value"},
        // A folder's outputs have no single name.
        {{"-o", "x.bmp", "."}, "but '.' is a folder; write its outputs with --output-dir"},
        // An output named for another format, or for none.
        {{"-o", "out.jpg", "a"}, "'out.jpg' ends in .jpg, which is no format's: bmp writes .bmp, png .png and svg .svg files"},
        {{"-oout.", "a"}, "'out.' ends in ., which is no format's"},
        {{"--format", "png", "-o", "x.bmp", "a"}, "'x.bmp' ends in .bmp, but --format png writes .png"},
        {{"-o", "x.PNG", "--format=svg", "a"}, "'x.PNG' ends in .PNG, but --format svg writes .svg"},
        {{"--format", "bmp", "-o", "x.jpeg", "a"}, "'x.jpeg' ends in .jpeg, which is no format's"},
    };
    for (const auto& [arguments, named] : cases) {
        EXPECT_EQ(Parse(arguments, options, message), ParseOutcome::UsageError) << named;
        EXPECT_NE(message.find(named), std::string::npos) << message;
    }
}

// Each list of choices is the C library's, counted here from its names:
// the help's synopsis and option list, the values a refused one's message
// offers, the names taken and their numbers. UsageText throws when the
// library names a style or format the help has no words for.
TEST(ConverterHelp, ListsExactlyTheLibrarysChoices) {
    std::string help;
    ASSERT_NO_THROW(help = UsageText());
    const auto listed = [](const char* (*nameOf)(int)) {
        std::string names;
        for (int value = 0; nameOf(value); ++value) names += (value > 0 ? "|" : "") + std::string(nameOf(value));
        return names;
    };
    const std::tuple<std::string, const char* (*)(int), int ConvertOptions::*> lists[] = {
        {"--style", velmora_style_name, &ConvertOptions::style},
        {"--thickness", velmora_thickness_name, &ConvertOptions::thickness},
        {"--format", velmora_format_name, &ConvertOptions::format},
    };
    ConvertOptions options;
    std::string message;
    for (const auto& [option, nameOf, field] : lists) {
        const std::string values = listed(nameOf);
        EXPECT_NE(help.find("[" + option + " " + values + "]"), std::string::npos) << option << " in " << help;
        // Its row in the option list, with the description beside it or,
        // when the values leave no room, below.
        const std::string row = "\n  " + option + " " + values;
        const size_t at = help.find(row);
        ASSERT_NE(at, std::string::npos) << option << " in " << help;
        EXPECT_NE(std::string(" \n").find(help.at(at + row.size())), std::string::npos) << option << " in " << help;
        for (int value = 0; const char* name = nameOf(value); ++value) {
            ASSERT_EQ(Parse({option, name, "a.jpg"}, options, message), ParseOutcome::Convert) << name << ": " << message;
            EXPECT_EQ(options.*field, value) << name;
        }
        ASSERT_EQ(Parse({option, "none", "a.jpg"}, options, message), ParseOutcome::UsageError);
        // --format's message names no list.
        if (option != "--format") {
            EXPECT_EQ(message, "invalid value 'none' for " + option + " (" + values + ")");
        }
    }
    for (int style = 0; const char* name = velmora_style_name(style); ++style) {
        EXPECT_NE(help.find(std::string(name) + ": "), std::string::npos) << name << " in " << help;
    }
    // However long the lists, the help fits a terminal of 80 columns with
    // room to spare.
    for (size_t start = 0, end; start < help.size(); start = end + 1) {
        end = std::min(help.find('\n', start), help.size());
        EXPECT_LE(end - start, 78u) << help.substr(start, end - start);
    }

    const std::string contrasts = std::to_string(VELMORA_CONTRAST_LOWEST) + "-" + std::to_string(VELMORA_CONTRAST_HIGHEST);
    EXPECT_NE(help.find("[--contrast " + contrasts + "]"), std::string::npos) << help;
    EXPECT_NE(help.find("(default " + std::to_string(VELMORA_CONTRAST_DEFAULT) + ")"), std::string::npos) << help;
    EXPECT_EQ(ConvertOptions{}.contrast, VELMORA_CONTRAST_DEFAULT);
    for (const int contrast : {VELMORA_CONTRAST_LOWEST, VELMORA_CONTRAST_HIGHEST}) {
        ASSERT_EQ(Parse({"--contrast", std::to_string(contrast), "a.jpg"}, options, message), ParseOutcome::Convert);
        EXPECT_EQ(options.contrast, contrast);
    }
    for (const int contrast : {VELMORA_CONTRAST_LOWEST - 1, VELMORA_CONTRAST_HIGHEST + 1}) {
        ASSERT_EQ(Parse({"--contrast", std::to_string(contrast), "a.jpg"}, options, message), ParseOutcome::UsageError);
        EXPECT_EQ(message, "invalid value '" + std::to_string(contrast) + "' for --contrast (" + contrasts + ")");
    }
}

TEST(ConverterPaths, OutputGoesBesideTheInputWithoutItsExtension) {
    EXPECT_EQ(DefaultOutputPath("pics/cat.jpg"), "pics/cat-velmora.bmp");
    EXPECT_EQ(DefaultOutputPath("cat"), "cat-velmora.bmp");
    EXPECT_EQ(DefaultOutputPath("v1.2/cat"), "v1.2/cat-velmora.bmp");
    EXPECT_EQ(DefaultOutputPath("a.tar.png"), "a.tar-velmora.bmp");
    EXPECT_EQ(DefaultOutputPath(".hidden"), ".hidden-velmora.bmp");
    EXPECT_EQ(DefaultOutputPath("写真 é/café 🙂.jpg"), "写真 é/café 🙂-velmora.bmp");
#ifdef _WIN32
    EXPECT_EQ(DefaultOutputPath("C:\\v1.2\\cat"), "C:\\v1.2\\cat-velmora.bmp");
#endif
    const std::pair<std::string, std::string> extensions[] = {
        {"a.PNG", ".PNG"}, {"dir/a.png", ".png"}, {"a.png.bmp", ".bmp"}, {"png", ""},
        {"v1.2/cat", ""},  {".hidden", ""},       {"dir/.x.svg", ".svg"}, {"a.", "."}};
    for (const auto& [path, extension] : extensions) EXPECT_EQ(FileExtension(path), extension) << path;
}

TEST_F(ConverterRun, ConvertsJpegPngAndBmpBesideTheirInputs) {
    const ConverterResult run = RunConverter(folder, {"--thickness", "thick", "--contrast", "3", "--noise", "on",
                                          folder + "/photo.jpg", folder + "/alpha.png", folder + "/drawing.bmp"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* name : {"photo.jpg", "alpha.png", "drawing.bmp"}) {
        const std::string input = folder + "/" + name;
        const std::string output = DefaultOutputPath(input);
        EXPECT_EQ(FirstDifference(ExpectedDrawing(input, 1, 3, true), LoadPicture(output)), "") << name;
        EXPECT_EQ(ReadBytes(output)[28], 24) << "24-bit BMP expected for " << name;
    }
}

TEST_F(ConverterRun, WithoutOptionsItDrawsAsTheWindowProgramsUntouchedLists) {
    // Thin lines, contrast 7, no speck removal, as the window tests find
    // the option lists at start; each other value draws another picture.
    const std::string input = folder + "/photo.jpg";
    ASSERT_EQ(RunConverter(folder, {input}).exitCode, 0);
    const Picture expected = ExpectedDrawing(input, 0, 7, false);
    EXPECT_EQ(FirstDifference(expected, LoadPicture(DefaultOutputPath(input))), "");
    for (const auto& [thickness, contrast, noise] : {std::tuple{1, 7, false}, {0, 6, false}, {0, 8, false}, {0, 7, true}}) {
        EXPECT_NE(FirstDifference(expected, ExpectedDrawing(input, thickness, contrast, noise)), "") << contrast;
    }
    EXPECT_NE(FirstDifference(expected, ExpectedDrawing(input, 0, 7, false, LineStyle::Ink)), "");
    // Edges asked for by name are the same bytes.
    ASSERT_EQ(RunConverter(folder, {"--style=edges", "-o", folder + "/edges.bmp", input}).exitCode, 0);
    EXPECT_EQ(ReadBytes(folder + "/edges.bmp"), ReadBytes(DefaultOutputPath(input)));
}

// Each input's ink and photo drawing, as the window program's document
// extracts it, with the other options applied alike, as BMP and as PNG.
TEST_F(ConverterRun, InkAndPhotoStylesDrawAsTheDocumentInBmpAndPng) {
    const std::tuple<std::vector<std::string>, LineStyle, std::string, int, int, bool> cases[] = {
        {{"--style", "ink"}, LineStyle::Ink, "bmp", 0, 7, false},
        {{"--style=ink", "--format", "png"}, LineStyle::Ink, "png", 0, 7, false},
        {{"--style", "ink", "--thickness", "thick", "--contrast", "3", "--noise", "on"}, LineStyle::Ink, "bmp", 1, 3, true},
        {{"--contrast=12", "--style", "ink", "--format=png", "--noise=on"}, LineStyle::Ink, "png", 0, 12, true},
        {{"--style", "photo"}, LineStyle::Photo, "bmp", 0, 7, false},
        {{"--style=photo", "--format=png", "--thickness", "thick", "--contrast", "5", "--noise", "on"},
         LineStyle::Photo, "png", 1, 5, true},
    };
    const std::vector<std::string> inputs = {"photo.jpg", "alpha.png", "drawing.bmp"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        auto [arguments, style, extension, thickness, contrast, noise] = cases[i];
        const std::string into = folder + "/" + std::to_string(i);
        arguments.insert(arguments.end(), {"--quiet", "--output-dir", into});
        for (const std::string& input : inputs) arguments.push_back(folder + "/" + input);
        const ConverterResult run = RunConverter(folder, arguments);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        for (const std::string& input : inputs) {
            const std::string output = into + "/" + input.substr(0, input.find('.')) + "-velmora." + extension;
            EXPECT_EQ(ReadBytes(output).at(1), extension == "bmp" ? 'M' : 'P') << output;
            EXPECT_EQ(FirstDifference(ExpectedDrawing(folder + "/" + input, thickness, contrast, noise, style),
                                      LoadPicture(output)),
                      "")
                << output;
        }
    }
}

TEST_F(ConverterRun, SeveralInputsGiveTheSameFilesAsSingleRuns) {
    const std::vector<std::string> inputs = {folder + "/photo.jpg", folder + "/alpha.png", folder + "/drawing.bmp"};
    std::vector<std::vector<uint8_t>> single;
    for (const std::string& input : inputs) {
        ASSERT_EQ(RunConverter(folder, {input}).exitCode, 0);
        single.push_back(ReadBytes(DefaultOutputPath(input)));
        std::filesystem::remove(DefaultOutputPath(input));
    }
    ASSERT_EQ(RunConverter(folder, inputs).exitCode, 0);
    for (size_t i = 0; i < inputs.size(); ++i) EXPECT_EQ(ReadBytes(DefaultOutputPath(inputs[i])), single[i]) << inputs[i];
}

TEST(SavePng, BlackAndWhiteAsOneBitGreyElseRgbWithTheSamePixels) {
    const std::string folder = TestFolder("WritePng");
    // Widths that leave a partial byte of bits and row padding.
    const Picture drawing = DarkPicture({"D..D.D..D.D", "..DD......D", "DDDDDDDDD.."});
    // One pixel that is not black or white, each breaking another part of that test.
    std::vector<Picture> pictures(4, drawing);
    pictures[1].At(4, 1) = Bgr{254, 254, 254};
    pictures[2].At(5, 1) = Bgr{255, 0, 255};
    pictures[3].At(6, 1) = Bgr{0, 0, 255};
    for (const Picture& picture : pictures) {
        const bool bilevel = &picture == &pictures[0];
        const OutputColours colours = bilevel ? OutputColours{} : OutputColours{0x1E64C8, 0, true};  // not applied
        DibHandle image = MakeImage(picture);
        const std::string path = folder + "/out.png";
        Failure error;
        ASSERT_TRUE(SaveImage(path.c_str(), image, LineFormat::Png, colours, 0, &error)) << error.system;
        ASSERT_TRUE(SaveImage((path + "1").c_str(), image) && SaveImage((path + "2").c_str(), image, LineFormat::Bmp, OutputColours{0x1E64C8}));
        EXPECT_EQ(ReadBytes(path + "1") == ReadBytes(path + "2"), !bilevel) << "colours of a BMP";
        ImgRelease(image);
        const std::vector<uint8_t> bytes = ReadBytes(path);
        ASSERT_GT(bytes.size(), 26u);
        EXPECT_EQ(bytes[24], bilevel ? 1 : 8) << "bit depth";
        EXPECT_EQ(bytes[25], bilevel ? 0 : 2) << "colour type";
        DibHandle loaded = ImgLoadFile(path.c_str());
        ASSERT_NE(loaded, nullptr);
        EXPECT_EQ(FirstDifference(picture, ReadImage(loaded)), "");
        ImgRelease(loaded);
    }
}

TEST_F(ConverterRun, OutputsInTheirFormatAndColoursReadBack) {
    const std::tuple<std::vector<std::string>, std::string, OutputColours> cases[] = {
        {{"-o", folder + "/result.PNG"}, "/result.PNG", {}},
        {{"--format", "png", "--output-dir", folder + "/png"}, "/png/drawing-velmora.png", {}},
        {{"--background", "transparent", "-o", folder + "/clear.png"}, "/clear.png", {0, 0, true}},
        {{"--lines", "#1E64C8", "--format", "png", "-o", folder + "/blue"}, "/blue", {0x1E64C8}},
        {{"--lines", "white", "--background", "black", "--format", "png"}, "/drawing-velmora.png", {0xFFFFFF, 0}},
        {{"--lines", "white", "--background", "black"}, "/drawing-velmora.bmp", {0xFFFFFF, 0}},
        {{"--lines", "#c81e64", "--background", "#FFFF00", "-o", folder + "/x", "--format=bmp"}, "/x",
         {0xC81E64, 0xFFFF00}},
        // SVG strokes as wide as the lines, on no background unless one is given.
        {{"--format", "svg", "--thickness", "thick", "--output-dir", folder + "/svg"}, "/svg/drawing-velmora.svg",
         {0, 0, true}},
        {{"--lines", "#1E64C8", "--background", "white", "-o", folder + "/blue.Svg"}, "/blue.Svg", {0x1E64C8}},
    };
    for (auto [arguments, output, colours] : cases) {
        const int thickness = int(std::ranges::count(arguments, std::string("thick")));
        const Picture expected = ExpectedDrawing(folder + "/drawing.bmp", thickness, 7, false);
        arguments.push_back(folder + "/drawing.bmp");
        ASSERT_EQ(RunConverter(folder, arguments).exitCode, 0) << output;
        std::vector<uint8_t> png = ReadBytes(folder + output);
        if (output.ends_with("vg")) {
            EXPECT_EQ(png, SvgOf(expected, thickness, colours)) << output;
            continue;
        }
        if (!png.empty() && png[0] == 'B') {  // read back through a plain PNG
            DibHandle bmp = MakeImage(LoadPicture(folder + output));
            EncodeImage(bmp, LineFormat::Png, OutputColours{}, 0, png);
            ImgRelease(bmp);
        }
        EXPECT_EQ(ReadPng(png).rgba, LineDrawingRgba(expected, colours)) << output;
    }
}

TEST_F(ConverterRun, UnreadableInputIsReportedAndTheOthersStillConverted) {
    WriteBytes(folder + "/broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00});
    const ConverterResult run = RunConverter(folder, {folder + "/broken.jpg", folder + "/missing.png", folder + "/drawing.bmp"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("broken.jpg"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("missing.png: cannot read: cannot open the file: " + std::string(std::strerror(ENOENT)) + "\n"),
              std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::exists(folder + "/drawing-velmora.bmp"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/broken-velmora.bmp"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/missing-velmora.bmp"));
}

TEST_F(ConverterRun, UnwritableOutputLeavesNothingBehind) {
    const size_t before = FileCount(folder);
    const ConverterResult run = RunConverter(folder, {"-o", folder + "/no such folder/out.bmp", folder + "/drawing.bmp"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("out.bmp"), std::string::npos) << run.err;
    EXPECT_EQ(FileCount(folder), before);
}

TEST_F(ConverterRun, NeverOverwritesAnInput) {
    const std::vector<uint8_t> original = ReadBytes(folder + "/drawing.bmp");
    ConverterResult run = RunConverter(folder, {"-o", folder + "/drawing.bmp", folder + "/drawing.bmp"});
    EXPECT_EQ(run.exitCode, 1);
    // drawing.bmp's output would be drawing-velmora.bmp, which is also an input.
    std::filesystem::copy_file(folder + "/drawing.bmp", folder + "/drawing-velmora.bmp");
    run = RunConverter(folder, {folder + "/drawing.bmp", folder + "/drawing-velmora.bmp"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadBytes(folder + "/drawing.bmp"), original);
    EXPECT_EQ(ReadBytes(folder + "/drawing-velmora.bmp"), original);
    EXPECT_TRUE(std::filesystem::exists(folder + "/drawing-velmora-velmora.bmp"));
}

#ifndef _WIN32
// A pipe or a device as the output is written into, never replaced; one as
// the input is no picture file. The device node is made in the test's
// folder, as root only.
TEST_F(ConverterRun, PipesAndDevicesAreWrittenIntoAndNotRead) {
    ASSERT_EQ(ConvertFile(folder + "/photo.jpg", folder + "/photo.bmp", ConvertOptions{}), "");
    const std::vector<uint8_t> expected = ReadBytes(folder + "/photo.bmp");
    const std::string pipe = folder + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::vector<uint8_t> got;
    std::thread reader([&] { got = ReadBytes(pipe); });
    ConverterResult run = RunConverter(folder, {"-o", pipe, folder + "/photo.jpg"});
    reader.join();
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(got == expected) << got.size() << " bytes";
    struct stat status {};
    ASSERT_EQ(stat(pipe.c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    const std::string notRead = std::string(": cannot read: cannot open the file: ") + std::strerror(ENOTSUP) + "\n";
    run = RunConverter(folder, {"--output-dir", folder + "/out", pipe, "/dev/zero"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(pipe + notRead), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("/dev/zero" + notRead), std::string::npos) << run.err;
    if (geteuid() != 0) {
        GTEST_SKIP() << "device nodes need the superuser";
    }
    const std::string null = folder + "/null";
    ASSERT_EQ(mknod(null.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0) << std::strerror(errno);
    run = RunConverter(folder, {"-o", null, folder + "/photo.jpg"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ASSERT_EQ(stat(null.c_str(), &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3));
}
#endif

TEST_F(ConverterRun, UsageErrorsExitWithTwoAndVersionAndHelpWithZero) {
    ConverterResult run = RunConverter(folder, {"--contrast", "99", folder + "/drawing.bmp"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "velmora-cli: invalid value '99' for --contrast (1-16)\n"
                       "Try 'velmora-cli --help' for more information.\n");
    run = RunConverter(folder, {"--style", "bold", folder + "/drawing.bmp"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "velmora-cli: invalid value 'bold' for --style (edges|ink|photo)\n"
                       "Try 'velmora-cli --help' for more information.\n");
    EXPECT_FALSE(std::filesystem::exists(folder + "/drawing-velmora.bmp"));
    const size_t files = FileCount(folder);
    for (const char* output : {"/drawing.jpg", "/drawing.bmp.png"}) {
        run = RunConverter(folder, {"--format", "bmp", "-o", folder + output, folder + "/drawing.bmp"});
        EXPECT_EQ(run.exitCode, 2) << output;
        EXPECT_NE(run.err.find(std::string(output + 1) + "' ends in "), std::string::npos) << run.err;
        EXPECT_EQ(std::ranges::count(run.err, '\n'), 2) << run.err;
        EXPECT_EQ(FileCount(folder), files) << output;
    }
    for (const char* output : {"--lines=black", "--output-dir=out", "--format=bmp"}) {
        run = RunConverter(folder, {"--background", "transparent", output, folder + "/drawing.bmp"});
        EXPECT_EQ(run.exitCode, 2) << output;
        EXPECT_NE(run.err.find("transparent needs PNG"), std::string::npos) << run.err;
        EXPECT_EQ(FileCount(folder), files) << output;
    }
    run = RunConverter(folder, {"--version"});
    EXPECT_EQ(run.exitCode, 0);
    // The version first, as scripts read it; then the loops this processor runs.
    EXPECT_EQ(run.out, std::string("velmora-cli version " VELMORA_VERSION "\nvector instructions: ") +
                           InstructionSetName(WidestInstructionSet()) + "\n");
    run = RunConverter(folder, {"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("--thickness thin|thick"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("[--style edges|ink|photo]"), std::string::npos) << run.out;
    // The formats as the library names them, in the synopsis and the list.
    EXPECT_NE(run.out.find("[--format bmp|png|svg]"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\n  --format bmp|png|svg    output format"), std::string::npos) << run.out;
    for (const char* option : {"\n  -q, --quiet    ", "\n  -r, --recursive    ", "[-q] [-r]"}) {
        EXPECT_NE(run.out.find(option), std::string::npos) << option << " in " << run.out;
    }
}

TEST_F(ConverterRun, PhotoStoredSidewaysConvertsUpright) {
    WriteBytes(folder + "/sideways.jpg", WithJpegExif(ReadBytes(folder + "/photo.jpg"), TiffBlock(6, true)));
    // Orientation 6 turns the stored photo a quarter clockwise.
    const Picture stored = LoadPicture(folder + "/photo.jpg");
    Picture upright{stored.height, stored.width, std::vector<Bgr>(stored.pixels.size())};
    for (int y = 0; y < upright.height; ++y) {
        for (int x = 0; x < upright.width; ++x) upright.At(x, y) = stored.At(y, stored.height - 1 - x);
    }
    DibHandle image = MakeImage(upright);
    ASSERT_TRUE(SaveImage((folder + "/upright.bmp").c_str(), image));
    ImgRelease(image);
    const ConverterResult run = RunConverter(folder, {folder + "/sideways.jpg"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(FirstDifference(ExpectedDrawing(folder + "/upright.bmp", 0, 7, false),
                              LoadPicture(DefaultOutputPath(folder + "/sideways.jpg"))),
              "");
}

TEST(ConverterMemory, WhatCannotBeHeldIsReportedAsOutOfMemoryAndNothingIsWritten) {
    const std::string folder = TestFolder("ConverterMemory");
    // An interlaced PNG is held whole, a BMP streams: beside it only a few
    // rows for extraction and speck removal are needed.
    const std::string interlaced = Data + "/pngsuite/png/basi2c08.png";
    const std::string streamed = folder + "/photo.bmp";
    DibHandle image = MakeImage(RandomPicture(32, 32, 9));
    ASSERT_TRUE(SaveImage(streamed.c_str(), image));
    ImgRelease(image);
    const int64_t picture = int64_t{Stride24(32)} * 32;
    const int64_t threeRows = 3 * 32 * 3;
    ConvertOptions noise;
    noise.noise = true;
    const std::tuple<std::string, int64_t, ConvertOptions, const char*> cases[] = {
        {interlaced, picture - 1, ConvertOptions{}, ": cannot read: out of memory"},
        {interlaced, picture + threeRows, noise, ": out of memory"},
        {streamed, threeRows - 1, ConvertOptions{}, ": out of memory"},
        {streamed, threeRows * 2, noise, ": out of memory"}};
    for (const auto& [input, budget, options, message] : cases) {
        const MemoryBudget limit(ImgPixelBytesInUse() + budget);
        EXPECT_EQ(ConvertFile(input, folder + "/out.bmp", options), input + message);
        EXPECT_FALSE(std::filesystem::exists(folder + "/out.bmp")) << message;
    }
    const MemoryBudget limit(ImgPixelBytesInUse() + threeRows * 2);
    EXPECT_EQ(ConvertFile(streamed, folder + "/out.bmp", ConvertOptions{}), "");
}

// A filter in a pipeline: the same bytes as converting the file, and for a
// damaged picture nothing on standard output.
TEST(ConverterStreams, StandardInputToStandardOutputGivesTheFilesBytes) {
    const std::string folder = TestFolder("ConverterStreams");
    const std::string input = Data + "/jpeg/progressive.jpg";
    std::vector<uint8_t> damaged = ReadBytes(input);
    damaged.resize(damaged.size() / 2);
    WriteBytes(folder + "/damaged.jpg", damaged);
    for (const std::string format : {"png", "bmp", "svg"}) {
        ConvertOptions options;
        std::string message;
        ASSERT_EQ(ParseArguments({"--format", format, "--noise", "on", input}, options, message), ParseOutcome::Convert);
        ASSERT_EQ(ConvertFile(input, folder + "/file", options), "");
        for (const std::string& in : {input, folder + "/damaged.jpg"}) {
            std::string command = "\"" + Native(VELMORA_CLI) + "\" --format " + format + " --noise on -o - - < \"" +
                                  Native(in) + "\" > \"" + Native(folder + "/piped") + "\" 2> \"" +
                                  Native(folder + "/err") + "\"";
#ifdef _WIN32
            command = "\"" + command + "\"";
#endif
            const int status = std::system(command.c_str());
            const bool whole = in == input;
            EXPECT_EQ(status == 0, whole) << format << " " << in;
            EXPECT_TRUE(ReadBytes(folder + "/piped") == (whole ? ReadBytes(folder + "/file") : std::vector<uint8_t>{}))
                << format << " " << in;
        }
    }
}

// Standard input of zeros, which would go on far past the 2 GiB a picture
// may have: refused at its first bytes, so no more is read than the pipe
// and the C library's buffer hold.
TEST(ConverterStreams, StandardInputThatStartsNoPictureIsRefusedAtOnce) {
    const std::string folder = TestFolder("ConverterStreamStart");
    const std::string command = ConverterCommand(folder, {"-o", folder + "/out.png", "-"});
#ifdef _WIN32
    std::FILE* pipe = _popen(command.c_str(), "wb");
#else
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    std::FILE* pipe = popen(command.c_str(), "w");
#endif
    ASSERT_NE(pipe, nullptr);
    const std::vector<char> zeros(4096, 0);
    size_t written = 0;
    while (written < (size_t{64} << 20) && std::fwrite(zeros.data(), 1, zeros.size(), pipe) == zeros.size()) {
        written += zeros.size();
    }
#ifdef _WIN32
    const ConverterResult run = ConverterFinished(folder, _pclose(pipe));
#else
    const ConverterResult run = ConverterFinished(folder, pclose(pipe));
    std::signal(SIGPIPE, previous);
#endif
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "velmora-cli: -: cannot read: not a BMP, JPEG or PNG image\n");
    EXPECT_LT(written, size_t{1} << 20) << "read on past the first bytes";
    EXPECT_FALSE(std::filesystem::exists(folder + "/out.png"));
}

// Under qemu the limit would hold the emulator as well, which needs more than
// the converter.
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__) && !defined(VELMORA_CLI_EMULATED)
TEST(ConverterMemory, UnderAnAddressSpaceLimitEachInputIsRefusedAsOutOfMemory) {
    const std::string folder = TestFolder("ConverterLimit");
    DibHandle image = MakeImage(RandomPicture(3000, 2000, 4));
    for (const char* name : {"/a.bmp", "/b.bmp"}) ASSERT_TRUE(SaveImage((folder + name).c_str(), image));
    ImgRelease(image);
    for (int mebibytes = 8; mebibytes <= 24; mebibytes += 4) {
        const ConverterResult run = RunConverter(folder, {"--noise", "on", "--output-dir", folder + "/out", folder + "/a.bmp",
                                                          folder + "/b.bmp"}, "prlimit --as=" + std::to_string(mebibytes << 20) + " ");
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_EQ(run.err.find("damaged"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("a.bmp: cannot read: out of memory\n"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("b.bmp: cannot read: out of memory\n"), std::string::npos) << run.err;
        EXPECT_TRUE(std::filesystem::is_empty(folder + "/out")) << mebibytes;
    }
}
#endif

TEST(ConverterOptions, ReadsTheBatchOptions) {
    ConvertOptions options;
    std::string message;
    ASSERT_EQ(Parse({"--output-dir", "out", "--quiet", "a.jpg", "b.jpg"}, options, message), ParseOutcome::Convert);
    EXPECT_EQ(options.outputFolder, "out");
    EXPECT_TRUE(options.quiet);
    EXPECT_FALSE(options.recursive);
    EXPECT_EQ(options.inputs, (std::vector<std::string>{"a.jpg", "b.jpg"}));
    for (const auto& [arguments, quiet, recursive] : {std::tuple{std::vector<std::string>{"-q", "a"}, true, false},
                                                      {{"-r", "a"}, false, true},
                                                      {{"--recursive", "-q", "a"}, true, true}}) {
        ASSERT_EQ(Parse(arguments, options, message), ParseOutcome::Convert) << arguments[0] << ": " << message;
        EXPECT_EQ(std::tie(options.quiet, options.recursive), std::tie(quiet, recursive)) << arguments[0];
    }
    EXPECT_EQ(Parse({"--output-dir", "", "a.jpg"}, options, message), ParseOutcome::UsageError);
    EXPECT_EQ(Parse({"-o", "x.bmp", "--output-dir=out", "a.jpg"}, options, message), ParseOutcome::UsageError);
    EXPECT_NE(message.find("--output-dir"), std::string::npos) << message;
}

TEST(ConverterPaths, OutputFolderKeepsOnlyTheOutputName) {
    EXPECT_EQ(OutputInFolder("pics/cat.jpg", "out/"), "out/cat-velmora.bmp");
    EXPECT_EQ(OutputInFolder("写真 é/café 🙂.jpg", "out/"), "out/café 🙂-velmora.bmp");
#ifdef _WIN32
    EXPECT_EQ(OutputInFolder("C:\\pics\\cat.jpg", "D:\\out"), "D:\\out\\cat-velmora.bmp");
    EXPECT_EQ(OutputPathKey("out/CAT-velmora.bmp"), OutputPathKey("out\\cat-Velmora.BMP"));
#else
    EXPECT_EQ(OutputInFolder("pics/cat.jpg", "/tmp/out"), "/tmp/out/cat-velmora.bmp");
    EXPECT_NE(OutputPathKey("out/CAT-velmora.bmp"), OutputPathKey("out/cat-velmora.bmp"));
#endif
}

TEST_F(ConverterRun, OutputFolderIsCreatedAndGetsTheSameFiles) {
    const std::string outputs = folder + "/made/for/outputs";
    const ConverterResult run = RunConverter(folder, {"--output-dir", outputs, folder + "/photo.jpg", folder + "/drawing.bmp"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* name : {"photo", "drawing"}) {
        const std::string output = outputs + "/" + name + "-velmora.bmp";
        EXPECT_NE(run.out.find(Native(output)), std::string::npos) << run.out;
        EXPECT_FALSE(std::filesystem::exists(folder + "/" + name + "-velmora.bmp"));
    }
    EXPECT_EQ(FileCount(outputs), 2u);
    EXPECT_EQ(FirstDifference(ExpectedDrawing(folder + "/photo.jpg", 0, 7, false), LoadPicture(outputs + "/photo-velmora.bmp")), "");
#ifdef _WIN32
    // The folder starts with a drive, "Z:", which is no folder to create here.
    EXPECT_FALSE(std::filesystem::exists(folder.substr(0, 1))) << "a folder named after the drive was created";
#endif
}

TEST_F(ConverterRun, OutputFolderNameClashWritesNothing) {
    std::filesystem::create_directory(folder + "/more");
    std::filesystem::copy_file(folder + "/drawing.bmp", folder + "/more/photo.bmp");
    const size_t before = FileCount(folder);
    const ConverterResult run = RunConverter(folder, {"--output-dir", folder + "/outputs", folder + "/drawing.bmp",
                                                      folder + "/photo.jpg", folder + "/more/photo.bmp"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find(Native(folder + "/photo.jpg")), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(Native(folder + "/more/photo.bmp")), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(FileCount(folder), before);
}

TEST_F(ConverterRun, QuietWritesTheFilesWithoutListingThem) {
    const ConverterResult run = RunConverter(folder, {"--quiet", folder + "/photo.jpg", folder + "/drawing.bmp"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(std::filesystem::exists(folder + "/photo-velmora.bmp"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/drawing-velmora.bmp"));
}

namespace {

// A folder of pictures, with what a folder's listing leaves out: another
// file, a hidden picture, an earlier output, a link to a folder (on Linux),
// and a folder named like a picture.
class ConverterFolders : public ConverterRun {
protected:
    void SetUp() override {
        ConverterRun::SetUp();
        for (const char* name : {"/in/m/deeper", "/in/n.jpg", "/in/empty"}) std::filesystem::create_directories(folder + name);
        const std::pair<const char*, const char*> copies[] = {
            {"/alpha.png", "/in/a.png"},           {"/photo.jpg", "/in/b.JPG"},
            {"/drawing.bmp", "/in/b-velmora.bmp"}, {"/photo.jpg", "/in/m/d.jpeg"},
            {"/alpha.png", "/in/m/deeper/e.Png"},  {"/drawing.bmp", "/in/n.jpg/f.bmp"},
            {"/drawing.bmp", "/in/z.bmp"},         {"/drawing.bmp", "/in/.hidden.png"},
            {"/drawing.bmp", "/in/notes.txt"},
        };
        for (const auto& [from, to] : copies) std::filesystem::copy_file(folder + from, folder + to);
#ifndef _WIN32
        std::filesystem::create_directory_symlink(folder + "/in/m", folder + "/in/l");
#endif
    }

    // "INPUT -> OUTPUT" lines, each path below the test's folder.
    std::string Listed(const std::vector<std::pair<std::string, std::string>>& files) const {
        std::string lines;
        for (const auto& [input, output] : files) lines += Native(folder + input) + " -> " + Native(folder + output) + "\n";
        return lines;
    }
};

}  // namespace

// The pictures of a folder in the order of their names, a sub-folder's
// where its name falls; with an output folder, in its sub-folders of the
// same names.
TEST_F(ConverterFolders, FolderInputConvertsItsPicturesInTheOrderOfTheirNames) {
#ifdef _WIN32
    const char* SeparatorEnded = "/in";  // a backslash would escape the quote after it
#else
    const char* SeparatorEnded = "/in/";
#endif
    const std::tuple<std::vector<std::string>, std::vector<std::pair<std::string, std::string>>> cases[] = {
        {{"/in"}, {{"/in/a.png", "/in/a-velmora.bmp"}, {"/in/b.JPG", "/in/b-velmora.bmp"}, {"/in/z.bmp", "/in/z-velmora.bmp"}}},
        {{"--output-dir", "/out", SeparatorEnded},
         {{"/in/a.png", "/out/a-velmora.bmp"}, {"/in/b.JPG", "/out/b-velmora.bmp"}, {"/in/z.bmp", "/out/z-velmora.bmp"}}},
        {{"-r", "--output-dir", "/mirror", "/in"},
         {{"/in/a.png", "/mirror/a-velmora.bmp"},
          {"/in/b.JPG", "/mirror/b-velmora.bmp"},
          {"/in/m/d.jpeg", "/mirror/m/d-velmora.bmp"},
          {"/in/m/deeper/e.Png", "/mirror/m/deeper/e-velmora.bmp"},
          {"/in/n.jpg/f.bmp", "/mirror/n.jpg/f-velmora.bmp"},
          {"/in/z.bmp", "/mirror/z-velmora.bmp"}}},
        {{"--recursive", "--format", "png", "/in/m", "/photo.jpg"},
         {{"/in/m/d.jpeg", "/in/m/d-velmora.png"},
          {"/in/m/deeper/e.Png", "/in/m/deeper/e-velmora.png"},
          {"/photo.jpg", "/photo-velmora.png"}}},
    };
    for (auto [arguments, files] : cases) {
        for (std::string& argument : arguments) {
            if (argument[0] == '/') argument = folder + argument;
        }
        const ConverterResult run = RunConverter(folder, arguments);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.out, Listed(files));
        for (const auto& [input, output] : files) {
            const Picture expected = ExpectedDrawing(folder + input, 0, 7, false);
            EXPECT_EQ(FirstDifference(expected, LoadPicture(folder + output)), "") << output;
        }
    }
    size_t mirrored = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder + "/mirror")) mirrored += entry.is_regular_file();
    EXPECT_EQ(mirrored, 6u) << "only the outputs, no folder for what was left out";
    EXPECT_FALSE(std::filesystem::exists(folder + "/mirror/empty"));
}

// Two files of one name but their extensions give one output: refused as
// for files named one by one, and the rest still converted.
TEST_F(ConverterFolders, FolderPicturesOfOneOutputAreRefusedAsNamedFilesAre) {
    std::filesystem::copy_file(folder + "/photo.jpg", folder + "/in/a.jpg");
    ConverterResult run = RunConverter(folder, {folder + "/in"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "velmora-cli: " + Native(folder + "/in/a-velmora.bmp") + ": not written: it is also the output for " +
                           Native(folder + "/in/a.jpg") + "\n");
    EXPECT_TRUE(std::filesystem::exists(folder + "/in/z-velmora.bmp"));
    run = RunConverter(folder, {"--output-dir", folder + "/out", folder + "/in"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("would both be written to " + Native(folder + "/out/a-velmora.bmp")), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder + "/out"));
}

TEST_F(ConverterFolders, FolderWithoutPicturesOrWithOIsTold) {
    ConverterResult run = RunConverter(folder, {folder + "/in/empty", folder + "/drawing.bmp"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "velmora-cli: " + Native(folder + "/in/empty") + ": no BMP, JPEG or PNG file in the folder\n");
    EXPECT_TRUE(std::filesystem::exists(folder + "/drawing-velmora.bmp"));
    run = RunConverter(folder, {"-o", folder + "/x.bmp", folder + "/in"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("'" + Native(folder + "/in") + "' is a folder"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(folder + "/x.bmp"));
}

// Where a folder is opened as a picture file, it is told as one.
TEST_F(ConverterFolders, FolderOpenedAsAFileIsADirectory) {
    const std::string isFolder = std::strerror(EISDIR);
    EXPECT_EQ(ConvertFile(folder + "/in", folder + "/x.bmp", ConvertOptions{}),
              folder + "/in: cannot read: cannot open the file: " + isFolder);
#ifndef _WIN32
    const ConverterResult run = RunConverter(folder, {"-o", folder + "/x.png", "-"}, "< '" + folder + "/in' ");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "velmora-cli: -: cannot read: cannot open the file: " + isFolder + "\n");
#endif
    EXPECT_FALSE(std::filesystem::exists(folder + "/x.bmp"));
}

#ifndef _WIN32
// Outside a user namespace of its own, root reads every folder.
TEST_F(ConverterFolders, FolderThatCannotBeReadIsToldWithTheSystemsReason) {
    std::filesystem::create_directory(folder + "/in/m/locked");
    std::filesystem::copy_file(folder + "/drawing.bmp", folder + "/in/m/locked/x.bmp");
    std::filesystem::permissions(folder + "/in/m/locked", std::filesystem::perms::none);
    const std::string prefix = geteuid() == 0 ? "unshare -U " : "";
    ConverterResult run = RunConverter(folder, {"-r", "--output-dir", folder + "/out", folder + "/in/m"}, prefix);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "velmora-cli: " + folder + "/in/m/locked: cannot read the folder: Permission denied\n");
    EXPECT_EQ(run.out, Listed({{"/in/m/d.jpeg", "/out/d-velmora.bmp"}, {"/in/m/deeper/e.Png", "/out/deeper/e-velmora.bmp"}}));
    run = RunConverter(folder, {folder + "/in/m/locked", folder + "/drawing.bmp"}, prefix);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "velmora-cli: " + folder + "/in/m/locked: cannot read the folder: Permission denied\n");
    EXPECT_TRUE(std::filesystem::exists(folder + "/drawing-velmora.bmp"));
    std::filesystem::permissions(folder + "/in/m/locked", std::filesystem::perms::owner_all);
}
#endif

#ifndef _WIN32
// script(1) gives the converter a terminal for both streams.
TEST_F(ConverterRun, TerminalShowsProgressOfABatchAndBlanksItAtTheEnd) {
    const std::string command = std::string(VELMORA_CLI) + " --quiet '" + folder + "/photo.jpg' '" + folder +
                                "/drawing.bmp' '" + folder + "/alpha.png'";
    ASSERT_EQ(std::system(("script -qec \"" + command + "\" /dev/null > '" + folder + "/screen.txt'").c_str()), 0);
    const std::vector<uint8_t> bytes = ReadBytes(folder + "/screen.txt");
    const std::string screen(bytes.begin(), bytes.end());
    for (const char* count : {"\r[1/3] ", "\r[2/3] ", "\r[3/3] "}) EXPECT_NE(screen.find(count), std::string::npos) << screen;
    EXPECT_NE(screen.find(folder + "/photo.jpg"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("->"), std::string::npos) << screen;
    ASSERT_FALSE(screen.empty());
    EXPECT_EQ(screen.back(), '\r') << screen;
}
#endif

#ifdef _WIN32
TEST_F(ConverterRun, ExpandsWildcardsAsAUnixShellWould) {
    const ConverterResult run = RunConverter(folder, {"--quiet", folder + "/*.bmp", folder + "/p*.jpg"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(folder + "/drawing-velmora.bmp"));
    EXPECT_TRUE(std::filesystem::exists(folder + "/photo-velmora.bmp"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/alpha-velmora.bmp"));
}
#endif

TEST_F(ConverterRun, FileNamesInAnyScriptConvert) {
    // Japanese, accented Latin and an emoji: no legacy code page holds them all.
    const auto Utf8Path = [](const std::string& utf8) {
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    };
    const std::string named = folder + "/写真 é 🙂";
    ASSERT_TRUE(std::filesystem::create_directory(Utf8Path(named)));
    std::filesystem::copy_file(Utf8Path(folder + "/photo.jpg"), Utf8Path(named + "/写真 café 🙂.jpg"));

    const ConverterResult run = RunConverter(folder, {"--output-dir", named + "/出力 ñ", named + "/写真 café 🙂.jpg"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("出力 ñ"), std::string::npos) << "names are printed in UTF-8: " << run.out;
    EXPECT_EQ(FirstDifference(ExpectedDrawing(folder + "/photo.jpg", 0, 7, false),
                              LoadPicture(named + "/出力 ñ/写真 café 🙂-velmora.bmp")),
              "");
}

TEST_F(ConverterRun, HugeFilesAreRefusedAtOnceAndTheBatchGoesOn) {
    const size_t before = FileCount(folder);
    for (const auto& [name, size] : {std::pair{"/two.jpg", 2ull << 30}, std::pair{"/five.bmp", 5ull << 30}}) {
        WriteBytes(folder + name, {'B', name[1] == 'f' ? uint8_t('M') : uint8_t('?')});  // sparse, past 2 and 4 GiB
        std::filesystem::resize_file(folder + name, size);
    }
    // A frame of more than libjpeg-turbo's 65500 pixels a side.
    std::filesystem::copy_file(Data + "/fuzz/jpeg-baseline-claims-65535x65535.jpg", folder + "/wide.jpg");
    const ConverterResult run =
        RunConverter(folder, {folder + "/two.jpg", folder + "/five.bmp", folder + "/wide.jpg", folder + "/drawing.bmp"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("two.jpg: cannot read: not a BMP, JPEG or PNG image"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("five.bmp: cannot read: the image is too large"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("wide.jpg: cannot read: the image is too large\n"), std::string::npos) << run.err;
    EXPECT_EQ(FileCount(folder), before + 4) << "only the drawing's output beside the inputs";
}

TEST_F(ConverterRun, LongPathsConvertAndReadOnlyOutputsAreRefused) {
    std::string named = folder;
#ifdef _WIN32
    while (named.size() < 240) named += "/" + std::string(50, 'd');  // past Windows' 260 characters
    std::filesystem::create_directories(named);
    named += "/" + std::string(300 - named.size() - 4, 'n');
#else
    named += "/" + std::string(251, 'n');  // with ".bmp", Linux's longest name
#endif
    const size_t before = FileCount(named.substr(0, named.rfind('/')));
    std::filesystem::copy_file(folder + "/drawing.bmp", named + ".jpg");
    ConverterResult run = RunConverter(folder, {"-o", named + ".bmp", named + ".jpg"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(FirstDifference(ExpectedDrawing(folder + "/drawing.bmp", 0, 7, false), LoadPicture(named + ".bmp")), "");
    const std::vector<uint8_t> kept = ReadBytes(named + ".bmp");
    std::filesystem::permissions(named + ".bmp", std::filesystem::perms::owner_read);
    run = RunConverter(folder, {"--thickness", "thick", "-o", named + ".bmp", named + ".jpg"});
    EXPECT_NE(run.err.find(": cannot write: Permission denied"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(named + ".bmp"), kept);
    EXPECT_EQ(FileCount(named.substr(0, named.rfind('/'))), before + 2) << "temporary files left behind";
#ifdef _WIN32
    std::filesystem::permissions(named + ".bmp", std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    for (const char* end : {".jpg", ".bmp"}) DeleteFileW(WidePath((named + end).c_str()).c_str());  // too long for remove_all
#endif
}

TEST(ConverterPlan, FindsEveryOutputThatIsAnInputOrTakenAmongManyInputs) {
    const std::string folder = TestFolder("ConverterPlan");
    WriteBytes(folder + "/real.bmp", {'B', 'M'});
    std::vector<std::string> inputs, outputs;
    for (int i = 0; i < 20000; ++i) inputs.push_back(folder + "/p" + std::to_string(i) + ".jpg");
    inputs.insert(inputs.begin() + 7000, folder + "/p123-velmora.bmp");  // the output of p123.jpg
    inputs.insert(inputs.end(), {folder + "/p5000.png", folder + "/real.bmp"});  // p5000.jpg's output again
    for (const std::string& input : inputs) outputs.push_back(DefaultOutputPath(input));
    outputs.back() = folder + "/./real.bmp";  // an input by another spelling
    std::vector<std::string> expected(inputs.size());
    expected[123] = outputs[123] + ": not written: it is an input file";
    expected[20001] = outputs[20001] + ": not written: it is also the output for " + folder + "/p5000.jpg";
    expected[20002] = outputs[20002] + ": not written: it is an input file";
    EXPECT_EQ(RefusedOutputs(inputs, outputs), expected);
    ConvertOptions streams;  // standard input to standard output, no file twice
    streams.inputs = {"-"};
    streams.output = "-";
    EXPECT_EQ(PlanJobs(streams).front().problem, "");
}

#ifndef _WIN32
TEST_F(ConverterRun, InterruptedWriteLeavesNoTemporaryFile) {
    DibHandle big = MakeImage(RandomPicture(4000, 3000, 5), 0);  // long enough to write to be caught at it
    ASSERT_TRUE(SaveImage((folder + "/big.bmp").c_str(), big));
    ImgRelease(big);
    std::filesystem::create_directory(folder + "/out");
    const pid_t child = fork();
    if (child == 0) {
        execl(VELMORA_CLI, VELMORA_CLI, "-o", (folder + "/out/big.bmp").c_str(), (folder + "/big.bmp").c_str(), nullptr);
        _exit(127);
    }
    // The file being written, open in the converter before the output is
    // there: a temporary file in the folder, or one without a name there.
    const std::string descriptors = "/proc/" + std::to_string(child) + "/fd";
    const auto writing = [&] {
        if (FileCount(folder + "/out") > 0) return true;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(descriptors, error)) {
            const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
            if (target.rfind(folder + "/out/", 0) == 0) return true;
        }
        return false;
    };
    bool seen = false;
    for (int i = 0; i < 200000 && !seen; ++i) seen = writing();
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(seen) << "no file being written was seen";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(FileCount(folder + "/out"), 0u);
}
#endif

namespace {

// A flush to disk as it was about to happen: the file to be replaced, its
// bytes then, and the new file's bytes then.
struct SeenFlush {
    std::string replaced;
    std::vector<uint8_t> old;
    std::vector<uint8_t> flushed;
};
std::vector<SeenFlush> SeenFlushes;

void SeeFlush(const char* temporaryPath, const char* replaced) {
    SeenFlushes.push_back({replaced, ReadBytes(replaced), ReadBytes(temporaryPath)});
}

}  // namespace

// New outputs of a batch wait for no disk; an output that replaces a file is
// whole and on the disk before the old file goes.
TEST_F(ConverterRun, OnlyAReplacedOutputIsFlushedAndBeforeTheOldFileGoes) {
    const std::string replaced = folder + "/photo-velmora.png";
    WriteBytes(replaced, {'o', 'l', 'd'});
    ConvertOptions options;
    SeenFlushes.clear();
    ObserveFlushesForTesting(SeeFlush);
    for (const int format : {VELMORA_FORMAT_BMP, VELMORA_FORMAT_PNG, VELMORA_FORMAT_SVG}) {
        options.format = format;
        for (const char* name : {"/photo.jpg", "/drawing.bmp", "/alpha.png"}) {
            EXPECT_EQ(ConvertFile(folder + name, DefaultOutputPath(folder + name, velmora_format_extension(format)), options), "");
        }
    }
    ObserveFlushesForTesting(nullptr);
    ASSERT_EQ(SeenFlushes.size(), 1u);
    EXPECT_EQ(SeenFlushes[0].replaced, replaced);
    EXPECT_EQ(SeenFlushes[0].old, (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(SeenFlushes[0].flushed, ReadBytes(replaced));
    EXPECT_EQ(FileCount(folder), 3u + 9u) << "the inputs and their outputs, no temporary file";
}

// A big picture first finishes last on two or more threads.
TEST_F(ConverterRun, JobsGiveTheSameFilesMessagesAndStatusAsOneJob) {
    DibHandle big = MakeImage(RandomPicture(1600, 1200, 3), 0);
    ASSERT_TRUE(SaveImage((folder + "/big.bmp").c_str(), big));
    ImgRelease(big);
    WriteBytes(folder + "/broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00});
    std::filesystem::copy_file(folder + "/drawing.bmp", folder + "/drawing-velmora.bmp");  // refuses drawing.bmp's output
    std::vector<std::string> inputs;
    for (const char* name : {"big.bmp", "broken.jpg", "photo.jpg", "drawing.bmp", "alpha.png", "drawing-velmora.bmp"}) {
        inputs.push_back(folder + "/" + name);
    }
    const size_t before = FileCount(folder);
    std::map<std::string, std::vector<uint8_t>> expectedFiles;
    ConverterResult expected{};
    for (const std::vector<std::string>& jobs : {std::vector<std::string>{"-j", "1"}, {"-j", "2"}, {"--jobs=3"}, {}}) {
        std::vector<std::string> arguments = jobs;
        arguments.insert(arguments.end(), inputs.begin(), inputs.end());
        const ConverterResult run = RunConverter(folder, arguments);
        std::map<std::string, std::vector<uint8_t>> files;
        for (const std::string name : {"big", "photo", "alpha", "drawing-velmora"}) {
            files[name] = ReadBytes(folder + "/" + name + "-velmora.bmp");
            std::filesystem::remove(folder + "/" + name + "-velmora.bmp");
        }
        EXPECT_EQ(FileCount(folder), before) << "unexpected files";
        if (expectedFiles.empty()) {
            expected = run;
            expectedFiles = files;
            continue;
        }
        EXPECT_EQ(std::tie(run.exitCode, run.out, run.err), std::tie(expected.exitCode, expected.out, expected.err))
            << jobs.size();
        EXPECT_EQ(files, expectedFiles) << jobs.size();
    }
    EXPECT_EQ(expected.exitCode, 1);
    EXPECT_NE(expected.err.find("broken.jpg"), std::string::npos) << expected.err;
    EXPECT_NE(expected.err.find("it is an input file"), std::string::npos) << expected.err;
}
