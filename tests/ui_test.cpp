// Drives the window program's two windows with real messages, as the entry
// function creates them.
#include "control_window.h"
#include "image_window.h"
#include "program_fixture.h"
#include "resource.h"
#include "window_geometry.h"

namespace {

const Picture Photo = RandomPicture(40, 30, 5);

}  // namespace

TEST_F(ProgramTest, TitlesAreExact) {
    EXPECT_EQ(WindowText(ControlWindow), L"ヴェルモラ抽出器  version 2.10");
    EXPECT_EQ(WindowTitle, L"ヴェルモラ抽出器  version 2.10");
    EXPECT_EQ(WindowText(ImageWindow), L"画像");
}

TEST_F(ProgramTest, OptionListsStartAtOffThinAndSeven) {
    ASSERT_EQ(SendDlgItemMessageW(ControlWindow, IDC_NOISE, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ComboItem(IDC_NOISE, 0), L"OFF");
    EXPECT_EQ(ComboItem(IDC_NOISE, 1), L"ON");
    EXPECT_EQ(SendDlgItemMessageW(ControlWindow, IDC_NOISE, CB_GETCURSEL, 0, 0), 0);
    ASSERT_EQ(SendDlgItemMessageW(ControlWindow, IDC_THICKNESS, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(ComboItem(IDC_THICKNESS, 0), L"細い");
    EXPECT_EQ(ComboItem(IDC_THICKNESS, 1), L"太い");
    EXPECT_EQ(SendDlgItemMessageW(ControlWindow, IDC_THICKNESS, CB_GETCURSEL, 0, 0), 0);
    ASSERT_EQ(SendDlgItemMessageW(ControlWindow, IDC_CONTRAST, CB_GETCOUNT, 0, 0), 16);
    EXPECT_EQ(ComboItem(IDC_CONTRAST, 0), L"1 (細かい)");
    for (int index = 1; index < 15; ++index) EXPECT_EQ(ComboItem(IDC_CONTRAST, index), std::to_wstring(index + 1));
    EXPECT_EQ(ComboItem(IDC_CONTRAST, 15), L"16 (荒い)");
    EXPECT_EQ(SendDlgItemMessageW(ControlWindow, IDC_CONTRAST, CB_GETCURSEL, 0, 0), 6);
}

TEST_F(ProgramTest, OnlyImageFreeCommandsAreAvailableAtStart) {
    for (int id : {IDC_SAVE, IDC_EXECUTE, IDC_ZOOM_IN, IDC_ZOOM_OUT}) EXPECT_FALSE(ButtonEnabled(id)) << id;
    for (int id : {IDC_OPEN, IDC_HELP, IDC_NOISE, IDC_THICKNESS, IDC_CONTRAST}) EXPECT_TRUE(ButtonEnabled(id)) << id;
    for (UINT id : {IDM_SAVE, IDM_COPY, IDM_UNDO, IDM_REDO, IDM_ZOOM_IN, IDM_ZOOM_OUT}) EXPECT_FALSE(MenuEnabled(id)) << id;
    for (UINT id : {IDM_OPEN, IDM_EXIT, IDM_PASTE, IDM_AUTO, IDM_HELP, IDM_ABOUT}) EXPECT_TRUE(MenuEnabled(id)) << id;
    EXPECT_FALSE(IsMenuItemChecked(GetMenu(ControlWindow), IDM_AUTO));
    EXPECT_EQ(ZoomIndex, 2);
}

TEST_F(ProgramTest, UndoAndRedoStayAvailableExactlyWhileTheHistoryHasSteps) {
    Load(Photo);
    EXPECT_FALSE(ButtonEnabled(IDC_SAVE));
    for (int id : {IDC_EXECUTE, IDC_ZOOM_IN, IDC_ZOOM_OUT}) EXPECT_TRUE(ButtonEnabled(id)) << id;
    for (UINT id : {IDM_SAVE, IDM_COPY, IDM_UNDO, IDM_REDO}) EXPECT_FALSE(MenuEnabled(id)) << id;
    for (UINT id : {IDM_ZOOM_IN, IDM_ZOOM_OUT}) EXPECT_TRUE(MenuEnabled(id)) << id;

    Command(IDC_EXECUTE);
    EXPECT_TRUE(ButtonEnabled(IDC_SAVE));
    EXPECT_TRUE(MenuEnabled(IDM_SAVE));
    EXPECT_TRUE(MenuEnabled(IDM_COPY));
    EXPECT_FALSE(MenuEnabled(IDM_UNDO)) << "the first extraction is no undo step";
    EXPECT_FALSE(MenuEnabled(IDM_REDO));

    for (int run = 0; run < 12; ++run) {
        Select(IDC_CONTRAST, run);
        Command(IDC_EXECUTE);
        EXPECT_TRUE(MenuEnabled(IDM_UNDO));
        EXPECT_FALSE(MenuEnabled(IDM_REDO));
    }
    for (int step = 0; step < 10; ++step) {
        Command(IDM_UNDO);
        EXPECT_EQ(MenuEnabled(IDM_UNDO), Document.CanUndo()) << step;
        EXPECT_TRUE(MenuEnabled(IDM_REDO));
    }
    EXPECT_FALSE(MenuEnabled(IDM_UNDO));
    for (int step = 0; step < 10; ++step) {
        Command(IDM_REDO);
        EXPECT_TRUE(MenuEnabled(IDM_UNDO));
        EXPECT_EQ(MenuEnabled(IDM_REDO), Document.CanRedo()) << step;
    }
    EXPECT_FALSE(MenuEnabled(IDM_REDO));
    EXPECT_TRUE(ButtonEnabled(IDC_SAVE)) << "undo and redo leave save as it was";

    Command(IDM_UNDO);
    ASSERT_TRUE(MenuEnabled(IDM_REDO));
    Command(IDC_EXECUTE);
    EXPECT_FALSE(MenuEnabled(IDM_REDO)) << "an extraction after an undo ends the redo steps";
    EXPECT_TRUE(MenuEnabled(IDM_UNDO));
}

TEST_F(ProgramTest, EachShortcutReachesItsCommandFromTheImageWindow) {
    Load(Photo);
    std::vector<Picture> steps;
    for (int contrast : {0, 4, 9}) {
        Select(IDC_CONTRAST, contrast);
        Command(IDC_EXECUTE);
        steps.push_back(ReadImage(*Document.ResultInfo()));
    }
    Command(IDM_UNDO);
    PressCtrl('Z');
    EXPECT_EQ(FirstDifference(steps[0], ReadImage(*Document.ResultInfo())), "") << "Ctrl+Z undoes";
    PressCtrl('Y');
    PressCtrl('Y');
    EXPECT_EQ(FirstDifference(steps[2], ReadImage(*Document.ResultInfo())), "") << "Ctrl+Y redoes";

    PutOnClipboard({});
    PressCtrl('C');
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP)) << "Ctrl+C copies";
    EXPECT_EQ(FirstDifference(steps[2], ReadImage(*Document.ResultInfo())), "");

    const Picture pasted = RandomPicture(9, 7, 2);
    PutOnClipboard(pasted);
    PressCtrl('V');
    EXPECT_EQ(FirstDifference(pasted, ReadImage(*Document.ResultInfo())), "") << "Ctrl+V pastes";
}

TEST_F(ProgramTest, ShortcutsOfGrayedItemsDoNothing) {
    Load(Photo);
    for (int contrast : {0, 4, 9}) {
        Select(IDC_CONTRAST, contrast);
        Command(IDC_EXECUTE);
    }
    Command(IDM_UNDO);
    const Picture shown = ReadImage(*Document.ResultInfo());
    // Undo, redo and copy could all act now; grayed, their keys must not.
    for (UINT id : {IDM_UNDO, IDM_REDO, IDM_COPY}) EnableMenuItem(GetMenu(ControlWindow), id, MF_BYCOMMAND | MF_GRAYED);
    PutOnClipboard({});
    for (char key : {'Z', 'Y', 'C'}) PressCtrl(key);
    EXPECT_EQ(FirstDifference(shown, ReadImage(*Document.ResultInfo())), "");
    EXPECT_TRUE(Document.CanUndo());
    EXPECT_TRUE(Document.CanRedo());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
}

TEST_F(ProgramTest, ExecuteUsesTheThreeSelections) {
    Load(Photo);
    Select(IDC_THICKNESS, 1);
    Select(IDC_CONTRAST, 3);
    Select(IDC_NOISE, 1);
    Command(IDC_EXECUTE);
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 1, 3, true), ReadImage(*Document.ResultInfo())), "");
    EXPECT_EQ(GetForegroundWindow(), ImageWindow);
    Select(IDC_NOISE, 0);
    Select(IDC_THICKNESS, 0);
    Command(IDC_EXECUTE);
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 3, false), ReadImage(*Document.ResultInfo())), "");
}

