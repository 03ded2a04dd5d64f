// Opening, dropping, saving, copying and pasting, driven through the control
// window with real dialogs and message boxes answered by the test.
#include "base/file_io.h"
#include "control_window.h"
#include "document/image_gdi.h"
#include "exif_files.h"
#include "file_commands.h"
#include "image_window.h"
#include "program_fixture.h"
#include "resource.h"
#include "window_geometry.h"

#include <dlgs.h>
#include <filesystem>

namespace {

const Picture Photo = RandomPicture(31, 23, 8);

bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// Handles messages until ready() or 20 s have passed; whether it got ready.
bool WaitUntil(const std::function<bool()>& ready) {
    for (int i = 0; i < 400 && !ready(); ++i) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(50);
    }
    return ready();
}

class FileCommandsTest : public ProgramTest {
protected:
    // Loads and extracts a picture, as the user would before saving.
    void LoadAndExtract(const Picture& picture) {
        Load(picture);
        Command(IDC_EXECUTE);
        Pump();
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
        EXPECT_EQ(message.caption, App.windowTitle);
        EXPECT_EQ(message.owner, ControlWindow);
        EXPECT_EQ(Document.ResultWidth(), 3) << name << " must leave the document as it was";
        EXPECT_EQ(App.currentPath, path) << "a refused drop still becomes where the open dialog starts";
    }
}

TEST_F(FileCommandsTest, UnreadableFileKeepsTheImageHistoryScaleAndControls) {
    LoadAndExtract(Photo);
    ExtractWithContrast(2);
    Command(IDM_ZOOM_IN);
    Command(IDM_AUTO);
    const Picture before = Result();
    const int width = ClientWidth(ImageWindow);
    WriteBytes(folder + "/broken.png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0});

    MessageSeen message;
    EXPECT_EQ(AnswerModals([&] { Drop(ImageWindow, {folder + "/broken.png"}); }, {ReadMessage(message)}), 1);
    EXPECT_EQ(message.text, L"画像を読み込めませんでした．\nファイルが壊れているか、途中で切れています．");
    EXPECT_EQ(message.owner, ControlWindow);
    EXPECT_EQ(TakePostedExecutes(), 0);
    EXPECT_EQ(FirstDifference(before, Result()), "");
    EXPECT_TRUE(Document.CanUndo());
    EXPECT_EQ(App.zoomIndex, 3);
    EXPECT_EQ(ClientWidth(ImageWindow), width);
    EXPECT_TRUE(ButtonEnabled(IDC_SAVE));
    EXPECT_TRUE(MenuEnabled(IDM_UNDO));
}

TEST_F(FileCommandsTest, DropsOpenTheFirstFileAndOnlyTheControlWindowKeepsItsPath) {
    const std::string first = WritePicture(Photo, "first.bmp");
    const std::string second = WritePicture(RandomPicture(7, 5, 2), "second.bmp");
    Drop(ControlWindow, {first, second});
    Pump();
    EXPECT_EQ(App.currentPath, first);
    EXPECT_EQ(Document.ResultWidth(), 31);

    Drop(ImageWindow, {second, first});
    Pump();
    EXPECT_EQ(Document.ResultWidth(), 7);
    EXPECT_EQ(App.currentPath, first) << "a drop on the image window keeps where the open dialog starts";
}

TEST_F(FileCommandsTest, OpeningWithAutoExtractionOnExtractsAtOnce) {
    Command(IDM_AUTO);
    Drop(ControlWindow, {WritePicture(Photo, "auto.png.bmp")});
    Pump();
    EXPECT_TRUE(Document.IsExtracted());
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 6, false), Result()), "");
}

TEST_F(FileCommandsTest, OpenDialogLoadsTheChosenFile) {
    const std::string path = WritePicture(Photo, "chosen.bmp");
    std::wstring proposed;
    EXPECT_EQ(AnswerModals([&] { Command(IDC_OPEN); }, {AnswerFileDialog(proposed, path)}), 1);
    Pump();
    EXPECT_EQ(Document.ResultWidth(), 31);
    EXPECT_EQ(Native(App.currentPath), Native(path));
    EXPECT_EQ(AnswerModals([&] { Command(IDM_OPEN); }, {AnswerFileDialog(proposed, "")}), 1);
    EXPECT_EQ(Native(App.currentPath), Native(path)) << "a cancelled dialog keeps the path";
}

