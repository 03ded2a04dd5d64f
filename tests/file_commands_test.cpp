// Opening, dropping, saving, copying and pasting, driven through the control
// window with real dialogs and message boxes answered by the test.
#include "control_window.h"
#include "exif_files.h"
#include "file_commands.h"
#include "image_gdi.h"
#include "image_window.h"
#include "program_fixture.h"
#include "resource.h"
#include "window_geometry.h"

#include <filesystem>

namespace {

// The file name box of the open and save dialogs.
constexpr int FileNameBox = 0x47C;

const Picture Photo = RandomPicture(31, 23, 8);

std::string Native(std::string path) {
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

// Answers a file dialog: remembers the proposed name, then types name and
// confirms, or cancels when name is empty.
std::function<void(HWND)> AnswerFileDialog(std::wstring& proposed, const std::string& name) {
    return [&proposed, name](HWND dialog) {
        proposed = ItemText(dialog, FileNameBox);
        if (name.empty()) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        SetDlgItemTextA(dialog, FileNameBox, Native(name).c_str());
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    };
}

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class FileCommandsTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        CurrentPath.clear();
        SaveCounter = 0;
    }

    // Loads and extracts a picture, as the user would before saving.
    void LoadAndExtract(const Picture& picture) {
        Load(picture);
        Command(IDC_EXECUTE);
        Pump();
    }

    // Runs the save command, answering its dialog with name (empty: cancel)
    // and reading the message that follows.
    std::wstring Save(const std::string& name, MessageSeen* message = nullptr) {
        std::wstring proposed;
        MessageSeen ignored;
        AnswerModals([&] { Command(IDC_SAVE); },
                     {AnswerFileDialog(proposed, name), ReadMessage(message ? *message : ignored)});
        return proposed;
    }
};

}  // namespace

TEST_F(FileCommandsTest, OnlyTheEightExtensionsOpen) {
    std::filesystem::create_directory(folder + "/v1.2");
    for (const char* name : {"photo.PNG", "photo.jpeg", "photo.bmp", "photo.JPG"}) {
        const std::string path = WritePicture(Photo, name);
        MessageSeen message;
        EXPECT_EQ(AnswerModals([&] { Drop(ControlWindow, {path}); }, {ReadMessage(message)}), 0) << name;
        EXPECT_TRUE(Document.HasSource()) << name;
        EXPECT_EQ(Document.ResultWidth(), 31) << name;
        Load(RandomPicture(3, 3, 1));
    }
    for (const char* name : {"photo.Png", "photo.jpe", "photo.gif", "photo", "v1.2/photo"}) {
        const std::string path = WritePicture(Photo, name);
        MessageSeen message;
        EXPECT_EQ(AnswerModals([&] { Drop(ControlWindow, {path}); }, {ReadMessage(message)}), 1) << name;
        EXPECT_EQ(message.text, L"未サポートのファイル形式です．") << name;
        EXPECT_EQ(message.caption, WindowTitle);
        EXPECT_EQ(message.owner, ControlWindow);
        EXPECT_EQ(Document.ResultWidth(), 3) << name << " must leave the document as it was";
        EXPECT_EQ(CurrentPath, path) << "a refused drop still becomes the base of the save name";
    }
}

TEST_F(FileCommandsTest, UnreadableFileKeepsTheImageHistoryScaleAndControls) {
    LoadAndExtract(Photo);
    Select(IDC_CONTRAST, 2);
    Command(IDC_EXECUTE);
    Command(IDM_ZOOM_IN);
    Command(IDM_AUTO);
    const Picture before = ReadImage(*Document.ResultInfo());
    const int width = ClientWidth(ImageWindow);
    WriteBytes(folder + "/broken.png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0});

    MessageSeen message;
    EXPECT_EQ(AnswerModals([&] { Drop(ImageWindow, {folder + "/broken.png"}); }, {ReadMessage(message)}), 1);
    EXPECT_EQ(message.text, L"画像を読み込めませんでした．");
    EXPECT_EQ(message.owner, ControlWindow);
    EXPECT_EQ(TakePostedExecutes(), 0);
    EXPECT_EQ(FirstDifference(before, ReadImage(*Document.ResultInfo())), "");
    EXPECT_TRUE(Document.CanUndo());
    EXPECT_EQ(ZoomIndex, 3);
    EXPECT_EQ(ClientWidth(ImageWindow), width);
    EXPECT_TRUE(ButtonEnabled(IDC_SAVE));
    EXPECT_TRUE(MenuEnabled(IDM_UNDO));
}

TEST_F(FileCommandsTest, DropsOpenTheFirstFileAndOnlyTheControlWindowKeepsItsPath) {
    const std::string first = WritePicture(Photo, "first.bmp");
    const std::string second = WritePicture(RandomPicture(7, 5, 2), "second.bmp");
    Drop(ControlWindow, {first, second});
    Pump();
    EXPECT_EQ(CurrentPath, first);
    EXPECT_EQ(Document.ResultWidth(), 31);

    Drop(ImageWindow, {second, first});
    Pump();
    EXPECT_EQ(Document.ResultWidth(), 7);
    EXPECT_EQ(CurrentPath, first) << "a drop on the image window keeps the save name's base";
}

TEST_F(FileCommandsTest, OpeningWithAutoExtractionOnExtractsAtOnce) {
    Command(IDM_AUTO);
    Drop(ControlWindow, {WritePicture(Photo, "auto.png.bmp")});
    EXPECT_EQ(ZoomIndex, 2);
    Pump();
    EXPECT_TRUE(Document.IsExtracted());
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 6, false), ReadImage(*Document.ResultInfo())), "");
}

