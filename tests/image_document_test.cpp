#include "document/image_document.h"
#include "document/image_stack.h"
#include "file_size_limit.h"
#include "kernels/ink_extraction.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

namespace {

// A photo-like picture whose extraction differs at every contrast index.
const Picture Photo = RandomPicture(23, 17, 42);

std::string WritePicture(const std::string& folder, const std::string& name, const Picture& picture) {
    DibHandle image = MakeImage(picture);
    const std::string path = folder + "/" + name;
    EXPECT_TRUE(SaveImage(path.c_str(), image));
    ImgRelease(image);
    return path;
}

Picture Result(const ImageDocument& document) {
    return ReadImage(*document.ResultInfo());
}

class ImageDocumentTest : public testing::Test {
protected:
    void SetUp() override {
        folder = TestFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        photoPath = WritePicture(folder, "photo.bmp", Photo);
        ASSERT_TRUE(document.LoadFile(photoPath.c_str()));
    }

    std::string folder;
    std::string photoPath;
    ImageDocument document;
};

}  // namespace

TEST(ImageDocument, NewDocumentHasNothingAndIgnoresCommands) {
    ImageDocument document;
    document.Extract(0, 6);
    document.RemoveNoise(0);
    document.Undo();
    document.Redo();
    EXPECT_FALSE(document.HasSource());
    EXPECT_EQ(document.ResultWidth(), 0);
    EXPECT_EQ(document.ResultHeight(), 0);
    EXPECT_EQ(document.ResultInfo(), nullptr);
    EXPECT_FALSE(document.IsExtracted());
    EXPECT_FALSE(document.CanUndo());
    EXPECT_FALSE(document.CanRedo());
    EXPECT_FALSE(document.Save((TestFolder("EmptySave") + "/out.bmp").c_str(), LineFormat::Bmp));
}

TEST_F(ImageDocumentTest, LoadGivesTheSourceAsResultWithoutHistory) {
    EXPECT_TRUE(document.HasSource());
    EXPECT_EQ(document.ResultWidth(), 23);
    EXPECT_EQ(document.ResultHeight(), 17);
    EXPECT_FALSE(document.IsExtracted());
    EXPECT_EQ(FirstDifference(Photo, Result(document)), "");
}

TEST_F(ImageDocumentTest, FirstExtractionIsNoUndoStepSecondIs) {
    document.Extract(0, 6);
    document.RemoveNoise(0);
    EXPECT_TRUE(document.IsExtracted());
    EXPECT_FALSE(document.CanUndo());
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 6, true), Result(document)), "");

    document.Extract(1, 2);
    EXPECT_TRUE(document.CanUndo());
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 1, 2, false), Result(document)), "");
    document.Undo();
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 6, true), Result(document)), "")
        << "undo must restore the first result with its noise removal";
    EXPECT_FALSE(document.CanUndo());
    EXPECT_TRUE(document.CanRedo());
    EXPECT_TRUE(document.IsExtracted());
}

TEST_F(ImageDocumentTest, HistoryKeepsTheTenNewestStepsAndMovesThemBothWays) {
    // Extraction k uses contrast index k, so every step has its own pixels.
    for (int k = 1; k < 12; ++k) {
        ASSERT_NE(FirstDifference(ExpectedDrawing(Photo, 0, k - 1, false), ExpectedDrawing(Photo, 0, k, false)), "");
    }
    for (int k = 0; k < 12; ++k) document.Extract(0, k);
    for (int step = 10; step >= 1; --step) {
        ASSERT_TRUE(document.CanUndo());
        document.Undo();
        EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, step, false), Result(document)), "") << "step " << step;
    }
    EXPECT_FALSE(document.CanUndo()) << "extraction 0 must have been dropped";
    for (int step = 2; step <= 11; ++step) {
        ASSERT_TRUE(document.CanRedo());
        document.Redo();
        EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, step, false), Result(document)), "") << "step " << step;
    }
    EXPECT_FALSE(document.CanRedo());
    EXPECT_TRUE(document.CanUndo());
}

TEST_F(ImageDocumentTest, ExtractAfterUndoEmptiesRedo) {
    document.Extract(0, 1);
    document.Extract(0, 2);
    document.Undo();
    ASSERT_TRUE(document.CanRedo());
    document.Extract(1, 3);
    EXPECT_FALSE(document.CanRedo());
    EXPECT_TRUE(document.CanUndo());
}