TEST_F(ProgramTest, ZoomSizesTheImageWindowAndClampsAtBothEnds) {
    EXPECT_EQ(PanelSizeText(), L"画像サイズ  0 × 0");
    EXPECT_EQ(PanelScaleText(), L"表示　100 ％");
    Load(RandomPicture(333, 201, 1));
    EXPECT_EQ(PanelSizeText(), L"画像サイズ  333 × 201");
    EXPECT_EQ(ClientWidth(ImageWindow), 333);
    EXPECT_EQ(ClientHeight(ImageWindow), 201);
    const int expected[5][2] = {{83, 50}, {166, 100}, {333, 201}, {499, 301}, {666, 402}};
    const std::wstring scales[5] = {L"表示　25 ％", L"表示　50 ％", L"表示　100 ％", L"表示　150 ％", L"表示　200 ％"};
    for (int step = 0; step < 3; ++step) Command(IDC_ZOOM_OUT);
    EXPECT_EQ(ZoomIndex, 0);
    EXPECT_EQ(PanelScaleText(), scales[0]);
    EXPECT_EQ(ClientWidth(ImageWindow), expected[0][0]);
    EXPECT_EQ(ClientHeight(ImageWindow), expected[0][1]);
    for (int index = 1; index < 5; ++index) {
        Command(index % 2 ? IDC_ZOOM_IN : IDM_ZOOM_IN);
        EXPECT_EQ(ZoomIndex, index);
        EXPECT_EQ(PanelScaleText(), scales[index]);
        EXPECT_EQ(ClientWidth(ImageWindow), expected[index][0]) << index;
        EXPECT_EQ(ClientHeight(ImageWindow), expected[index][1]) << index;
    }
    // At the end of the range the index stays, but the window is sized again.
    SetWindowPos(ImageWindow, nullptr, 0, 0, 200, 200, SWP_NOMOVE | SWP_NOZORDER);
    Command(IDM_ZOOM_IN);
    EXPECT_EQ(ZoomIndex, 4);
    EXPECT_EQ(ClientWidth(ImageWindow), 666);
    for (int step = 0; step < 6; ++step) Command(IDM_ZOOM_OUT);
    EXPECT_EQ(ZoomIndex, 0);
    EXPECT_EQ(ClientWidth(ImageWindow), 83);
}