TEST_F(FileCommandsTest, OpenDialogLoadsTheChosenFile) {
    const std::string path = WritePicture(Photo, "chosen.bmp");
    std::wstring proposed;
    EXPECT_EQ(AnswerModals([&] { Command(IDC_OPEN); }, {AnswerFileDialog(proposed, path)}), 1);
    Pump();
    EXPECT_EQ(Document.ResultWidth(), 31);
    EXPECT_EQ(Native(CurrentPath), Native(path));
    EXPECT_EQ(AnswerModals([&] { Command(IDM_OPEN); }, {AnswerFileDialog(proposed, "")}), 1);
    EXPECT_EQ(Native(CurrentPath), Native(path)) << "a cancelled dialog keeps the path";
}

TEST_F(FileCommandsTest, SaveProposesNumberedNamesAndForcesBmp) {
    LoadAndExtract(Photo);
    CurrentPath = "C:\\pics\\cat.jpg";
    EXPECT_EQ(DefaultSaveName(CurrentPath, 0), "C:\\pics\\cat-velmora00.bmp");
    EXPECT_EQ(DefaultSaveName(CurrentPath, 123), "C:\\pics\\cat-velmora123.bmp");
    EXPECT_EQ(DefaultSaveName("C:\\v1.2\\cat", 7), "C:\\v1.2\\cat-velmora07.bmp");

    EXPECT_TRUE(EndsWith(Save(""), L"cat-velmora00.bmp"));
    EXPECT_EQ(SaveCounter, 0) << "a cancelled dialog does not count";
    MessageSeen message;
    EXPECT_TRUE(EndsWith(Save(folder + "/out.png", &message), L"cat-velmora00.bmp"));
    EXPECT_EQ(message.text, L"ファイルを保存しました．");
    EXPECT_EQ(message.caption, WindowTitle);
    EXPECT_FALSE(std::filesystem::exists(folder + "/out.png"));
    DibHandle saved = ImgLoadFile((folder + "/out.bmp").c_str());
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(FirstDifference(ReadImage(*Document.ResultInfo()), ReadImage(saved)), "");
    ImgRelease(saved);

    // The number goes on across images.
    LoadAndExtract(RandomPicture(9, 9, 4));
    EXPECT_TRUE(EndsWith(Save(""), L"cat-velmora01.bmp"));
}