TEST_F(ImageDocumentTest, RemoveNoiseRecordsNoHistory) {
    document.Extract(0, 6);
    document.Extract(0, 5);
    document.Undo();
    document.RemoveNoise(1);
    EXPECT_FALSE(document.CanUndo());
    EXPECT_TRUE(document.CanRedo());
}

TEST_F(ImageDocumentTest, NewLoadEmptiesTheHistory) {
    document.Extract(0, 1);
    document.Extract(0, 2);
    document.Extract(0, 3);
    document.Undo();
    const Picture other = RandomPicture(5, 9, 3);
    ASSERT_TRUE(document.LoadFile(WritePicture(folder, "other.bmp", other).c_str()));
    EXPECT_FALSE(document.IsExtracted());
    EXPECT_FALSE(document.CanUndo());
    EXPECT_FALSE(document.CanRedo());
    EXPECT_EQ(FirstDifference(other, Result(document)), "");
}

TEST_F(ImageDocumentTest, FailedLoadKeepsImagesAndHistory) {
    document.Extract(0, 1);
    document.Extract(0, 2);
    document.Extract(0, 3);
    document.Undo();
    const Picture before = Result(document);
    WriteBytes(folder + "/broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});
    std::vector<std::string> refused = RefusedFuzzInputs();
    for (const std::string& path : {folder + "/broken.png", folder + "/missing.jpg", folder}) refused.push_back(path);
    ASSERT_GT(refused.size(), 10u);

    for (const std::string& path : refused) {
        ImageError error = ImageError::None;
        EXPECT_FALSE(document.LoadFile(path.c_str(), &error)) << path;
        EXPECT_NE(error, ImageError::None) << path;
        const std::vector<uint8_t> bytes =
            std::filesystem::is_regular_file(path) ? ReadBytes(path) : std::vector<uint8_t>();
        EXPECT_FALSE(document.LoadMemory(bytes.data(), bytes.size(), &error)) << path;
        EXPECT_NE(error, ImageError::None) << path;
        EXPECT_EQ(FirstDifference(before, Result(document)), "") << path;
        EXPECT_TRUE(document.IsExtracted());
        EXPECT_TRUE(document.CanUndo());
        EXPECT_TRUE(document.CanRedo());
    }
    document.Undo();
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 1, false), Result(document)), "");
}

std::vector<uint8_t> ResultBytes(const ImageDocument& document) {
    const DibInfo* info = document.ResultInfo();
    return {info->pixels, info->pixels + info->pixelDataSize};
}

TEST_F(ImageDocumentTest, ExtractWithoutMemoryForTheUndoStepChangesNothing) {
    document.Extract(0, 1);
    document.Extract(0, 2);
    document.Extract(0, 3);
    document.Undo();
    // A changed result needs new memory for its undo step.
    document.RemoveNoise(1);
    const Picture before = Result(document);
    {
        const MemoryBudget none(ImgPixelBytesInUse());
        EXPECT_FALSE(document.Extract(1, 9));
    }
    EXPECT_EQ(FirstDifference(before, Result(document)), "");
    EXPECT_TRUE(document.IsExtracted());
    ASSERT_TRUE(document.CanRedo()) << "the redo step must be kept";
    EXPECT_TRUE(document.Redo());
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 3, false), Result(document)), "");
    EXPECT_TRUE(document.Undo());
    EXPECT_EQ(FirstDifference(before, Result(document)), "");
    EXPECT_TRUE(document.Undo());
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 1, false), Result(document)), "");
    EXPECT_FALSE(document.CanUndo());
}

TEST_F(ImageDocumentTest, ExtractAndSpeckRemovalWithoutMemoryChangeNothing) {
    document.Extract(0, 1);
    ASSERT_TRUE(document.Extract(1, 5, true));
    ASSERT_TRUE(document.Undo());
    {
        const MemoryBudget none(ImgPixelBytesInUse());
        EXPECT_FALSE(document.Extract(1, 9, true));
        EXPECT_FALSE(document.RemoveNoise(1));
    }
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 1, false), Result(document)), "");
    ASSERT_TRUE(document.Redo()) << "the redo step must be kept";
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 1, 5, true), Result(document)), "");
}