TEST_F(ProgramTest, ZoomOfAVeryWideImageStaysWithinWindowLimits) {
    // At 200 % its width times the scale passes 2^31.
    const int width = 10'800'000;
    Load(Picture{width, 1, std::vector<Bgr>(size_t(width), Bgr{90, 90, 90})});
    const int full = ClientWidth(ImageWindow);
    EXPECT_GT(full, 10000);
    Command(IDM_ZOOM_IN);
    Command(IDM_ZOOM_IN);
    EXPECT_EQ(ZoomIndex, 4);
    EXPECT_EQ(ClientWidth(ImageWindow), full);
    EXPECT_EQ(ClientHeight(ImageWindow), 2);
}

TEST_F(ProgramTest, AutoExtractionPostsOneExecutePerSelectionChange) {
    Command(IDC_CONTRAST, CBN_SELCHANGE);
    EXPECT_EQ(TakePostedExecutes(), 0) << "auto extraction is off";
    Command(IDM_AUTO);
    Command(IDC_CONTRAST, CBN_SELCHANGE);
    EXPECT_EQ(TakePostedExecutes(), 0) << "no image yet";

    Load(Photo);
    for (int id : {IDC_NOISE, IDC_THICKNESS, IDC_CONTRAST}) {
        Command(UINT(id), CBN_SELCHANGE);
        EXPECT_EQ(TakePostedExecutes(), 1) << id;
        Command(UINT(id), CBN_DROPDOWN);
        EXPECT_EQ(TakePostedExecutes(), 0) << id;
    }
    Select(IDC_CONTRAST, 9);
    Command(IDC_CONTRAST, CBN_SELCHANGE);
    Pump();
    EXPECT_TRUE(Document.IsExtracted());
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 9, false), ReadImage(*Document.ResultInfo())), "");

    Command(IDM_AUTO);
    Command(IDC_CONTRAST, CBN_SELCHANGE);
    EXPECT_EQ(TakePostedExecutes(), 0) << "auto extraction turned off again";
}

