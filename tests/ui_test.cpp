// Drives the window program's two windows with real messages, as the entry
// function creates them.
#include "control_window.h"
#include "image_placement.h"
#include "image_window.h"
#include "option_lists.h"
#include "program_fixture.h"
#include "resource.h"
#include "save_dialog.h"
#include "window_geometry.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

namespace {

// The program's tests in suites by what they test. ScreenSize holds those
// that size pictures and place windows from the work area, which the test
// command runs again at other screen sizes, as it does Keyboard.
using Windows = ProgramTest;
using Commands = ProgramTest;
using History = ProgramTest;
using Extraction = ProgramTest;
using AutoExtraction = ProgramTest;
using Zoom = ProgramTest;
using Dpi = ProgramTest;
using ScreenSize = ProgramTest;
using Keyboard = ProgramTest;

const Picture Photo = RandomPicture(40, 30, 5);

bool Inside(const RECT& inner, const RECT& outer) {
    RECT both{};
    return IntersectRect(&both, &inner, &outer) && EqualRect(&both, &inner);
}

bool Overlap(const RECT& one, const RECT& other) {
    RECT both{};
    return IntersectRect(&both, &one, &other);
}

// A picture larger than the work area by margin pixels each way, whatever
// the screen: it scrolls both ways at 100 %.
Picture LargerThanTheScreen(int margin, int seed) {
    const RECT work = WorkAreaOf(ControlWindow);
    return RandomPicture(work.right - work.left + margin, work.bottom - work.top + margin, seed);
}

const wchar_t CloseQuestion[] = L"抽出した線画が保存されていません．\n保存せずに終了しますか？";

}  // namespace

TEST_F(Windows, TitlesAreExact) {
    EXPECT_EQ(WindowText(ControlWindow), L"ヴェルモラ抽出器  version " VELMORA_VERSION);
    EXPECT_EQ(App.windowTitle, L"ヴェルモラ抽出器  version " VELMORA_VERSION);
    EXPECT_EQ(WindowText(ImageWindow), L"画像");
}

TEST_F(Commands, OnlyImageFreeCommandsAreAvailableAtStart) {
    for (int id : {IDC_SAVE, IDC_EXECUTE, IDC_ZOOM_IN, IDC_ZOOM_OUT}) EXPECT_FALSE(ButtonEnabled(id)) << id;
    for (int id : {IDC_OPEN, IDC_HELP, IDC_NOISE, IDC_THICKNESS, IDC_CONTRAST}) EXPECT_TRUE(ButtonEnabled(id)) << id;
    for (UINT id : {IDM_SAVE, IDM_COPY, IDM_UNDO, IDM_REDO, IDM_ZOOM_IN, IDM_ZOOM_OUT}) EXPECT_FALSE(MenuEnabled(id)) << id;
    for (UINT id : {IDM_OPEN, IDM_EXIT, IDM_PASTE, IDM_AUTO, IDM_HELP, IDM_ABOUT}) EXPECT_TRUE(MenuEnabled(id)) << id;
    EXPECT_FALSE(MenuChecked(IDM_AUTO));
    EXPECT_EQ(App.zoomIndex, 2);
}

// The tests start the program many times in one process; each start must
// find what a new process would.
TEST_F(Commands, ARestartBeginsWithANewDocumentAndTheStartValues) {
    Load(Photo);
    Command(IDC_EXECUTE);
    Command(IDC_EXECUTE);
    Command(IDM_ZOOM_IN);
    App.currentPath = App.shownPath = folder + "/loaded.bmp";
    App.saveCounter = 3;
    EndProgram();
    StartInFolder();
    EXPECT_FALSE(Document.HasSource());
    EXPECT_FALSE(Document.CanUndo());
    EXPECT_EQ(App.zoomIndex, 2);
    EXPECT_EQ(App.currentPath, "");
    EXPECT_EQ(App.shownPath, "");
    EXPECT_EQ(App.saveCounter, 0);
    for (UINT id : {IDM_SAVE, IDM_COPY, IDM_UNDO, IDM_ZOOM_IN}) EXPECT_FALSE(MenuEnabled(id)) << id;
    MessageSeen question;
    EXPECT_EQ(TypeEscape(question), 0) << "nothing unsaved to ask about";
}

TEST_F(History, UndoAndRedoStayAvailableExactlyWhileTheHistoryHasSteps) {
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
        ExtractWithContrast(run);
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

TEST_F(Commands, EachShortcutReachesItsCommandFromTheImageWindow) {
    Load(Photo);
    std::vector<Picture> steps;
    for (int contrast : {0, 4, 9}) {
        ExtractWithContrast(contrast);
        steps.push_back(Result());
    }
    Command(IDM_UNDO);
    PressCtrl('Z');
    EXPECT_EQ(FirstDifference(steps[0], Result()), "") << "Ctrl+Z undoes";
    PressCtrl('Y');
    PressCtrl('Y');
    EXPECT_EQ(FirstDifference(steps[2], Result()), "") << "Ctrl+Y redoes";

    PutOnClipboard({});
    PressCtrl('C');
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP)) << "Ctrl+C copies";
    EXPECT_EQ(FirstDifference(steps[2], Result()), "");

    const Picture pasted = RandomPicture(9, 7, 2);
    PutOnClipboard(pasted);
    PressCtrl('V');
    EXPECT_EQ(FirstDifference(pasted, Result()), "") << "Ctrl+V pastes";
}

