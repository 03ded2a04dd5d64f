// Drives the window program's two windows with real messages, as the entry
// function creates them.
#include "control_window.h"
#include "image_window.h"
#include "program_fixture.h"
#include "resource.h"
#include "window_geometry.h"

#include <algorithm>
#include <cstdlib>

namespace {

const Picture Photo = RandomPicture(40, 30, 5);

Picture Crop(const Picture& picture, int left, int top, int width, int height) {
    Picture part{width, height, {}};
    for (int y = top; y < top + height; ++y) {
        part.pixels.insert(part.pixels.end(), picture.pixels.begin() + ptrdiff_t(y) * picture.width + left,
                           picture.pixels.begin() + ptrdiff_t(y) * picture.width + left + width);
    }
    return part;
}

bool HasStyle(HWND hwnd, LONG style) {
    return (GetWindowLongW(hwnd, GWL_STYLE) & style) == style;
}

RECT ClientRectOf(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    MapWindowPoints(nullptr, ControlWindow, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

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
    EXPECT_EQ(WindowWidth(ImageWindow), OuterWidthForClient(333, 201, WS_CAPTION, 0, false)) << "no scroll bars";
    EXPECT_EQ(WindowHeight(ImageWindow), OuterHeightForClient(333, 201, WS_CAPTION, 0, false));
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

TEST_F(ProgramTest, BigPictureIsShownUnscaledInAWindowOnTheWorkAreaAndScrolls) {
    const Picture big = RandomPicture(1500, 1200, 7);
    Load(big);
    RECT outer{};
    GetWindowRect(ImageWindow, &outer);
    EXPECT_TRUE(Inside(outer, WorkAreaOf(ImageWindow)));
    EXPECT_TRUE(HasStyle(ImageWindow, WS_HSCROLL | WS_VSCROLL));
    const int width = ClientWidth(ImageWindow);
    const int height = ClientHeight(ImageWindow);
    ASSERT_LT(width, big.width);
    ASSERT_LT(height, big.height);
    EXPECT_EQ(FirstDifference(Crop(big, 0, 0, width, height), ShownInImageWindow()), "");

    const int step = WheelScrollStep();
    ASSERT_GT(step, 0);
    TurnWheel(ImageWindow, {10, 10}, -WHEEL_DELTA);
    EXPECT_EQ(FirstDifference(Crop(big, 0, step, width, height), ShownInImageWindow()), "") << "wheel down";
    TurnWheel(ImageWindow, {10, 10}, -2 * WHEEL_DELTA, MK_SHIFT);
    EXPECT_EQ(FirstDifference(Crop(big, 2 * step, step, width, height), ShownInImageWindow()), "") << "Shift+wheel";
    Drag(ImageWindow, {300, 200}, {260, 150});
    const POINT corner{2 * step + 40, step + 50};
    EXPECT_EQ(ImageScrollPosition().x, corner.x);
    EXPECT_EQ(ImageScrollPosition().y, corner.y);
    EXPECT_EQ(FirstDifference(Crop(big, corner.x, corner.y, width, height), ShownInImageWindow()), "") << "drag";

    // Extraction, undo and redo keep the view where it is.
    Command(IDC_EXECUTE);
    Select(IDC_THICKNESS, 1);
    Command(IDC_EXECUTE);
    Command(IDM_UNDO);
    const Picture thin = ReadImage(*Document.ResultInfo());
    EXPECT_EQ(FirstDifference(Crop(thin, corner.x, corner.y, width, height), ShownInImageWindow()), "") << "undo";
    Command(IDM_REDO);
    EXPECT_EQ(ImageScrollPosition().x, corner.x);
    EXPECT_EQ(ImageScrollPosition().y, corner.y);

    // The view stops at the picture's far edges.
    TurnWheel(ImageWindow, {10, 10}, -100 * WHEEL_DELTA);
    Drag(ImageWindow, {300, 200}, {0, 0});
    const Picture thick = ReadImage(*Document.ResultInfo());
    EXPECT_EQ(FirstDifference(Crop(thick, big.width - width, big.height - height, width, height), ShownInImageWindow()),
              "");

    // Half the size fits: the whole picture and no scroll bars; a new
    // picture starts at its top-left corner.
    Command(IDM_ZOOM_OUT);
    EXPECT_EQ(ClientWidth(ImageWindow), big.width / 2);
    EXPECT_EQ(ClientHeight(ImageWindow), big.height / 2);
    EXPECT_FALSE(HasStyle(ImageWindow, WS_HSCROLL));
    EXPECT_FALSE(HasStyle(ImageWindow, WS_VSCROLL));
    Command(IDM_ZOOM_IN);
    TurnWheel(ImageWindow, {10, 10}, -WHEEL_DELTA);
    Load(big);
    EXPECT_EQ(ImageScrollPosition().x, 0);
    EXPECT_EQ(ImageScrollPosition().y, 0);

    // A picture wider than a window can be: 21,600,000 pixels at 200 %.
    const int wide = 10'800'000;
    Load(Picture{wide, 1, std::vector<Bgr>(size_t(wide), Bgr{90, 90, 90})});
    Command(IDM_ZOOM_IN);
    Command(IDM_ZOOM_IN);
    GetWindowRect(ImageWindow, &outer);
    EXPECT_TRUE(Inside(outer, WorkAreaOf(ImageWindow)));
    EXPECT_EQ(ClientHeight(ImageWindow), 2);
    SCROLLINFO range{sizeof range, SIF_RANGE, 0, 0, 0, 0, 0};
    GetScrollInfo(ImageWindow, SB_HORZ, &range);
    EXPECT_EQ(range.nMax, 2 * wide - 1);
}

TEST_F(ProgramTest, CtrlWheelAndCtrlPlusMinusZoomAsTheButtonsDo) {
    const Picture picture = RandomPicture(333, 201, 1);
    const int expected[5][2] = {{83, 50}, {166, 100}, {333, 201}, {499, 301}, {666, 402}};
    const auto key = [this](int in, int out, bool shift) {
        return [this, in, out, shift](int direction) {
            HeldKey held(shift ? VK_SHIFT : VK_CONTROL);
            PressCtrl(direction > 0 ? in : out);
        };
    };
    const std::vector<std::pair<const char*, std::function<void(int)>>> ways = {
        {"Ctrl+wheel over the picture", [this](int direction) {
             TurnWheel(ImageWindow, {5, 5}, direction * WHEEL_DELTA, MK_CONTROL);
         }},
        {"Ctrl+wheel over the control window", [this](int direction) {
             TurnWheel(GetDlgItem(ControlWindow, IDC_CONTRAST), {5, 5}, direction * WHEEL_DELTA, MK_CONTROL);
         }},
        {"Ctrl and the main keyboard's keys", key(VK_OEM_PLUS, VK_OEM_MINUS, false)},
        {"Ctrl+Shift and the main keyboard's keys", key(VK_OEM_PLUS, VK_OEM_MINUS, true)},
        {"Ctrl and the numeric pad's keys", key(VK_ADD, VK_SUBTRACT, false)},
        {"Ctrl+Shift and the numeric pad's keys", key(VK_ADD, VK_SUBTRACT, true)},
    };
    for (const auto& [name, press] : ways) {
        Load(picture);
        int index = 2;
        for (int direction : {-1, -1, -1, 1, 1, 1, 1, 1}) {
            press(direction);
            index = std::clamp(index + direction, 0, 4);
            EXPECT_EQ(ZoomIndex, index) << name;
            EXPECT_EQ(PanelScaleText(), L"表示　" + std::to_wstring(ZoomPercent[index]) + L" ％") << name;
            EXPECT_EQ(ClientWidth(ImageWindow), expected[index][0]) << name;
            EXPECT_EQ(ClientHeight(ImageWindow), expected[index][1]) << name;
        }
        EXPECT_EQ(SendDlgItemMessageW(ControlWindow, IDC_CONTRAST, CB_GETCURSEL, 0, 0), 6) << name;
    }
    wchar_t item[64] = {};
    GetMenuStringW(GetMenu(ControlWindow), IDM_ZOOM_IN, item, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(item), L"拡大表示(&U)\tCtrl++");
    GetMenuStringW(GetMenu(ControlWindow), IDM_ZOOM_OUT, item, 64, MF_BYCOMMAND);
    EXPECT_EQ(std::wstring(item), L"縮小表示(&D)\tCtrl+-");

    // Ctrl+wheel keeps the picture point under the mouse where it is.
    Load(RandomPicture(1500, 1200, 3));
    Drag(ImageWindow, {400, 400}, {100, 100});
    const POINT mouse{150, 120};
    const POINT before = ImageScrollPosition();
    TurnWheel(ImageWindow, mouse, WHEEL_DELTA, MK_CONTROL);
    ASSERT_EQ(ZoomIndex, 3);
    EXPECT_NEAR(ImageScrollPosition().x + mouse.x, (before.x + mouse.x) * 3 / 2, 1);
    EXPECT_NEAR(ImageScrollPosition().y + mouse.y, (before.y + mouse.y) * 3 / 2, 1);
}

TEST_F(ProgramTest, LayoutFollowsTheDpiAndOneHundredPercentStaysOnePixelPerPixel) {
    const int dpi = WindowDpi(ControlWindow);
    if (const char* expected = std::getenv("VELMORA_EXPECT_DPI")) {
        ASSERT_EQ(dpi, std::atoi(expected));
    }
    LOGFONTW font{};
    ASSERT_TRUE(GetObjectW(PanelFont, sizeof font, &font));
    EXPECT_EQ(font.lfHeight, 12 * dpi / 96);

    Load(RandomPicture(333, 201, 1));
    RECT client{};
    GetClientRect(ControlWindow, &client);
    const PanelLayout layout = PanelLayoutFor(dpi);
    std::vector<std::pair<int, RECT>> boxes;  // control id, or 0 for the panel's texts and thumbnail
    for (HWND child = GetWindow(ControlWindow, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        boxes.emplace_back(GetDlgCtrlID(child), ClientRectOf(child));
    }
    for (const RECT& painted : {layout.thumbnail, layout.sizeText, layout.scaleText}) boxes.emplace_back(0, painted);
    // The panel's texts fit their places in the panel font.
    HDC hdc = GetDC(ControlWindow);
    HGDIOBJ previous = SelectObject(hdc, PanelFont);
    for (const auto& [text, place] : {std::pair{PanelSizeText(), layout.sizeText}, {PanelScaleText(), layout.scaleText}}) {
        SIZE size{};
        GetTextExtentPoint32W(hdc, text.c_str(), int(text.size()), &size);
        EXPECT_LE(size.cx, place.right - place.left);
        EXPECT_LE(size.cy, place.bottom - place.top);
    }
    SelectObject(hdc, previous);
    ReleaseDC(ControlWindow, hdc);

    const std::vector<int> optionParts = {IDC_NOISE, IDC_THICKNESS, IDC_CONTRAST, IDC_NOISE_LABEL,
                                          IDC_THICKNESS_LABEL, IDC_CONTRAST_LABEL};
    const auto isOptionPart = [&](int id) { return std::find(optionParts.begin(), optionParts.end(), id) != optionParts.end(); };
    const RECT options = std::find_if(boxes.begin(), boxes.end(), [](auto& box) { return box.first == -1; })->second;
    for (const auto& [id, box] : boxes) {
        EXPECT_TRUE(Inside(box, client)) << id;
        const bool inPanel = id == 0 || id == IDC_ZOOM_IN || id == IDC_ZOOM_OUT;
        EXPECT_EQ(inPanel, Inside(box, layout.panel) || Inside(box, layout.scaleBox)) << id;
        if (isOptionPart(id)) {
            EXPECT_TRUE(Inside(box, options)) << id;
        }
    }
    for (size_t first = 0; first < boxes.size(); ++first) {
        for (size_t second = first + 1; second < boxes.size(); ++second) {
            const int ids[2] = {boxes[first].first, boxes[second].first};
            if ((ids[0] == -1 && isOptionPart(ids[1])) || (ids[1] == -1 && isOptionPart(ids[0]))) continue;
            RECT overlap{};
            EXPECT_FALSE(IntersectRect(&overlap, &boxes[first].second, &boxes[second].second))
                << ids[0] << " and " << ids[1] << " overlap";
        }
    }

    Picture checkerboard{64, 48, {}};
    for (int y = 0; y < checkerboard.height; ++y) {
        for (int x = 0; x < checkerboard.width; ++x) {
            const uint8_t value = (x + y) % 2 ? 255 : 0;
            checkerboard.pixels.push_back({value, value, value});
        }
    }
    Load(checkerboard);
    EXPECT_EQ(FirstDifference(checkerboard, ShownInImageWindow()), "");
}

TEST_F(ProgramTest, TheBuiltProgramDeclaresPerMonitorDpiAwareness) {
    HMODULE program = LoadLibraryExW(Wide(VELMORA_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(program, nullptr);
    HRSRC resource = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(resource, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, resource)));
    const std::string manifest(bytes, SizeofResource(program, resource));
    FreeLibrary(program);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos) << manifest;
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

TEST_F(ProgramTest, ClosingAsksFirstOnlyWhileAnExtractionIsUnsaved) {
    using Close = std::function<void()>;
    const Close escape = [] { PostMessageW(GetDlgItem(ControlWindow, IDC_OPEN), WM_KEYDOWN, VK_ESCAPE, 1); };
    const Close closeBox = [] { PostMessageW(ControlWindow, WM_SYSCOMMAND, SC_CLOSE, 0); };
    const Close exitItem = [] { PostMessageW(ControlWindow, WM_COMMAND, IDM_EXIT, 0); };
    std::wstring question;
    int defaultButton = 0;
    const auto answer = [&](int button) {
        return [&, button](HWND box) {
            question = ItemText(box, 0xFFFF);
            for (int id : {IDYES, IDNO}) {
                if ((GetWindowLongW(GetDlgItem(box, id), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON) defaultButton = id;
            }
            PostMessageW(box, WM_COMMAND, WPARAM(button), 0);
        };
    };
    int saves = 0;
    const auto save = [&] {
        std::string path = folder + "/drawing" + std::to_string(++saves) + ".bmp";
        std::replace(path.begin(), path.end(), '/', '\\');
        AnswerModals([&] { Command(IDC_SAVE); }, {[&](HWND dialog) {
            SetDlgItemTextW(dialog, 0x47C, Wide(path).c_str());
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }, [](HWND box) { PostMessageW(box, WM_COMMAND, IDOK, 0); }});
    };

    // "No" keeps everything as it was, settings file unwritten.
    Load(Photo);
    Command(IDC_EXECUTE);
    const Picture drawing = ReadImage(*Document.ResultInfo());
    for (const Close& close : {escape, closeBox, exitItem}) {
        defaultButton = 0;
        EXPECT_EQ(AnswerModals([&] { close(); Pump(); }, {answer(IDNO)}), 1);
        EXPECT_EQ(question, L"抽出した線画が保存されていません．\n保存せずに終了しますか？");
        EXPECT_EQ(defaultButton, IDNO);
        ASSERT_TRUE(IsWindow(ControlWindow));
        EXPECT_EQ(FirstDifference(drawing, ReadImage(*Document.ResultInfo())), "");
        EXPECT_TRUE(MenuEnabled(IDM_COPY));
        EXPECT_FALSE(ExistsWide(folder + "/Velmora.ini"));
    }

    // Each row: what is done after loading; whether closing then asks.
    const std::vector<std::pair<std::function<void()>, bool>> cases = {
        {[] {}, false},
        {[&] { Command(IDC_EXECUTE); }, true},
        {[&] { Command(IDC_EXECUTE); Command(IDM_COPY); }, false},
        {[&] { Command(IDC_EXECUTE); save(); }, false},
        {[&] { Command(IDC_EXECUTE); Command(IDC_EXECUTE); Command(IDM_COPY); Command(IDM_UNDO); }, true},
        {[&] { Command(IDC_EXECUTE); Command(IDC_EXECUTE); Command(IDM_UNDO); Command(IDM_COPY); Command(IDM_REDO); }, true},
    };
    for (size_t row = 0; row < cases.size(); ++row) {
        for (const Close& close : {escape, closeBox}) {
            EndProgram();
            quitCode = -1;
            StartInFolder();
            Load(Photo);
            cases[row].first();
            EXPECT_EQ(AnswerModals([&] { close(); Pump(); }, {answer(IDYES)}), cases[row].second ? 1 : 0) << row;
            EXPECT_FALSE(IsWindow(ControlWindow)) << row;
            EXPECT_EQ(quitCode, 0) << row;
            EXPECT_TRUE(ExistsWide(folder + "/Velmora.ini")) << row;
        }
    }
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