// Ink steps come and go through the history with their style and thickness;
// ink without memory for its work changes nothing, not even the packed form
// that lets a step be taken without memory.
TEST_F(ImageDocumentTest, InkStepsKeepTheirStyleAndWithoutMemoryChangeNothing) {
    const auto ink = [](int thickness, int contrast) {
        DibHandle source = MakeImage(Photo);
        DibHandle result = ImgDuplicate(source);
        EXPECT_TRUE(ExtractInk(source, result, thickness, contrast));
        const Picture picture = ReadImage(result);
        ImgRelease(source);
        ImgRelease(result);
        return picture;
    };
    const auto expectShown = [&](const Picture& picture, LineStyle style, int thickness) {
        EXPECT_EQ(FirstDifference(picture, Result(document)), "");
        EXPECT_EQ(document.ResultStyle(), style);
        EXPECT_EQ(document.ResultThickness(), thickness);
    };
    const Picture inked = ink(1, 5);
    // Thick edges and thin ink: each comes back with its own thickness.
    const Picture edges = ExpectedDrawing(Photo, 1, 1, false);
    ASSERT_TRUE(document.Extract(1, 1));
    ASSERT_TRUE(document.Extract(1, 5, false, LineStyle::Ink));
    expectShown(inked, LineStyle::Ink, 1);
    ASSERT_NE(FirstDifference(inked, ExpectedDrawing(Photo, 1, 5, false)), "");
    ASSERT_TRUE(document.Undo());
    expectShown(edges, LineStyle::Edges, 1);
    ASSERT_TRUE(document.Redo());
    {
        const MemoryBudget none(ImgPixelBytesInUse());
        EXPECT_FALSE(document.Extract(0, 9, false, LineStyle::Ink));
        expectShown(inked, LineStyle::Ink, 1);
        EXPECT_FALSE(document.CanRedo());
        EXPECT_TRUE(document.Undo());
    }
    expectShown(edges, LineStyle::Edges, 1);
    EXPECT_FALSE(document.CanUndo());
    ASSERT_TRUE(document.Redo());
    expectShown(inked, LineStyle::Ink, 1);
}

TEST_F(ImageDocumentTest, UndoAndRedoWithoutMemoryChangeNothing) {
    document.Extract(0, 1);
    document.Extract(0, 2);
    {
        const MemoryBudget none(ImgPixelBytesInUse());
        EXPECT_FALSE(document.Undo());
    }
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 2, false), Result(document)), "");
    EXPECT_TRUE(document.CanUndo());
    EXPECT_FALSE(document.CanRedo());

    ASSERT_TRUE(document.Undo());
    document.RemoveNoise(1);
    const Picture cleaned = Result(document);
    {
        const MemoryBudget none(ImgPixelBytesInUse());
        EXPECT_FALSE(document.Redo());
    }
    EXPECT_EQ(FirstDifference(cleaned, Result(document)), "");
    EXPECT_FALSE(document.CanUndo());
    EXPECT_TRUE(document.CanRedo());

    EXPECT_TRUE(document.Redo());
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 2, false), Result(document)), "");
    EXPECT_TRUE(document.Undo());
    EXPECT_EQ(FirstDifference(cleaned, Result(document)), "");
}

TEST_F(ImageDocumentTest, ResultThatIsNotBlackAndWhiteComesBackWhole) {
    document.Extract(0, 1);
    // Changed behind the document's back: one grey pixel.
    document.ResultInfo()->pixels[3 * 5 + 1] = 128;
    const std::vector<uint8_t> changed = ResultBytes(document);
    document.Extract(1, 2);
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(document.Undo());
        EXPECT_EQ(ResultBytes(document), changed) << "round " << round;
        {
            // Room to try packing the result, not for the image the packed
            // step then needs.
            const MemoryBudget budget(ImgPixelBytesInUse() + int64_t(changed.size()) / 2);
            EXPECT_FALSE(document.Redo());
        }
        EXPECT_EQ(ResultBytes(document), changed) << "round " << round;
        EXPECT_TRUE(document.Redo());
        EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 1, 2, false), Result(document)), "") << "round " << round;
    }
}