TEST_F(Commands, ShortcutsOfGrayedItemsDoNothing) {
    Load(Photo);
    for (int contrast : {0, 4, 9}) {
        ExtractWithContrast(contrast);
    }
    Command(IDM_UNDO);
    const Picture shown = Result();
    // Undo, redo and copy could all act now; grayed, their keys must not.
    for (UINT id : {IDM_UNDO, IDM_REDO, IDM_COPY}) EnableMenuItem(GetMenu(ControlWindow), id, MF_BYCOMMAND | MF_GRAYED);
    PutOnClipboard({});
    for (char key : {'Z', 'Y', 'C'}) PressCtrl(key);
    EXPECT_EQ(FirstDifference(shown, Result()), "");
    EXPECT_TRUE(Document.CanUndo());
    EXPECT_TRUE(Document.CanRedo());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
}

TEST_F(Extraction, ExecuteAppliesTheThreeSelectionsAsTheEngineDoes) {
    Load(Photo);
    // Untouched, the lists give the converter's defaults: thin, 7, off.
    Command(IDC_EXECUTE);
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 6, false), Result()), "");
    EXPECT_EQ(GetForegroundWindow(), ControlWindow);
    Picture drawings[2][2][16];
    int changes[3] = {};
    for (int noise = 0; noise < 2; ++noise) {
        EXPECT_EQ(ComboItem(IDC_NOISE, noise), LoadResourceString(noise ? IDS_NOISE_ON : IDS_NOISE_OFF));
        for (int thickness = 0; thickness < 2; ++thickness) {
            EXPECT_EQ(ComboItem(IDC_THICKNESS, thickness), LoadResourceString(thickness ? IDS_THICK : IDS_THIN));
            for (int contrast = 0; contrast < 16; ++contrast) {
                EXPECT_EQ(std::stoi(ComboItem(IDC_CONTRAST, contrast)), contrast + 1) << "the contrast the list shows";
                Select(IDC_NOISE, noise);
                Select(IDC_THICKNESS, thickness);
                ExtractWithContrast(contrast);
                Picture& expected = drawings[noise][thickness][contrast] = ExpectedDrawing(Photo, thickness, contrast, noise);
                EXPECT_EQ(FirstDifference(expected, Result()), "")
                    << noise << " " << thickness << " " << contrast;
                // Where the option changes the picture, ignoring it fails.
                changes[0] += noise && FirstDifference(expected, drawings[0][thickness][contrast]) != "";
                changes[1] += thickness && FirstDifference(expected, drawings[noise][0][contrast]) != "";
                changes[2] += contrast && FirstDifference(expected, drawings[noise][thickness][contrast - 1]) != "";
            }
        }
    }
    for (int changed : changes) EXPECT_GE(changed, 16);
}

TEST_F(Extraction, EachStyleChosenInTheListIsTheDocumentsExtractionInIt) {
    EXPECT_EQ(ComboItem(IDC_STYLE, 0), L"輪郭");
    EXPECT_EQ(ComboItem(IDC_STYLE, 1), L"インク");
    EXPECT_EQ(ChosenLineStyle(), LineStyle::Edges) << "輪郭 until another is chosen";
    Load(Photo);
    const struct {
        bool noise;
        int thickness, contrast;
    } rows[] = {{false, 0, 6}, {false, 1, 6}, {true, 0, 6}, {true, 1, 0}, {false, 0, 15}, {true, 1, 9}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.noise << " " << row.thickness << " " << row.contrast);
        Select(IDC_NOISE, row.noise);
        Select(IDC_THICKNESS, row.thickness);
        // Each style is chosen after another one.
        for (const LineStyle style : {LineStyle::Ink, LineStyle::Photo, LineStyle::Edges}) {
            Select(IDC_STYLE, int(style));
            ExtractWithContrast(row.contrast);
            const auto expected = ExtractedApart(style, row.thickness, row.contrast, row.noise);
            EXPECT_EQ(FirstDifference(ReadImage(*expected->ResultInfo()), Result()), "") << int(style);
            EXPECT_EQ(Document.ResultStyle(), style);
        }
        ASSERT_NE(FirstDifference(ExpectedDrawing(Photo, row.thickness, row.contrast, row.noise),
                                  ReadImage(*ExtractedApart(LineStyle::Ink, row.thickness, row.contrast, row.noise)->ResultInfo())),
                  "") << "ink draws other lines than edges";
    }
}

// The window's own labels of the engine's names; at() throws for a name the
// window has no label for.
TEST_F(Extraction, TheListsAndSaveTypesFollowTheEnginesListsInItsOrder) {
    const std::map<std::string, std::wstring> labels = {
        {"edges", L"輪郭"}, {"ink", L"インク"}, {"photo", L"写真"}, {"thin", L"細い"}, {"thick", L"太い"}};
    const std::pair<int, std::vector<std::string>> lists[] = {
        {IDC_STYLE, {LineStyleNames.begin(), LineStyleNames.end()}},
        {IDC_THICKNESS, {ThicknessNames.begin(), ThicknessNames.end()}}};
    for (const auto& [list, names] : lists) {
        ASSERT_EQ(SendDlgItemMessageW(ControlWindow, list, CB_GETCOUNT, 0, 0), LRESULT(names.size())) << list;
        for (size_t item = 0; item < names.size(); ++item) EXPECT_EQ(ComboItem(list, int(item)), labels.at(names[item]));
    }
    for (size_t style = LineStyleNames.size(); style-- > 0;) {
        Select(IDC_STYLE, int(style));
        EXPECT_EQ(ChosenLineStyle(), LineStyle(style)) << LineStyleNames[style];
    }

    const int contrasts = HighestContrast - LowestContrast + 1;
    ASSERT_EQ(SendDlgItemMessageW(ControlWindow, IDC_CONTRAST, CB_GETCOUNT, 0, 0), contrasts);
    EXPECT_EQ(ComboItem(IDC_CONTRAST, 0), std::to_wstring(LowestContrast) + L" (細かい)");
    EXPECT_EQ(ComboItem(IDC_CONTRAST, contrasts - 1), std::to_wstring(HighestContrast) + L" (荒い)");
    EXPECT_EQ(ComboItem(IDC_CONTRAST, ContrastIndex(DefaultContrast)), std::to_wstring(DefaultContrast));
    EXPECT_EQ(SendDlgItemMessageW(ControlWindow, IDC_CONTRAST, CB_GETCURSEL, 0, 0), ContrastIndex(DefaultContrast));

    // A name in any format's extension, in capitals, is saved in that format
    // whatever type was chosen, and changing the type gives its extension.
    for (const LineFormatInfo& format : LineFormats) {
        std::string name = std::string("a") + format.extension;
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return char(std::toupper(c)); });
        for (const SaveType chosen : {SaveType::Bmp, SaveType::PngTransparent, SaveType::Svg}) {
            const SaveTarget target = TargetOf(name, chosen);
            EXPECT_EQ(target.path, name);
            EXPECT_EQ(FormatOf(target.type), format.format) << name;
            EXPECT_EQ(WithTypeExtension(name, chosen), std::string("A") + InfoOf(FormatOf(chosen)).extension);
        }
    }
    EXPECT_EQ(WithTypeExtension("a.jpg", SaveType::Bmp), "a.jpg");
}