TEST_F(FileCommandsTest, OpeningAFileResetsTheScaleAndTheControls) {
    Drop(ControlWindow, {WritePicture(Photo, "first.bmp")});
    for (int id : {IDC_EXECUTE, IDC_ZOOM_IN, IDC_ZOOM_OUT}) EXPECT_TRUE(ButtonEnabled(id)) << id;
    for (UINT id : {IDM_ZOOM_IN, IDM_ZOOM_OUT}) EXPECT_TRUE(MenuEnabled(id)) << id;
    for (int contrast : {0, 4, 9}) {
        ExtractWithContrast(contrast);
    }
    Command(IDM_UNDO);
    Command(IDM_ZOOM_IN);
    Command(IDM_ZOOM_IN);
    for (UINT id : {IDM_SAVE, IDM_COPY, IDM_UNDO, IDM_REDO}) ASSERT_TRUE(MenuEnabled(id)) << id;

    Drop(ImageWindow, {WritePicture(RandomPicture(20, 10, 3), "second.bmp")});
    EXPECT_EQ(App.zoomIndex, 2);
    EXPECT_EQ(PanelScaleText(), L"表示　100 ％");
    EXPECT_EQ(PanelSizeText(), L"画像サイズ  20 × 10");
    EXPECT_EQ(ClientWidth(ImageWindow), 20);
    EXPECT_FALSE(ButtonEnabled(IDC_SAVE));
    for (UINT id : {IDM_SAVE, IDM_COPY, IDM_UNDO, IDM_REDO}) EXPECT_FALSE(MenuEnabled(id)) << id;
    for (int id : {IDC_EXECUTE, IDC_ZOOM_IN, IDC_ZOOM_OUT}) EXPECT_TRUE(ButtonEnabled(id)) << id;
}

TEST_F(FileCommandsTest, NoDropIsTakenWhileADialogOrMessageIsOpen) {
    LoadAndExtract(Photo);
    const Picture extracted = Result();
    const std::string other = WritePicture(RandomPicture(7, 5, 2), "other.bmp");
    auto dropEverywhere = [&] {
        Drop(ImageWindow, {other});
        Drop(ControlWindow, {other});
    };
    bool imageUsable = true;
    std::wstring proposed;
    MessageSeen message;
    // A drop under the save dialog, then under its confirmation.
    EXPECT_EQ(AnswerModals([&] { Command(IDC_SAVE); }, {[&](HWND dialog) {
        imageUsable = IsWindowEnabled(ImageWindow);
        dropEverywhere();
        AnswerFileDialog(proposed, folder + "/saved")(dialog);
    }, [&](HWND box) {
        dropEverywhere();
        ReadMessage(message)(box);
    }}), 2);
    EXPECT_FALSE(imageUsable);
    EXPECT_EQ(message.text, L"ファイルを保存しました．");
    DibHandle saved = ImgLoadFile((folder + "/saved.bmp").c_str());
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(FirstDifference(extracted, ReadImage(saved)), "") << "the extracted picture is what was saved";
    ImgRelease(saved);
    // And under the open dialog.
    EXPECT_EQ(AnswerModals([&] { Command(IDC_OPEN); }, {[&](HWND dialog) {
        dropEverywhere();
        AnswerFileDialog(proposed, "")(dialog);
    }}), 1);
    EXPECT_EQ(FirstDifference(extracted, Result()), "");
    EXPECT_TRUE(IsWindowEnabled(ImageWindow));
    Drop(ImageWindow, {other});
    EXPECT_EQ(Document.ResultWidth(), 7) << "with nothing open, drops work again";
}

TEST_F(FileCommandsTest, TheSaveNameFollowsTheShownPicture) {
    Drop(ControlWindow, {WritePicture(Photo, "cat.bmp")});
    Command(IDC_EXECUTE);
    WriteBytes(folder + "/broken.png", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0});
    for (const std::string& refused : {folder + "/broken.png", WritePicture(Photo, "dog.gif")}) {
        MessageSeen message;
        EXPECT_EQ(AnswerModals([&] { Drop(ControlWindow, {refused}); }, {ReadMessage(message)}), 1);
        EXPECT_TRUE(EndsWith(Save(""), L"cat-velmora00.bmp")) << refused;
    }
    Drop(ImageWindow, {WritePicture(Photo, "owl.bmp")});
    Command(IDC_EXECUTE);
    EXPECT_TRUE(EndsWith(Save(""), L"owl-velmora00.bmp"));
    PutOnClipboard(RandomPicture(6, 6, 1));
    Command(IDM_PASTE);
    Command(IDC_EXECUTE);
    EXPECT_TRUE(EndsWith(Save(""), L"owl-velmora00.bmp")) << "a pasted picture keeps the last file's name";
}