TEST_F(FileCommandsTest, FailedSaveSaysSoAndKeepsWhatIsThere) {
    LoadAndExtract(Photo);
    // A typed "locked" becomes locked.bmp, which is a folder: the write fails.
    std::filesystem::create_directory(folder + "/locked.bmp");
    WriteBytes(folder + "/locked.bmp/keep.txt", {'k', 'e', 'e', 'p'});
    MessageSeen message;
    Save(folder + "/locked", &message);
    EXPECT_EQ(message.text, L"ファイルを保存できませんでした．");
    EXPECT_EQ(message.caption, WindowTitle);
    EXPECT_EQ(SaveCounter, 1);
    EXPECT_EQ(ReadBytes(folder + "/locked.bmp/keep.txt"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.is_regular_file();
    EXPECT_EQ(files, 1u) << "only the loaded picture; no temporary file left";
}

TEST_F(FileCommandsTest, SaveAndCopyDoNothingBeforeAnExtraction) {
    Load(Photo);
    MessageSeen message;
    EXPECT_EQ(AnswerModals([&] { SaveResultImage(ControlWindow, "x.bmp"); }, {ReadMessage(message)}), 0);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    CopyResultToClipboard();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
}

TEST_F(FileCommandsTest, CopyPutsTheUnscaledResultOnTheClipboard) {
    LoadAndExtract(Photo);
    Command(IDM_ZOOM_IN);
    Command(IDM_ZOOM_IN);
    Command(IDM_COPY);

    ASSERT_TRUE(OpenClipboard(nullptr));
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(bitmap, nullptr);
    BITMAP size{};
    GetObjectW(bitmap, sizeof size, &size);
    EXPECT_EQ(size.bmWidth, 31);
    EXPECT_EQ(size.bmHeight, 23);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    DibHandle copied = ImgCaptureDC(memory, 0, 0, size.bmWidth, size.bmHeight);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    CloseClipboard();
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(FirstDifference(ReadImage(*Document.ResultInfo()), ReadImage(copied)), "");
    ImgRelease(copied);
}

TEST_F(FileCommandsTest, PasteBringsABitmapInAtFullScaleWithoutExtracting) {
    CurrentPath = "C:\\pics\\cat.jpg";
    Load(RandomPicture(5, 5, 3));
    Command(IDM_ZOOM_OUT);
    Command(IDM_AUTO);

    const Picture pasted = RandomPicture(17, 12, 6);
    DibHandle image = MakeImage(pasted, 0);
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 17, 12);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ImgBlit(memory, 0, 0, 17, 12, image, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    ImgRelease(image);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_BITMAP, bitmap);
    CloseClipboard();

    Command(IDM_PASTE);
    Pump();
    EXPECT_EQ(FirstDifference(pasted, ReadImage(*Document.ResultInfo())), "");
    EXPECT_EQ(ZoomIndex, 2);
    EXPECT_EQ(ClientWidth(ImageWindow), 17);
    EXPECT_FALSE(Document.IsExtracted()) << "a paste never extracts";
    EXPECT_TRUE(ButtonEnabled(IDC_EXECUTE));
    EXPECT_FALSE(MenuEnabled(IDM_COPY));
    EXPECT_EQ(CurrentPath, "C:\\pics\\cat.jpg");
}

TEST_F(FileCommandsTest, PasteWithoutABitmapChangesNothing) {
    Load(Photo);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    Command(IDM_ZOOM_IN);
    Command(IDM_PASTE);
    EXPECT_EQ(ZoomIndex, 3);
    EXPECT_EQ(Document.ResultWidth(), 31);
}

TEST_F(FileCommandsTest, SaveAfterOnlyAPasteProposesAnEmptyName) {
    Load(Photo);
    Command(IDC_EXECUTE);
    EXPECT_EQ(Save(""), L"");
}

TEST_F(FileCommandsTest, FilesMadeToBreakTheLoaderAreRefusedWithTheMessage) {
    LoadAndExtract(Photo);
    Command(IDC_EXECUTE);
    const Picture before = ReadImage(*Document.ResultInfo());
    const std::vector<std::string> refused = RefusedFuzzInputs();
    for (const std::string& path : refused) {
        MessageSeen message;
        EXPECT_EQ(AnswerModals([&] { Drop(ImageWindow, {path}); }, {ReadMessage(message)}), 1) << path;
        EXPECT_EQ(message.text, L"画像を読み込めませんでした．") << path;
        EXPECT_EQ(FirstDifference(before, ReadImage(*Document.ResultInfo())), "") << path;
        EXPECT_TRUE(MenuEnabled(IDM_UNDO)) << path;
    }
    EXPECT_GT(refused.size(), 5u);
    Command(IDM_UNDO);
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 6, false), ReadImage(*Document.ResultInfo())), "");
}

TEST_F(FileCommandsTest, PhotoStoredSidewaysOpensUpright) {
    // Orientation 6: the 61 x 43 photo's pixels were stored turned a quarter
    // anticlockwise.
    const std::string path = folder + "/sideways.jpg";
    WriteBytes(path, WithJpegExif(ReadBytes(std::string(VELMORA_TEST_DATA) + "/jpeg/baseline.jpg"), TiffBlock(6, false)));
    ASSERT_TRUE(OpenImageFile(ControlWindow, path));
    Pump();
    EXPECT_EQ(Document.ResultWidth(), 43);
    EXPECT_EQ(Document.ResultHeight(), 61);
    EXPECT_EQ(ClientWidth(ImageWindow), 43);
    EXPECT_EQ(ClientHeight(ImageWindow), 61);
}