TEST_F(History, UndoAndRedoStepBetweenResultsOfEachStyle) {
    Load(Photo);
    // One result in each style, 写真 between the two others.
    std::map<LineStyle, Picture> drawings;
    for (const LineStyle style : {LineStyle::Edges, LineStyle::Photo, LineStyle::Ink}) {
        Select(IDC_STYLE, int(style));
        Command(IDC_EXECUTE);
        drawings[style] = Result();
        EXPECT_EQ(FirstDifference(ReadImage(*ExtractedApart(style, 0, 6, false)->ResultInfo()), drawings[style]), "")
            << int(style);
    }
    ASSERT_NE(FirstDifference(drawings[LineStyle::Edges], drawings[LineStyle::Ink]), "");
    const std::pair<UINT, LineStyle> steps[] = {
        {IDM_UNDO, LineStyle::Photo}, {IDM_UNDO, LineStyle::Edges}, {IDM_REDO, LineStyle::Photo},
        {IDM_REDO, LineStyle::Ink},   {IDM_UNDO, LineStyle::Photo}, {IDM_UNDO, LineStyle::Edges},
        {IDM_REDO, LineStyle::Photo}};
    for (const auto& [command, style] : steps) {
        SCOPED_TRACE(testing::Message() << (command == IDM_UNDO ? "undo to " : "redo to ") << LineStyleNames[size_t(style)]);
        Command(command);
        EXPECT_EQ(FirstDifference(drawings[style], Result()), "");
        EXPECT_EQ(FirstDifference(drawings[style], ShownInImageWindow()), "");
        EXPECT_EQ(Document.ResultStyle(), style);
        EXPECT_EQ(ChosenLineStyle(), LineStyle::Ink) << "stepping through the history leaves the list as it is";
    }
}

TEST_F(Extraction, EverySaveTypeOfAResultInEachStyleWritesTheDrawingShown) {
    Load(Photo);
    Select(IDC_THICKNESS, 1);
    for (const LineStyle style : {LineStyle::Ink, LineStyle::Photo, LineStyle::Edges}) {
        Select(IDC_STYLE, int(style));
        Command(IDC_EXECUTE);
        const Picture shown = Result();
        const auto expected = ExtractedApart(style, 1, 6, false);
        for (const SaveType type : {SaveType::Bmp, SaveType::PngTransparent, SaveType::PngBlackOnWhite, SaveType::Svg}) {
            SCOPED_TRACE(testing::Message() << LineStyleNames[size_t(style)] << " " << int(type));
            const std::string name = folder + "/" + LineStyleNames[size_t(style)] + std::to_string(int(type));
            std::wstring proposed;
            MessageSeen message;
            AnswerModals([&] { Command(IDC_SAVE); }, {AnswerFileDialog(proposed, name, int(type)), ReadMessage(message)});
            EXPECT_EQ(message.text, L"ファイルを保存しました．");
            const std::string path = TargetOf(name, type).path;
            std::vector<uint8_t> bytes;
            ASSERT_TRUE(expected->Encode(FormatOf(type), ColoursOf(type), bytes));
            EXPECT_EQ(ReadBytes(path), bytes);
            // Opened again, a picture file is the drawing shown (transparent
            // parts laid over white); the program opens no SVG.
            if (type == SaveType::Svg) continue;
            ImageDocument reopened;
            ASSERT_TRUE(reopened.LoadFile(path.c_str()));
            EXPECT_EQ(FirstDifference(shown, ReadImage(*reopened.ResultInfo())), "");
        }
    }
}

TEST_F(Zoom, ZoomSizesTheImageWindowAndClampsAtBothEnds) {
    EXPECT_EQ(PanelSizeText(), L"画像サイズ  0 × 0");
    EXPECT_EQ(PanelScaleText(), L"表示　100 ％");
    Load(RandomPicture(333, 201, 1));
    EXPECT_EQ(PanelSizeText(), L"画像サイズ  333 × 201");
    EXPECT_EQ(ClientWidth(ImageWindow), 333);
    EXPECT_EQ(ClientHeight(ImageWindow), 201);
    EXPECT_EQ(WindowWidth(ImageWindow), OuterWidthForClient(333, 201, WS_CAPTION, 0, false)) << "no scroll bars";
    EXPECT_EQ(WindowHeight(ImageWindow), OuterHeightForClient(333, 201, WS_CAPTION, 0, false));
    // At the ends of the range the index stays, but the window is sized again
    // (every step's size is checked with the other ways to zoom).
    Command(IDM_ZOOM_IN);
    Command(IDM_ZOOM_IN);
    SetWindowPos(ImageWindow, nullptr, 0, 0, 200, 200, SWP_NOMOVE | SWP_NOZORDER);
    Command(IDM_ZOOM_IN);
    EXPECT_EQ(App.zoomIndex, 4);
    EXPECT_EQ(ClientWidth(ImageWindow), 666);
    for (int step = 0; step < 6; ++step) Command(IDM_ZOOM_OUT);
    EXPECT_EQ(App.zoomIndex, 0);
    EXPECT_EQ(ClientWidth(ImageWindow), 83);
}