TEST_F(FileCommandsTest, SaveAsksBeforeReplacingTheFileItWrites) {
    LoadAndExtract(Photo);
    const std::vector<uint8_t> old{'o', 'l', 'd'};
    WriteBytes(folder + "/out.bmp", old);
    std::wstring proposed;
    MessageSeen question, confirmation;
    // Typed out.jpg, written out.bmp: the dialog asked about neither.
    EXPECT_EQ(AnswerModals([&] { Command(IDC_SAVE); },
                           {AnswerFileDialog(proposed, folder + "/out.jpg"), ReadMessage(question, IDNO),
                            ReadMessage(confirmation)}), 2);
    EXPECT_EQ(question.text, L"out.bmp は既に存在します。\n上書きしますか？");
    EXPECT_EQ(question.caption, App.windowTitle);
    EXPECT_EQ(ReadBytes(folder + "/out.bmp"), old);
    EXPECT_EQ(App.saveCounter, 0) << "no is no save";
    EXPECT_EQ(confirmation.text, L"");

    EXPECT_EQ(AnswerModals([&] { Command(IDC_SAVE); },
                           {AnswerFileDialog(proposed, folder + "/out.jpg"), ReadMessage(question, IDYES),
                            ReadMessage(confirmation)}), 3);
    EXPECT_EQ(confirmation.text, L"ファイルを保存しました．");
    EXPECT_EQ(App.saveCounter, 1);
    EXPECT_NE(ReadBytes(folder + "/out.bmp"), old);

    // Typed out: the dialog itself adds .bmp and asks its own question.
    WriteBytes(folder + "/out.bmp", old);
    question = {};
    EXPECT_EQ(AnswerModals([&] { Command(IDC_SAVE); },
                           {AnswerFileDialog(proposed, folder + "/out"), ReadMessage(question, IDYES),
                            ReadMessage(confirmation)}), 3);
    EXPECT_NE(question.text, L"");
    EXPECT_NE(question.text, L"out.bmp は既に存在します。\n上書きしますか？") << "asked by the dialog, not again by us";
    EXPECT_EQ(App.saveCounter, 2);
    EXPECT_NE(ReadBytes(folder + "/out.bmp"), old);
}

TEST_F(FileCommandsTest, FileNamesInAnyScriptOpenSaveAndDrop) {
    const std::string named = folder + "/写真 é 🙂";
    ASSERT_TRUE(CreateDirectoryW(Wide(named).c_str(), nullptr));
    const std::string photo = WritePicture(Photo, "写真 é 🙂/写真 café 🙂.png");
    ASSERT_TRUE(ExistsWide(photo));

    std::wstring proposed;
    EXPECT_EQ(AnswerModals([&] { Command(IDC_OPEN); }, {AnswerFileDialog(proposed, photo)}), 1);
    EXPECT_EQ(Document.ResultWidth(), 31);
    EXPECT_EQ(Native(App.currentPath), Native(photo));
    Command(IDC_EXECUTE);
    MessageSeen message;
    EXPECT_EQ(AnswerModals([&] { Command(IDC_SAVE); },
                           {AnswerFileDialog(proposed, named + "/保存 ñ 🙂"), ReadMessage(message)}), 2);
    EXPECT_TRUE(EndsWith(proposed, L"写真 café 🙂-velmora00.bmp"));
    EXPECT_EQ(message.text, L"ファイルを保存しました．");
    EXPECT_TRUE(ExistsWide(named + "/保存 ñ 🙂.bmp"));

    // The question names the file in its own script.
    MessageSeen question;
    AnswerModals([&] { Command(IDC_SAVE); },
                 {AnswerFileDialog(proposed, named + "/保存 ñ 🙂.jpg"), ReadMessage(question, IDNO)});
    EXPECT_EQ(question.text, L"保存 ñ 🙂.bmp は既に存在します。\n上書きしますか？");

    Load(RandomPicture(3, 3, 1));
    Drop(ControlWindow, {photo});
    EXPECT_EQ(Document.ResultWidth(), 31);
    EXPECT_EQ(Native(App.currentPath), Native(photo));
    Load(RandomPicture(3, 3, 1));
    Drop(ImageWindow, {named + "/保存 ñ 🙂.bmp"});
    EXPECT_EQ(Document.ResultWidth(), 31);
}