TEST_F(ProgramTest, AutoToggleFlipsTheCheckMarkOnly) {
    Load(Photo);
    Command(IDM_AUTO);
    EXPECT_TRUE(IsMenuItemChecked(GetMenu(ControlWindow), IDM_AUTO));
    Pump();
    EXPECT_FALSE(Document.IsExtracted());
    Command(IDM_AUTO);
    EXPECT_FALSE(IsMenuItemChecked(GetMenu(ControlWindow), IDM_AUTO));
}

TEST_F(ProgramTest, MinimisingHidesTheImageWindowAndRestoringShowsBoth) {
    ShowWindow(ControlWindow, SW_MINIMIZE);
    Pump();
    EXPECT_FALSE(IsWindowVisible(ImageWindow));
    ShowWindow(ControlWindow, SW_RESTORE);
    Pump();
    EXPECT_TRUE(IsWindowVisible(ImageWindow));
    EXPECT_TRUE(IsWindowVisible(ControlWindow));
}

TEST_F(ProgramTest, PanelShowsTheThumbnailOnDarkGreyUnderALightBand) {
    const COLORREF panel = RGB(64, 64, 64);
    EXPECT_EQ(PixelOf(ControlWindow, 252, 26), panel);
    EXPECT_EQ(PixelOf(ControlWindow, 340, 119), panel) << "no thumbnail before an image";
    EXPECT_EQ(PixelOf(ControlWindow, 255, 240), panel) << "scale box";
    EXPECT_EQ(PixelOf(ControlWindow, 10, 1), RGB(192, 192, 192)) << "top band";
    EXPECT_EQ(PixelOf(ControlWindow, 250, 100), RGB(0, 0, 0)) << "panel border";

    Picture orange{8, 6, std::vector<Bgr>(48, Bgr{20, 120, 230})};
    Load(orange);
    EXPECT_EQ(PixelOf(ControlWindow, 340, 119), RGB(230, 120, 20));
    EXPECT_EQ(PixelOf(ControlWindow, 261, 40), RGB(230, 120, 20));
    EXPECT_EQ(PixelOf(ControlWindow, 419, 198), RGB(230, 120, 20));
    EXPECT_EQ(PixelOf(ControlWindow, 252, 26), panel);
}