TEST_F(ScreenSize, BigPictureIsShownUnscaledInAWindowOnTheWorkAreaAndScrolls) {
    const Picture big = LargerThanTheScreen(400, 7);
    Load(big);
    RECT outer{};
    GetWindowRect(ImageWindow, &outer);
    EXPECT_TRUE(Inside(outer, WorkAreaOf(ImageWindow)));
    const LONG bars = WS_HSCROLL | WS_VSCROLL;
    EXPECT_EQ(GetWindowLongW(ImageWindow, GWL_STYLE) & bars, bars);
    const int width = ClientWidth(ImageWindow), height = ClientHeight(ImageWindow), step = WheelScrollStep();
    ASSERT_LT(width, big.width);
    ASSERT_LT(height, big.height);
    const auto expectView = [&](int x, int y) {
        const Picture shown = Crop(Result(), x, y, width, height);
        EXPECT_EQ(FirstDifference(shown, ShownInImageWindow()), "") << "at " << x << ", " << y;
    };
    expectView(0, 0);
    TurnWheel(ImageWindow, {10, 10}, -WHEEL_DELTA);
    expectView(0, step);
    TurnWheel(ImageWindow, {10, 10}, -2 * WHEEL_DELTA, MK_SHIFT);
    expectView(2 * step, step);
    Drag(ImageWindow, {300, 200}, {260, 150});
    expectView(2 * step + 40, step + 50);
    // Extraction, undo and redo keep the view; it stops at the far edges.
    Command(IDC_EXECUTE);
    Command(IDC_EXECUTE);
    Command(IDM_UNDO);
    expectView(2 * step + 40, step + 50);
    TurnWheel(ImageWindow, {10, 10}, -100 * WHEEL_DELTA);
    Drag(ImageWindow, {300, 200}, {0, 0});
    expectView(big.width - width, big.height - height);
    // At 50 % the whole picture fits; a new picture starts at its corner.
    Command(IDM_ZOOM_OUT);
    EXPECT_EQ(ClientWidth(ImageWindow), big.width / 2);
    EXPECT_EQ(ClientHeight(ImageWindow), big.height / 2);
    EXPECT_EQ(GetWindowLongW(ImageWindow, GWL_STYLE) & bars, 0);
    Command(IDM_ZOOM_IN);
    Load(big);
    expectView(0, 0);
}