TEST_F(FileCommandsTest, HugeFilesAreRefusedAndLongPathsOpenAndSave) {
    Load(RandomPicture(3, 3, 1));
    for (const uintmax_t size : {uintmax_t{2} << 30, uintmax_t{5} << 30}) {  // sparse, past 2 and 4 GiB
        WriteBytes(folder + "/huge.png", {0, 0});
        std::filesystem::resize_file(folder + "/huge.png", size);
        MessageSeen message;
        EXPECT_EQ(AnswerModals([&] { Drop(ControlWindow, {folder + "/huge.png"}); }, {ReadMessage(message)}), 1);
        EXPECT_EQ(message.text.rfind(L"画像を読み込めませんでした．", 0), 0u) << message.text;
        EXPECT_EQ(Document.ResultWidth(), 3);
    }
    // Paths too long for std::filesystem under Wine: removed with the wide
    // calls at the next run's start too, should this run stop half-way.
    struct Cleanup {
        std::string folder;
        ~Cleanup() { RemoveTree(Wide(folder)); }
    } cleanup{folder + "/long"};
    std::string named = folder + "/long";
    // A folder past Windows' 260 characters, whatever the test folder's length.
    while (named.size() <= 260) named += "/" + std::string(50, 'd');
    std::filesystem::create_directories(named);
    named += "/" + std::string(40, 'p');
    Drop(ControlWindow, {WritePicture(Photo, named.substr(folder.size() + 1) + ".png")});
    EXPECT_EQ(Document.ResultWidth(), 31);
    // Wine's own file dialog takes no folder past 260 characters: the save command's write after it.
    Command(IDC_EXECUTE);
    ASSERT_TRUE(Document.Save((named + ".bmp").c_str(), LineFormat::Bmp));
    DibHandle saved = ImgLoadFile((named + ".bmp").c_str());
    EXPECT_EQ(FirstDifference(Result(), saved ? ReadImage(saved) : Picture{}), "");
    ImgRelease(saved);
}

TEST_F(FileCommandsTest, SaveProposesNumberedNamesAndForcesBmp) {
    LoadAndExtract(Photo);
    App.shownPath = "C:\\pics\\cat.jpg";
    EXPECT_EQ(DefaultSaveName(App.shownPath, 0), "C:\\pics\\cat-velmora00.bmp");
    EXPECT_EQ(DefaultSaveName(App.shownPath, 123), "C:\\pics\\cat-velmora123.bmp");
    EXPECT_EQ(DefaultSaveName("C:\\v1.2\\cat", 7), "C:\\v1.2\\cat-velmora07.bmp");

    EXPECT_TRUE(EndsWith(Save(""), L"cat-velmora00.bmp"));
    EXPECT_EQ(App.saveCounter, 0) << "a cancelled dialog does not count";
    MessageSeen message;
    EXPECT_TRUE(EndsWith(Save(folder + "/out.gif", &message), L"cat-velmora00.bmp"));
    EXPECT_EQ(message.text, L"ファイルを保存しました．");
    EXPECT_EQ(message.caption, App.windowTitle);
    EXPECT_FALSE(std::filesystem::exists(folder + "/out.gif"));
    DibHandle saved = ImgLoadFile((folder + "/out.bmp").c_str());
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(FirstDifference(Result(), ReadImage(saved)), "");
    ImgRelease(saved);

    // The number goes on across images.
    LoadAndExtract(RandomPicture(9, 9, 4));
    EXPECT_TRUE(EndsWith(Save(""), L"cat-velmora01.bmp"));
}