TEST_F(ImageDocumentTest, LoadWithoutMemoryEmptiesTheHistoryAndTriesOnceMore) {
    const int64_t loaded = ImgPixelBytesInUse();
    for (int k = 1; k <= 4; ++k) document.Extract(0, k);
    document.Undo();
    const int64_t history = ImgPixelBytesInUse() - loaded;
    ASSERT_GT(history, 0);
    const Picture other = RandomPicture(31, 9, 5);
    const std::string otherPath = WritePicture(folder, "other.bmp", other);
    // Reading a 24-bit BMP takes the picture and its copy as result; the old
    // images go only once the new ones are there.
    const int64_t needed = 2 * int64_t{Stride24(31)} * 9;
    {
        const MemoryBudget budget(loaded + needed + history / 2);
        ImageError error = ImageError::None;
        EXPECT_TRUE(document.LoadFile(otherPath.c_str(), &error));
        EXPECT_EQ(error, ImageError::None);
    }
    EXPECT_EQ(FirstDifference(other, Result(document)), "");
    EXPECT_FALSE(document.CanUndo());
    EXPECT_FALSE(document.CanRedo());
    EXPECT_FALSE(document.IsExtracted());

    // Without memory even then, the load is refused for what it is.
    for (const std::string& path : {photoPath, otherPath}) {
        const MemoryBudget none(ImgPixelBytesInUse());
        ImageError error = ImageError::None;
        EXPECT_FALSE(document.LoadFile(path.c_str(), &error));
        EXPECT_EQ(error, ImageError::OutOfMemory);
    }
    EXPECT_EQ(FirstDifference(other, Result(document)), "");
}

TEST(ImageDocument, BytesOfAFileGiveThePictureOfTheFile) {
    for (const char* name : {"/pngsuite/png/basn6a08.png", "/bmp/argb32.bmp", "/jpeg/baseline.jpg"}) {
        const std::string path = VELMORA_TEST_DATA + std::string(name);
        const std::vector<uint8_t> bytes = ReadBytes(path);
        ImageDocument fromFile, fromBytes;
        ASSERT_TRUE(fromFile.LoadFile(path.c_str()) && fromBytes.LoadMemory(bytes.data(), bytes.size())) << name;
        EXPECT_EQ(FirstDifference(Result(fromFile), Result(fromBytes)), "") << name;
    }
}

TEST_F(ImageDocumentTest, SaveWritesTheResultAndReportsFailure) {
    document.Extract(1, 6);
    document.RemoveNoise(1);
    const std::string saved = folder + "/saved.bmp";
    ASSERT_TRUE(document.Save(saved.c_str(), LineFormat::Bmp));
    DibHandle reread = ImgLoadFile(saved.c_str());
    ASSERT_NE(reread, nullptr);
    EXPECT_EQ(FirstDifference(Result(document), ReadImage(reread)), "");
    ImgRelease(reread);

    Failure error;
    EXPECT_FALSE(document.Save((folder + "/no such folder/out.bmp").c_str(), LineFormat::Bmp, {}, &error));
    EXPECT_NE(error.system, 0);
}

#ifndef _WIN32
// The strokes are as wide as the lines of the extraction that made the step
// shown, however the history got there.
TEST_F(ImageDocumentTest, SvgStrokesAreAsWideAsTheLinesOfTheStepShown) {
    const std::string path = folder + "/saved.svg";
    const OutputColours clear{.transparent = true};
    for (int thickness : {1, 0, 1}) document.Extract(thickness, 6);
    const std::pair<bool (ImageDocument::*)(), int> steps[] = {
        {&ImageDocument::Undo, 0}, {&ImageDocument::Undo, 1}, {&ImageDocument::Redo, 0}, {&ImageDocument::Redo, 1}};
    for (const auto& step : steps) {
        (document.*step.first)();
        ASSERT_TRUE(document.Save(path.c_str(), LineFormat::Svg, clear));
        EXPECT_EQ(ReadBytes(path), SvgOf(Result(document), step.second, clear)) << "step " << &step - steps;
    }
    EXPECT_FALSE(ImageDocument().Save(path.c_str(), LineFormat::Svg, clear));
}