TEST_F(ScreenSize, VeryWidePictureScrollsToItsLastPixelAtTwoHundredPercent) {
    // At 200 % its width times the scale passes 2^31.
    const int width = 10'800'000;
    Picture wide{width, 1, std::vector<Bgr>(size_t(width), Bgr{255, 255, 255})};
    wide.At(width - 1, 0) = {0, 0, 0};
    Load(wide);
    Command(IDM_ZOOM_IN);
    Command(IDM_ZOOM_IN);
    ASSERT_EQ(App.zoomIndex, 4);
    RECT outer{};
    GetWindowRect(ImageWindow, &outer);
    EXPECT_TRUE(Inside(outer, WorkAreaOf(ImageWindow)));
    EXPECT_EQ(ClientHeight(ImageWindow), 2);
    SCROLLINFO bar{sizeof bar, SIF_ALL, 0, 0, 0, 0, 0};
    ASSERT_TRUE(GetScrollInfo(ImageWindow, SB_HORZ, &bar));
    EXPECT_EQ(bar.nMax - bar.nMin + 1, 2 * width) << "the range covers the whole scaled width";
    EXPECT_EQ(int(bar.nPage), ClientWidth(ImageWindow));
    SendMessageW(ImageWindow, WM_HSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(ImageScrollPosition().x, 2 * width - ClientWidth(ImageWindow));
    const Picture shown = ShownInImageWindow();
    EXPECT_EQ(shown.At(shown.width - 1, 1).red, 0) << "the last pixel is in view";
    EXPECT_EQ(shown.At(shown.width - 4, 1).red, 255);
}

TEST_F(ScreenSize, CtrlWheelAndCtrlPlusMinusZoomAsTheButtonsDo) {
    const auto run = [this](const std::function<void(int)>& press) {
        Load(RandomPicture(333, 201, 1));
        std::vector<std::tuple<int, std::wstring, int, int>> steps;
        for (int direction : {-1, -1, -1, 1, 1, 1, 1, 1}) {
            press(direction);
            steps.emplace_back(App.zoomIndex, PanelScaleText(), ClientWidth(ImageWindow), ClientHeight(ImageWindow));
        }
        return steps;
    };
    const auto key = [this](int in, int out, int alsoHeld) {
        return [=, this](int direction) {
            HeldKey held(alsoHeld);
            PressCtrl(direction > 0 ? in : out);
        };
    };
    const auto wheel = [this](HWND hwnd) {
        return [=, this](int direction) { TurnWheel(hwnd, {5, 5}, direction * WHEEL_DELTA, MK_CONTROL); };
    };
    const auto buttons = run([this](int direction) { Command(direction > 0 ? IDC_ZOOM_IN : IDC_ZOOM_OUT); });
    const decltype(buttons) expected = {
        {1, L"表示　50 ％", 166, 100},  {0, L"表示　25 ％", 83, 50},   {0, L"表示　25 ％", 83, 50},
        {1, L"表示　50 ％", 166, 100},  {2, L"表示　100 ％", 333, 201}, {3, L"表示　150 ％", 499, 301},
        {4, L"表示　200 ％", 666, 402}, {4, L"表示　200 ％", 666, 402}};
    ASSERT_EQ(buttons, expected);
    const std::function<void(int)> ways[] = {wheel(ImageWindow), wheel(GetDlgItem(ControlWindow, IDC_CONTRAST)),
                                             key(VK_OEM_PLUS, VK_OEM_MINUS, VK_CONTROL), key(VK_OEM_PLUS, VK_OEM_MINUS, VK_SHIFT),
                                             key(VK_ADD, VK_SUBTRACT, VK_CONTROL), key(VK_ADD, VK_SUBTRACT, VK_SHIFT)};
    for (const auto& way : ways) EXPECT_EQ(run(way), buttons) << &way - ways;
    EXPECT_EQ(SendDlgItemMessageW(ControlWindow, IDC_CONTRAST, CB_GETCURSEL, 0, 0), 6) << "the wheel left the list";
    wchar_t item[64] = {};
    GetMenuStringW(GetMenu(ControlWindow), IDM_ZOOM_IN, item, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(item), L"拡大表示(&U)\tCtrl++");
    GetMenuStringW(GetMenu(ControlWindow), IDM_ZOOM_OUT, item, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(item), L"縮小表示(&D)\tCtrl+-");

    // Ctrl+wheel keeps the picture point under the mouse where it is.
    Load(LargerThanTheScreen(400, 3));
    Drag(ImageWindow, {400, 400}, {100, 100});
    const POINT before = ImageScrollPosition();
    TurnWheel(ImageWindow, {150, 120}, WHEEL_DELTA, MK_CONTROL);
    ASSERT_EQ(App.zoomIndex, 3);
    EXPECT_NEAR(ImageScrollPosition().x + 150, (before.x + 150) * 3 / 2, 1);
    EXPECT_NEAR(ImageScrollPosition().y + 120, (before.y + 120) * 3 / 2, 1);
}

TEST_F(Dpi, LayoutFollowsTheDpiAndOneHundredPercentStaysOnePixelPerPixel) {
    const int dpi = WindowDpi(ControlWindow);
    if (const char* expected = std::getenv("VELMORA_EXPECT_DPI")) {
        ASSERT_EQ(dpi, std::atoi(expected));
    }
    LOGFONTW font{};
    ASSERT_TRUE(GetObjectW(PanelFont, sizeof font, &font));
    EXPECT_EQ(font.lfHeight, 12 * dpi / 96);

    // Every control and all the panel paints lie in the client area, none on
    // another but for the option lists and labels in their group box (-1).
    const Picture picture = RandomPicture(333, 201, 1);
    Load(picture);
    RECT client{};
    GetClientRect(ControlWindow, &client);
    const PanelLayout layout = PanelLayoutFor(dpi);
    std::vector<std::pair<int, RECT>> boxes = {{0, layout.thumbnail}, {0, layout.sizeText}, {0, layout.scaleText}};
    for (HWND child = GetWindow(ControlWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT box{};
        GetWindowRect(child, &box);
        MapWindowPoints(nullptr, ControlWindow, reinterpret_cast<POINT*>(&box), 2);
        boxes.emplace_back(GetDlgCtrlID(child), box);
    }
    const auto option = [](int id) {
        return (id >= IDC_NOISE && id <= IDC_CONTRAST) || (id >= IDC_NOISE_LABEL && id <= IDC_CONTRAST_LABEL) ||
               id == IDC_STYLE || id == IDC_STYLE_LABEL;
    };
    for (const auto& [id, box] : boxes) {
        EXPECT_TRUE(Inside(box, client)) << id;
        const bool panel = id == 0 || id == IDC_ZOOM_IN || id == IDC_ZOOM_OUT;
        EXPECT_EQ(panel, Inside(box, layout.panel) || Inside(box, layout.scaleBox)) << id;
        for (const auto& [other, otherBox] : boxes) {
            RECT both{};
            if (&box >= &otherBox || (id == -1 && option(other)) || (other == -1 && option(id))) continue;
            EXPECT_FALSE(IntersectRect(&both, &box, &otherBox)) << id << " on " << other;
        }
    }
    HDC hdc = GetDC(ControlWindow);
    HGDIOBJ previous = SelectObject(hdc, PanelFont);
    SIZE size{};
    GetTextExtentPoint32W(hdc, PanelSizeText().c_str(), int(PanelSizeText().size()), &size);
    EXPECT_LE(size.cx, layout.sizeText.right - layout.sizeText.left) << "the size text fits its place";
    SelectObject(hdc, previous);
    ReleaseDC(ControlWindow, hdc);

    EXPECT_EQ(FirstDifference(picture, ShownInImageWindow()), "") << "100 % is one screen pixel per pixel";
}

TEST_F(Dpi, TheBuiltProgramDeclaresPerMonitorDpiAwareness) {
    HMODULE program = LoadLibraryExW(Wide(VELMORA_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    HRSRC resource = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(resource, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(program, resource))),
                               SizeofResource(program, resource));
    FreeLibrary(program);
    for (const char* setting :
         {R"(<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor</dpiAwareness>)",
          R"(<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>)"}) {
        EXPECT_NE(manifest.find(setting), std::string::npos) << manifest;
    }
}

TEST_F(AutoExtraction, AutoExtractionPostsOneExecutePerSelectionChange) {
    Command(IDC_CONTRAST, CBN_SELCHANGE);
    EXPECT_EQ(TakePostedExecutes(), 0) << "auto extraction is off";
    Command(IDM_AUTO);
    Command(IDC_CONTRAST, CBN_SELCHANGE);
    EXPECT_EQ(TakePostedExecutes(), 0) << "no image yet";

    Load(Photo);
    for (int id : {IDC_STYLE, IDC_NOISE, IDC_THICKNESS, IDC_CONTRAST}) {
        Command(UINT(id), CBN_SELCHANGE);
        EXPECT_EQ(TakePostedExecutes(), 1) << id;
        Command(UINT(id), CBN_DROPDOWN);
        EXPECT_EQ(TakePostedExecutes(), 0) << id;
    }
    Select(IDC_CONTRAST, 9);
    Command(IDC_CONTRAST, CBN_SELCHANGE);
    Pump();
    EXPECT_TRUE(Document.IsExtracted());
    EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 9, false), Result()), "");

    Command(IDM_AUTO);
    Command(IDC_CONTRAST, CBN_SELCHANGE);
    EXPECT_EQ(TakePostedExecutes(), 0) << "auto extraction turned off again";
}