TEST_F(FileCommandsTest, SaveTypesWriteWhatTheNameSays) {
    Select(IDC_THICKNESS, 1);
    LoadAndExtract(Photo);
    App.shownPath = folder + "/cat.jpg";
    const Picture result = Result();
    // Black strokes 2 pixels wide on no background.
    const std::vector<uint8_t> svg = SvgOf(result, 1, OutputColours{.transparent = true});
    ASSERT_NE(std::string(svg.begin(), svg.end()).find("stroke-width=\"2\""), std::string::npos);
    struct Row {
        int type;
        std::string typed, written;
        const char *shownEnd, *signature;
        int bits;
    } rows[] = {
        {1, "a.png", "a.png", "cat-velmora00.bmp", "\x89P", 24}, {2, "b", "b.png", "cat-velmora01.png", "\x89P", 32},
        {3, "c.bmp", "c.bmp", "cat-velmora02.png", "BM", 24},     {2, "d.jpg", "d.png", "cat-velmora03.png", "\x89P", 32},
        {3, "e.PNG", "e.PNG", "cat-velmora04.png", "\x89P", 24}, {1, "f", "f.bmp", "cat-velmora05.bmp", "BM", 24},
        {4, "g.jpg", "g.svg", "cat-velmora06.svg", "<?", 0},      {1, "h.SVG", "h.SVG", "cat-velmora07.bmp", "<?", 0},
        {4, "i.png", "i.png", "cat-velmora08.svg", "\x89P", 24}, {4, "j.bmp", "j.bmp", "cat-velmora09.svg", "BM", 24},
    };
    for (const Row& row : rows) {
        std::wstring shown;
        MessageSeen message;
        AnswerModals([&] { Command(IDC_SAVE); }, {AnswerFileDialog(shown, folder + "/" + row.typed, row.type), ReadMessage(message)});
        EXPECT_TRUE(EndsWith(shown, Wide(row.shownEnd))) << row.typed;
        EXPECT_EQ(message.text, L"ファイルを保存しました．") << row.typed;
        const std::vector<uint8_t> bytes = ReadBytes(folder + "/" + row.written);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 2)), row.signature) << row.written;
        if (row.bits == 0) {
            EXPECT_EQ(bytes, svg) << row.written;
            continue;
        }
        DibHandle saved = ImgLoadFile((folder + "/" + row.written).c_str());
        ASSERT_NE(saved, nullptr) << row.written;
        // Transparent ones keep their alpha until made 24-bit, over white.
        EXPECT_EQ(ImgQueryInfo(saved)->header->biBitCount, row.bits) << row.written;
        ImgMake24(saved);
        EXPECT_EQ(FirstDifference(result, ReadImage(saved)), "") << row.written;
        ImgRelease(saved);
    }
}