TEST_F(ImageDocumentTest, FailedSaveKeepsTheFileOnDiskTheImagesAndHistory) {
    document.Extract(0, 4);
    const std::string saved = folder + "/saved.bmp";
    ASSERT_TRUE(document.Save(saved.c_str(), LineFormat::Bmp));
    const std::vector<uint8_t> onDisk = ReadBytes(saved);
    document.Extract(1, 5);
    document.Extract(0, 6);
    document.Undo();
    const Picture before = Result(document);

    Failure error;
    {
        // The headers fit, the pixels do not.
        const FileSizeLimit limit(100);
        EXPECT_FALSE(document.Save(saved.c_str(), LineFormat::Bmp, {}, &error));
    }
    EXPECT_EQ(error.system, EFBIG);
    EXPECT_EQ(ReadBytes(saved), onDisk);
    EXPECT_EQ(FirstDifference(before, Result(document)), "");
    EXPECT_TRUE(document.CanUndo());
    EXPECT_TRUE(document.CanRedo());
    document.Undo();
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 4, false), Result(document)), "");
    document.Redo();
    document.Redo();
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 6, false), Result(document)), "");
}
#endif

TEST_F(ImageDocumentTest, UndoAndRedoBackAndForthGiveTheSamePixelsEveryTime) {
    document.Extract(0, 1);
    document.Extract(1, 4);
    document.Extract(0, 9);
    const Picture steps[3] = {ExpectedDrawing(Photo, 0, 1, false), ExpectedDrawing(Photo, 1, 4, false),
                              ExpectedDrawing(Photo, 0, 9, false)};
    for (int round = 0; round < 3; ++round) {
        document.Undo();
        document.Undo();
        EXPECT_EQ(FirstDifference(steps[0], Result(document)), "") << "round " << round;
        EXPECT_FALSE(document.CanUndo());
        document.Undo();
        EXPECT_EQ(FirstDifference(steps[0], Result(document)), "") << "undo without steps must change nothing";
        document.Redo();
        EXPECT_EQ(FirstDifference(steps[1], Result(document)), "") << "round " << round;
        document.Redo();
        EXPECT_EQ(FirstDifference(steps[2], Result(document)), "") << "round " << round;
        EXPECT_FALSE(document.CanRedo());
        document.Redo();
        EXPECT_EQ(FirstDifference(steps[2], Result(document)), "") << "redo without steps must change nothing";
        EXPECT_TRUE(document.CanUndo());
    }
}

TEST_F(ImageDocumentTest, NoiseRemovedAfterUndoStaysWithThatStep) {
    document.Extract(1, 3);
    document.Extract(0, 7);
    document.Undo();
    document.RemoveNoise(1);
    document.Redo();
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 7, false), Result(document)), "");
    document.Undo();
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 1, 3, true), Result(document)), "");
}

namespace {

// Images told apart by their size alone.
DibPtr ImageOfWidth(int width) {
    return DibPtr(MakeImage(DarkPicture({std::string(size_t(width), '.')})));
}

}  // namespace

TEST(ImageStack, PopHandsBackThePushedImagesNewestFirst) {
    ImageStack stack(4);
    DibHandle images[3] = {ImageOfWidth(1).release(), ImageOfWidth(2).release(), ImageOfWidth(3).release()};
    for (DibHandle image : images) stack.Push(DibPtr(image));
    EXPECT_EQ(stack.Count(), 3);
    for (int i = 2; i >= 0; --i) {
        const DibPtr popped = stack.Pop();
        EXPECT_EQ(popped.get(), images[i]) << "the stack must hand back the image itself, not a copy";
    }
    EXPECT_EQ(stack.Count(), 0);
}

TEST(ImageStack, PushOnAFullStackDropsTheOldest) {
    ImageStack stack(3);
    for (int width = 1; width <= 5; ++width) stack.Push(ImageOfWidth(width));
    EXPECT_EQ(stack.Count(), 3);
    for (int width = 5; width >= 3; --width) {
        const DibPtr popped = stack.Pop();
        EXPECT_EQ(ImgQueryInfo(popped.get())->header->biWidth, width);
    }
    EXPECT_EQ(stack.Count(), 0);
}

TEST(ImageStack, ClearAndDropOldestFreeEntries) {
    ImageStack stack(10);
    for (int width = 1; width <= 4; ++width) stack.Push(ImageOfWidth(width));
    stack.DropOldest();
    EXPECT_EQ(stack.Count(), 3);
    const DibPtr newest = stack.Pop();
    EXPECT_EQ(ImgQueryInfo(newest.get())->header->biWidth, 4);
    stack.Clear();
    EXPECT_EQ(stack.Count(), 0);
}