TEST_F(AutoExtraction, AutoToggleFlipsTheCheckMarkOnly) {
    Load(Photo);
    Command(IDM_AUTO);
    EXPECT_TRUE(MenuChecked(IDM_AUTO));
    Pump();
    EXPECT_FALSE(Document.IsExtracted());
    Command(IDM_AUTO);
    EXPECT_FALSE(MenuChecked(IDM_AUTO));
}

TEST_F(Windows, MinimisingHidesTheImageWindowAndRestoringShowsBoth) {
    ShowWindow(ControlWindow, SW_MINIMIZE);
    Pump();
    EXPECT_FALSE(IsWindowVisible(ImageWindow));
    ShowWindow(ControlWindow, SW_RESTORE);
    Pump();
    EXPECT_TRUE(IsWindowVisible(ImageWindow));
    EXPECT_TRUE(IsWindowVisible(ControlWindow));
}

TEST_F(Windows, PanelShowsTheThumbnailOnDarkGreyUnderALightBand) {
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

TEST_F(History, ImageWindowShowsTheResultAfterEveryStep) {
    Load(Photo);
    EXPECT_EQ(FirstDifference(Photo, ShownInImageWindow()), "");
    Command(IDC_EXECUTE);
    const Picture thin = Result();
    EXPECT_EQ(FirstDifference(thin, ShownInImageWindow()), "");
    Select(IDC_THICKNESS, 1);
    Command(IDC_EXECUTE);
    const Picture thick = Result();
    ASSERT_NE(FirstDifference(thin, thick), "");
    EXPECT_EQ(FirstDifference(thick, ShownInImageWindow()), "");
    Command(IDM_UNDO);
    EXPECT_EQ(FirstDifference(thin, ShownInImageWindow()), "") << "after undo";
    Command(IDM_REDO);
    EXPECT_EQ(FirstDifference(thick, ShownInImageWindow()), "") << "after redo";
}

TEST_F(Extraction, ClosingAsksFirstOnlyWhileAnExtractionIsUnsaved) {
    using Action = std::function<void()>;
    // Escape goes wherever the keyboard is after the steps.
    const Action escape = [this] { TypeKey(VK_ESCAPE); };
    const Action closeBox = [] { PostMessageW(ControlWindow, WM_SYSCOMMAND, SC_CLOSE, 0); };
    const Action exitItem = [] { PostMessageW(ControlWindow, WM_COMMAND, IDM_EXIT, 0); };
    MessageSeen question;
    int saves = 0;
    const Action save = [&] { Save(folder + "/drawing" + std::to_string(++saves) + ".bmp"); };
    const Action extract = [this] { ClickButton(IDC_EXECUTE); };
    const Action copy = [this] { Command(IDM_COPY); };
    const Action undo = [this] { Command(IDM_UNDO); };

    Command(IDOK);
    Pump();
    ASSERT_TRUE(IsWindow(ControlWindow)) << "Enter does nothing";
    // "No", the default, keeps everything as it was.
    Load(Photo);
    extract();
    const Picture drawing = Result();
    for (const Action& close : {escape, closeBox, exitItem}) {
        EXPECT_EQ(AnswerModals([&] { close(); Pump(); }, {ReadMessage(question, IDNO)}), 1);
        EXPECT_EQ(question.text, CloseQuestion);
        EXPECT_TRUE(question.noIsDefault);
        ASSERT_TRUE(IsWindow(ControlWindow));
        EXPECT_EQ(FirstDifference(drawing, Result()), "");
        EXPECT_FALSE(ExistsWide(folder + "/Velmora.ini"));
    }
    // What is done after loading; whether closing then asks ("yes" ends).
    const std::vector<std::pair<std::vector<Action>, bool>> cases = {
        {{}, false}, {{extract}, true}, {{extract, copy}, false}, {{extract, save}, false},
        {{extract, extract, copy, undo}, true}};
    for (const auto& [steps, asks] : cases) {
        for (const Action& close : {escape, closeBox, exitItem}) {
            EndProgram();
            quitCode = -1;
            StartInFolder();
            Load(Photo);
            for (const Action& step : steps) step();
            EXPECT_EQ(AnswerModals([&] { close(); Pump(); }, {ReadMessage(question, IDYES)}), asks ? 1 : 0) << steps.size();
            EXPECT_FALSE(IsWindow(ControlWindow));
            EXPECT_EQ(quitCode, 0);
            EXPECT_TRUE(ExistsWide(folder + "/Velmora.ini"));
        }
    }
}

TEST_F(History, ExtractionOrUndoWithoutMemorySaysSoAndChangesNothing) {
    // Right after an extraction the result has no packed form: both the next
    // extraction and an undo need memory for it.
    for (UINT command : {UINT(IDC_EXECUTE), UINT(IDM_UNDO)}) {
        Load(Photo);
        Select(IDC_NOISE, 0);
        ExtractWithContrast(0);
        ExtractWithContrast(6);
        const Picture shown = ShownInImageWindow();
        ASSERT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 6, false), shown), "") << command;
        // Undo would show contrast 1; so would the extraction, with speck
        // removal, which after a failed extraction would change the result.
        ASSERT_NE(FirstDifference(shown, ExpectedDrawing(Photo, 0, 0, false)), "");
        ASSERT_NE(FirstDifference(shown, ExpectedDrawing(Photo, 0, 6, true)), "");
        Select(IDC_NOISE, 1);
        Select(IDC_CONTRAST, 0);
        MessageSeen message;
        {
            const MemoryBudget none(ImgPixelBytesInUse());
            EXPECT_EQ(AnswerModals([&] { Command(command); }, {ReadMessage(message)}), 1) << command;
        }
        EXPECT_EQ(message.text, L"メモリが不足しています．");
        EXPECT_EQ(message.caption, App.windowTitle);
        EXPECT_EQ(message.owner, ControlWindow);
        EXPECT_FALSE(GetUpdateRect(ImageWindow, nullptr, FALSE)) << "nothing to repaint";
        EXPECT_EQ(FirstDifference(shown, ShownInImageWindow()), "");
        EXPECT_EQ(FirstDifference(shown, Result()), "");
        for (UINT id : {IDM_SAVE, IDM_COPY, IDM_UNDO}) EXPECT_TRUE(MenuEnabled(id)) << id;
        EXPECT_FALSE(MenuEnabled(IDM_REDO)) << command;
        EXPECT_TRUE(ButtonEnabled(IDC_SAVE));
        Command(IDM_UNDO);
        EXPECT_FALSE(MenuEnabled(IDM_UNDO)) << "the history still holds its one step";
        EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, 0, false), Result()), "");
    }
}