TEST_F(FileCommandsTest, FailedSaveSaysWhyAndKeepsWhatIsThere) {
    LoadAndExtract(Photo);
    // A typed "locked.tif" becomes locked.bmp, which is a folder: the user
    // lets it be replaced, but the write fails.
    std::filesystem::create_directory(folder + "/locked.bmp");
    WriteBytes(folder + "/locked.bmp/keep.txt", {'k', 'e', 'e', 'p'});
    std::wstring proposed;
    MessageSeen question, message;
    AnswerModals([&] { Command(IDC_SAVE); }, {AnswerFileDialog(proposed, folder + "/locked.tif"),
                                              ReadMessage(question, IDYES), ReadMessage(message)});
    EXPECT_EQ(message.text, L"ファイルを保存できませんでした．\n書き込みが許可されていないか、同じ名前のフォルダーがあります．");
    EXPECT_EQ(message.caption, App.windowTitle);
    EXPECT_EQ(App.saveCounter, 1);
    EXPECT_EQ(ReadBytes(folder + "/locked.bmp/keep.txt"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.is_regular_file();
    EXPECT_EQ(files, 1u) << "only the loaded picture; no temporary file left";

    // A read-only file is not replaced, with the same reason.
    WriteBytes(folder + "/kept.bmp", {'o', 'l', 'd'});
    ASSERT_TRUE(SetFileAttributesW(Wide(folder + "/kept.bmp").c_str(), FILE_ATTRIBUTE_READONLY));
    AnswerModals([&] { Command(IDC_SAVE); }, {AnswerFileDialog(proposed, folder + "/kept.jpg"),
                                              ReadMessage(question, IDYES), ReadMessage(message)});
    EXPECT_EQ(message.text, L"ファイルを保存できませんでした．\n書き込みが許可されていないか、同じ名前のフォルダーがあります．");
    EXPECT_EQ(ReadBytes(folder + "/kept.bmp"), (std::vector<uint8_t>{'o', 'l', 'd'}));
    SetFileAttributesW(Wide(folder + "/kept.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileCommandsTest, TheChosenSaveTypeIsOfferedAgainAlsoAfterARestart) {
    // Saves as typed, choosing a type unless choose is 0; gives the name the
    // dialog proposed and the type it showed chosen when it opened.
    const auto saveAs = [&](const std::string& typed, int choose, int& shownType) {
        std::wstring proposed, ignored;
        MessageSeen message;
        const auto answer = AnswerFileDialog(ignored, folder + "/" + typed, choose);
        AnswerModals([&] { Command(IDC_SAVE); }, {[&](HWND dialog) {
            shownType = int(SendDlgItemMessageW(dialog, cmb1, CB_GETCURSEL, 0, 0)) + 1;
            proposed = ItemText(dialog, FileNameBox);
            answer(dialog);
        }, ReadMessage(message)});
        EXPECT_EQ(message.text, L"ファイルを保存しました．") << typed;
        return proposed;
    };
    LoadAndExtract(Photo);
    App.shownPath = folder + "/cat.jpg";
    int shown = 0;
    EXPECT_TRUE(EndsWith(saveAs("a", 2, shown), L"cat-velmora00.bmp"));
    EXPECT_EQ(shown, 1) << "BMP at first";
    EXPECT_TRUE(EndsWith(saveAs("b", 0, shown), L"cat-velmora01.png"));
    EXPECT_EQ(shown, 2) << "PNG 透過 chosen last time";
    DibHandle saved = ImgLoadFile((folder + "/b.png").c_str());
    ASSERT_NE(saved, nullptr) << "a name typed without an extension gets the remembered type's";
    EXPECT_EQ(ImgQueryInfo(saved)->header->biBitCount, 32) << "transparent";
    ImgRelease(saved);

    EXPECT_TRUE(EndsWith(saveAs("c", 4, shown), L"cat-velmora02.png"));
    EndProgram();
    StartInFolder();
    LoadAndExtract(Photo);
    App.shownPath = folder + "/cat.jpg";
    EXPECT_TRUE(EndsWith(saveAs("d", 0, shown), L"cat-velmora00.svg"));
    EXPECT_EQ(shown, 4) << "SVG ベクター, kept in Velmora.ini";
    EXPECT_TRUE(std::filesystem::exists(folder + "/d.svg"));
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
    EXPECT_EQ(FirstDifference(Result(), ReadImage(copied)), "");
    ImgRelease(copied);
}

TEST_F(FileCommandsTest, PasteBringsABitmapInAtFullScaleWithoutExtracting) {
    App.currentPath = "C:\\pics\\cat.jpg";
    Load(RandomPicture(5, 5, 3));
    Command(IDM_ZOOM_OUT);
    Command(IDM_AUTO);

    const Picture pasted = RandomPicture(17, 12, 6);
    PutOnClipboard(pasted);
    Command(IDM_PASTE);
    Pump();
    EXPECT_EQ(FirstDifference(pasted, Result()), "");
    EXPECT_EQ(App.zoomIndex, 2);
    EXPECT_EQ(ClientWidth(ImageWindow), 17);
    EXPECT_FALSE(Document.IsExtracted()) << "a paste never extracts";
    EXPECT_TRUE(ButtonEnabled(IDC_EXECUTE));
    EXPECT_FALSE(MenuEnabled(IDM_COPY));
    EXPECT_EQ(App.currentPath, "C:\\pics\\cat.jpg");
}

// A packed bitmap as the clipboard holds one becomes the file it came from:
// the pixel offset counts the header, the masks that follow a 40-byte one,
// and the palette.
TEST(PackedDib, BecomesTheFileItCameFrom) {
    std::vector<std::vector<uint8_t>> files;
    for (const char* name : {"argb32", "pal4", "pal8rle", "rgb24"}) files.push_back(ReadBytes(std::string(VELMORA_TEST_DATA) + "/bmp/" + name + ".bmp"));
    // argb32.bmp's pixels under a 40-byte header followed by four masks.
    std::vector<uint8_t> masks40(files[0].begin(), files[0].begin() + 70);
    masks40.insert(masks40.end(), files[0].begin() + 138, files[0].end());
    for (auto [at, value] : {std::pair{2, masks40.size()}, {3, masks40.size() >> 8}, {10, 70}, {14, 40}, {30, 6}}) masks40[at] = uint8_t(value);
    files.push_back(masks40);
    for (const std::vector<uint8_t>& file : files) {
        EXPECT_EQ(BmpFileOfPackedDib(file.data() + 14, file.size() - 14), file);
        EXPECT_EQ(BmpFileOfPackedDib(file.data() + 14, file[10] + 256 * file[11] - 14), std::vector<uint8_t>{}) << "no pixels";
    }
}

TEST_F(FileCommandsTest, PasteWithoutABitmapChangesNothing) {
    Load(Photo);
    PutOnClipboard({});
    Command(IDM_ZOOM_IN);
    Command(IDM_PASTE);
    EXPECT_EQ(App.zoomIndex, 3);
    EXPECT_EQ(Document.ResultWidth(), 31);
    // Nor does a PNG that cannot be read.
    ASSERT_TRUE(OpenClipboard(nullptr));
    SetClipboardData(RegisterClipboardFormatW(L"PNG"), GlobalAlloc(GHND, 8));
    CloseClipboard();
    Command(IDM_PASTE);
    EXPECT_EQ(App.zoomIndex, 3);
    EXPECT_EQ(Document.ResultWidth(), 31);
}

TEST_F(FileCommandsTest, SaveAfterOnlyAPasteProposesAnEmptyName) {
    PutOnClipboard(Photo);
    Command(IDM_PASTE);
    Command(IDC_EXECUTE);
    ASSERT_TRUE(Document.IsExtracted());
    EXPECT_EQ(Save(""), L"");
}

TEST_F(FileCommandsTest, FilesMadeToBreakTheLoaderAreRefusedWithTheMessage) {
    LoadAndExtract(Photo);
    Command(IDC_EXECUTE);
    const Picture before = Result();
    const std::vector<std::string> refused = RefusedFuzzInputs();
    for (const std::string& path : refused) {
        MessageSeen message;
        EXPECT_EQ(AnswerModals([&] { Drop(ImageWindow, {path}); }, {ReadMessage(message)}), 1) << path;
        EXPECT_TRUE(message.text.starts_with(L"画像を読み込めませんでした．\n")) << path;
        EXPECT_EQ(FirstDifference(before, Result()), "") << path;
        EXPECT_TRUE(MenuEnabled(IDM_UNDO)) << path;
    }
    EXPECT_GT(refused.size(), 5u);
    Command(IDM_UNDO);
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 6, false), Result()), "");
}

TEST_F(FileCommandsTest, PhotoStoredSidewaysOpensUpright) {
    // Orientation 6: the 61 x 43 photo's pixels were stored turned a quarter
    // anticlockwise.
    const std::string path = folder + "/sideways.jpg";
    WriteBytes(path, WithJpegExif(ReadBytes(std::string(VELMORA_TEST_DATA) + "/jpeg/baseline.jpg"), TiffBlock(6, false)));
    ASSERT_TRUE(OpenImage(path));
    Pump();
    EXPECT_EQ(Document.ResultWidth(), 43);
    EXPECT_EQ(Document.ResultHeight(), 61);
    EXPECT_EQ(ClientWidth(ImageWindow), 43);
    EXPECT_EQ(ClientHeight(ImageWindow), 61);
}

// x_clipboard_test.sh's side in the program: copies a result (saved also as
// a transparent PNG) and waits while the script reads it, or pastes the file
// an X program offers and compares it with opening the file.
TEST_F(FileCommandsTest, XClipboardStep) {
    const char* x = getenv("VELMORA_X_CLIPBOARD");
    const char* file = getenv("VELMORA_X_CLIPBOARD_FILE");
    if (!x) GTEST_SKIP() << "a step of x_clipboard_test.sh";
    const std::string shared = x;
    if (!file) {
        LoadAndExtract(Photo);
        ASSERT_TRUE(Document.Save((shared + "/result.bmp").c_str(), LineFormat::Bmp));
        ASSERT_TRUE(Document.Save((shared + "/saved.png").c_str(), LineFormat::Png, OutputColours{.transparent = true}));
        PressCtrl('C');
        WriteBytes(shared + "/copied", {});
        EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(shared + "/read"); }));
        return;
    }
    // Wine takes a moment to see a new X selection.
    const UINT png = RegisterClipboardFormatW(L"PNG");
    const bool offersPng = std::string(file).ends_with(".png");
    ASSERT_TRUE(WaitUntil([&] { return IsClipboardFormatAvailable(offersPng ? png : CF_DIB) && (offersPng || !IsClipboardFormatAvailable(png)); }));
    PressCtrl('V');
    ASSERT_TRUE(Document.HasSource());
    const Picture pasted = Result();
    ASSERT_TRUE(Document.LoadFile((shared + "/" + file).c_str()));
    EXPECT_EQ(FirstDifference(Result(), pasted), "");
}