TEST_F(ProgramTest, ImageWindowShowsTheResultAfterEveryStep) {
    Load(Photo);
    EXPECT_EQ(FirstDifference(Photo, ShownInImageWindow()), "");
    Command(IDC_EXECUTE);
    const Picture thin = ReadImage(*Document.ResultInfo());
    EXPECT_EQ(FirstDifference(thin, ShownInImageWindow()), "");
    Select(IDC_THICKNESS, 1);
    Command(IDC_EXECUTE);
    const Picture thick = ReadImage(*Document.ResultInfo());
    ASSERT_NE(FirstDifference(thin, thick), "");
    EXPECT_EQ(FirstDifference(thick, ShownInImageWindow()), "");
    Command(IDM_UNDO);
    EXPECT_EQ(FirstDifference(thin, ShownInImageWindow()), "") << "after undo";
    Command(IDM_REDO);
    EXPECT_EQ(FirstDifference(thick, ShownInImageWindow()), "") << "after redo";
}

TEST_F(ProgramTest, EscapeCloseAndExitEndTheProgram) {
    Command(IDM_EXIT);
    Pump();
    EXPECT_FALSE(IsWindow(ControlWindow));
    EXPECT_EQ(quitCode, 0);

    EndProgram();
    quitCode = -1;
    StartInFolder();
    Command(IDOK);
    Pump();
    EXPECT_TRUE(IsWindow(ControlWindow)) << "Enter does nothing";
    PostMessageW(GetDlgItem(ControlWindow, IDC_OPEN), WM_KEYDOWN, VK_ESCAPE, 1);
    Pump();
    EXPECT_FALSE(IsWindow(ControlWindow));
    EXPECT_EQ(quitCode, 0);
}

TEST_F(ProgramTest, ExecuteWithoutMemoryForTheUndoStepSaysSoAndChangesNothing) {
    Load(Photo);
    Command(IDC_EXECUTE);
    Command(IDC_EXECUTE);
    ASSERT_TRUE(MenuEnabled(IDM_UNDO));
    // A pixel that the next extraction, at contrast 1, would change.
    const Picture shown = ExpectedDrawing(Photo, 0, 6, false);
    const Picture next = ExpectedDrawing(Photo, 0, 0, false);
    int x = 0;
    int y = 0;
    while (shown.At(x, y) == next.At(x, y)) {
        if (++x == Photo.width) x = 0, ++y;
        ASSERT_LT(y, Photo.height);
    }
    const COLORREF before = PixelOf(ImageWindow, x, y);
    ASSERT_EQ(before, RGB(shown.At(x, y).red, shown.At(x, y).green, shown.At(x, y).blue));

    // Speck removal after a failed extraction would change the result too.
    ASSERT_NE(FirstDifference(shown, ExpectedDrawing(Photo, 0, 6, true)), "");
    Select(IDC_NOISE, 1);
    Select(IDC_CONTRAST, 0);
    MessageSeen message;
    {
        const MemoryBudget none(ImgPixelBytesInUse());
        EXPECT_EQ(AnswerModals([&] { Command(IDC_EXECUTE); }, {ReadMessage(message)}), 1);
    }
    EXPECT_EQ(message.text, L"メモリが不足しています．");
    EXPECT_EQ(message.caption, WindowTitle);
    EXPECT_EQ(message.owner, ControlWindow);
    EXPECT_EQ(PixelOf(ImageWindow, x, y), before);
    EXPECT_EQ(FirstDifference(shown, ReadImage(*Document.ResultInfo())), "");
    for (UINT id : {IDM_SAVE, IDM_COPY, IDM_UNDO}) EXPECT_TRUE(MenuEnabled(id)) << id;
    EXPECT_FALSE(MenuEnabled(IDM_REDO));
    EXPECT_TRUE(ButtonEnabled(IDC_SAVE));
    Command(IDM_UNDO);
    EXPECT_FALSE(MenuEnabled(IDM_UNDO)) << "the failed execute must have added no step";
}