TEST_F(Keyboard, TheControlWindowKeepsTheKeyboardAfterExecuteUndoAndRedoAndEscapeAsks) {
    Load(Photo);
    Select(IDC_CONTRAST, 0);
    ClickButton(IDC_EXECUTE);
    Select(IDC_CONTRAST, 9);
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"実行", [this] { ClickButton(IDC_EXECUTE); }},
        {"Ctrl+Z", [this] { TypeKey('Z', VK_CONTROL); }},
        {"Ctrl+Y", [this] { TypeKey('Y', VK_CONTROL); }},
    };
    const int contrasts[] = {9, 0, 9};
    for (size_t step = 0; step < steps.size(); ++step) {
        // The user had clicked into the picture: the image window has the keyboard.
        ClickAt(ImageWindow, {5, 5});
        ASSERT_EQ(GetForegroundWindow(), ImageWindow) << steps[step].first;
        steps[step].second();
        EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, contrasts[step], false), ShownInImageWindow()), "")
            << steps[step].first;
        EXPECT_EQ(GetForegroundWindow(), ControlWindow) << steps[step].first;
        EXPECT_TRUE(ControlWindowInView()) << steps[step].first;
        MessageSeen question;
        EXPECT_EQ(TypeEscape(question), 1) << steps[step].first;
        EXPECT_EQ(question.text, CloseQuestion);
        ASSERT_TRUE(IsWindow(ControlWindow));
    }
}

TEST_F(Keyboard, EscapeAndTheShortcutsWorkWhereTheImageWindowHasTheKeyboard) {
    Load(Photo);
    ClickButton(IDC_EXECUTE);
    PutOnClipboard({});
    MessageSeen question;
    // Each key is typed after a click into the picture.
    const std::pair<const char*, std::function<void()>> keys[] = {
        {"Escape", [&] {
             EXPECT_EQ(TypeEscape(question), 1);
             EXPECT_EQ(question.text, CloseQuestion);
         }},
        {"Ctrl++", [this] {
             TypeKey(VK_OEM_PLUS, VK_CONTROL);
             EXPECT_EQ(App.zoomIndex, 3);
         }},
        {"Ctrl+C", [this] {
             TypeKey('C', VK_CONTROL);
             EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
         }},
        {"Escape after the copy", [&] {
             EXPECT_EQ(TypeEscape(question), 0) << "copied: nothing to ask";
             EXPECT_FALSE(IsWindow(ControlWindow)) << "Escape in the image window closes the program";
         }},
    };
    for (const auto& [name, type] : keys) {
        SCOPED_TRACE(name);
        ClickAt(ImageWindow, {5, 5});
        ASSERT_EQ(GetForegroundWindow(), ImageWindow);
        type();
    }
}

TEST_F(Keyboard, WithAutoExtractionTheListKeepsTheKeyboardThroughEveryExtraction) {
    Command(IDM_AUTO);
    Load(Photo);
    ClickButton(IDC_EXECUTE);
    HWND list = GetDlgItem(ControlWindow, IDC_CONTRAST);
    for (int press = 0; press < 20 && GetFocus() != list; ++press) TypeKey(VK_TAB);
    ASSERT_EQ(GetFocus(), list);
    ASSERT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 6);
    for (int press = 0; press < 3; ++press) TypeKey(VK_DOWN);
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 9) << "from 7, three steps down give 10";
    EXPECT_EQ(GetFocus(), list);
    // The three extractions are the history's last steps, after the click's.
    for (int contrast : {9, 8, 7, 6}) {
        EXPECT_EQ(FirstDifference(ExpectedDrawing(Photo, 0, contrast, false), Result()), "")
            << contrast;
        if (contrast > 6) Command(IDM_UNDO);
    }
    EXPECT_FALSE(Document.CanUndo());
}

TEST_F(Keyboard, KeyboardTabReachesTheStyleListBetweenHelpAndTheOtherListsAndItsArrowsChooseTheStyle) {
    Command(IDM_AUTO);
    Load(Photo);
    ClickButton(IDC_EXECUTE);
    ASSERT_EQ(GetFocus(), GetDlgItem(ControlWindow, IDC_EXECUTE));
    for (int id : {IDC_HELP, IDC_STYLE, IDC_NOISE, IDC_THICKNESS, IDC_CONTRAST, IDC_ZOOM_OUT, IDC_ZOOM_IN, IDC_OPEN,
                   IDC_SAVE, IDC_EXECUTE, IDC_HELP, IDC_STYLE}) {
        TypeKey(VK_TAB);
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), id);
    }
    // With auto extraction on, each arrow extracts in the style it chose.
    const std::pair<WORD, LineStyle> presses[] = {
        {VK_DOWN, LineStyle::Ink}, {VK_DOWN, LineStyle::Photo}, {VK_DOWN, LineStyle::Photo},
        {VK_UP, LineStyle::Ink},   {VK_UP, LineStyle::Edges},   {VK_DOWN, LineStyle::Ink}};
    for (const auto& [key, style] : presses) {
        TypeKey(key);
        EXPECT_EQ(ChosenLineStyle(), style);
        EXPECT_EQ(FirstDifference(ReadImage(*ExtractedApart(style, 0, 6, false)->ResultInfo()), Result()), "") << key;
        EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_STYLE);
    }
    TypeKey(VK_TAB, VK_SHIFT);
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_HELP) << "Shift+Tab goes back";
}

TEST_F(ScreenSize, ABigPicturesWindowLeavesTheControlWindowInViewAndLiesBesideItWhereThereIsRoom) {
    const RECT work = WorkAreaOf(ControlWindow);
    const Picture big = LargerThanTheScreen(100, 4);
    // Centred, as on a first start, then at the work area's left edge.
    for (const bool atEdge : {false, true}) {
        if (atEdge) MoveWindow(ControlWindow, work.left, work.top, WindowWidth(ControlWindow), WindowHeight(ControlWindow), TRUE);
        Load(big);
        ClickButton(IDC_EXECUTE);
        ASSERT_TRUE(Document.IsExtracted());
        EXPECT_TRUE(Inside(OuterRect(ImageWindow), work)) << atEdge;
        EXPECT_EQ(GetForegroundWindow(), ControlWindow) << atEdge;
        EXPECT_TRUE(ControlWindowInView()) << atEdge;
        // At the left edge the room right of it is over half the screen at
        // 96 DPI on every screen from 1024 pixels wide (not so at 144 DPI
        // on 1280): the window lies there.
        if (!atEdge || 2 * (work.right - WindowRight(ControlWindow)) < work.right - work.left) continue;
        EXPECT_FALSE(Overlap(OuterRect(ImageWindow), OuterRect(ControlWindow)));
        EXPECT_EQ(WindowLeft(ImageWindow), WindowRight(ControlWindow));
        EXPECT_EQ(WindowRight(ImageWindow), work.right) << "the whole room right of the control window";
        Command(IDM_ZOOM_OUT);
        Command(IDM_ZOOM_OUT);
        EXPECT_FALSE(Overlap(OuterRect(ImageWindow), OuterRect(ControlWindow))) << "at 25 %";
        EXPECT_EQ(ClientWidth(ImageWindow), big.width / 4);
    }
}

TEST(ImageWindowRoom, IsTheStripBesideTheControlWindowThatTakesTheWindowOrIsWideEnough) {
    const RECT work{0, 0, 1600, 1000};
    struct Row {
        RECT control;
        int wanted;
        RECT room;
    } rows[] = {
        {{0, 0, 450, 300}, 500, {450, 0, 1600, 1000}},      // right of it
        {{0, 0, 450, 300}, 1600, {450, 0, 1600, 1000}},     // too small, but over half the screen: scrolls there
        {{1100, 0, 1550, 300}, 500, {0, 0, 1100, 1000}},    // left of it
        {{1100, 0, 1550, 300}, 1200, {0, 0, 1100, 1000}},
        {{575, 0, 1025, 300}, 575, {1025, 0, 1600, 1000}},  // exactly fits the right strip
        {{575, 0, 1025, 300}, 576, {0, 0, 1600, 1000}},     // neither strip: the control window covers part of it
        {{-800, 0, -350, 300}, 1600, {0, 0, 1600, 1000}},   // on another monitor
        {{1700, 0, 2150, 300}, 1600, {0, 0, 1600, 1000}},
    };
    for (const Row& row : rows) {
        const RECT room = ImageWindowRoom(work, row.control, {row.wanted, 400});
        EXPECT_TRUE(EqualRect(&room, &row.room)) << row.control.left << " " << row.wanted << ": " << room.left << " "
                                                 << room.right;
    }
}

TEST(ImageWindowRoom, AWindowIsMovedOnlyAsFarAsItMustToLieInTheRoom) {
    const RECT room{450, 0, 1600, 1000};
    const std::tuple<POINT, SIZE, POINT> rows[] = {
        {{600, 50}, {500, 400}, {600, 50}},   {{1450, 50}, {500, 400}, {1100, 50}},
        {{100, 900}, {500, 400}, {450, 600}}, {{900, 300}, {1200, 1100}, {450, 0}},
    };
    for (const auto& [current, size, expected] : rows) {
        const POINT place = PlaceInRoom(room, current, size);
        EXPECT_EQ(place.x, expected.x) << current.x << ", " << current.y;
        EXPECT_EQ(place.y, expected.y) << current.x << ", " << current.y;
    }
}
