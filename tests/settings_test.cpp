// The settings file: where the windows are placed at start-up, what is
// written at exit, and how stored values are trusted.
#include "control_window.h"
#include "file_commands.h"
#include "option_lists.h"
#include "profile_file.h"
#include "program_fixture.h"
#include "resource.h"
#include "window_geometry.h"
#include "placement.h"
#include "velmora_version.h"
#include "window_placement.h"

#include <filesystem>

namespace {

class SettingsTest : public ProgramTest {
protected:
    // Ends the program, writes the settings file and starts again.
    void RestartWith(const std::string& settings) {
        EndProgram();
        WriteBytes(folder + "/Velmora.ini", std::vector<uint8_t>(settings.begin(), settings.end()));
        StartInFolder();
    }

    void Restart() {
        EndProgram();
        StartInFolder();
    }

    std::string SettingsText() {
        const std::vector<uint8_t> bytes = ReadBytes(folder + "/Velmora.ini");
        return std::string(bytes.begin(), bytes.end());
    }

    bool AutoOn() { return MenuChecked(IDM_AUTO); }

    void ExpectCentred() {
        HWND desktop = GetDesktopWindow();
        EXPECT_EQ(WindowLeft(ControlWindow), WindowWidth(desktop) / 2 - WindowWidth(ControlWindow) / 2);
        EXPECT_EQ(WindowTop(ControlWindow), WindowHeight(desktop) / 2 - WindowHeight(ControlWindow) / 2);
    }

    void ExpectImageWindowBeside() {
        EXPECT_EQ(WindowLeft(ImageWindow), WindowRight(ControlWindow));
        EXPECT_EQ(WindowTop(ImageWindow), WindowTop(ControlWindow));
    }
};

std::string Stored(int top, int left, int automatic) {
    return "[SOFTWARE]\r\nSoftID = " VELMORA_SOFTWARE_ID "\r\n[WINDOW]\r\nTop  = " + std::to_string(top) +
           "\r\nLeft = " + std::to_string(left) + "\r\n[MODE]\r\nAuto = " + std::to_string(automatic) + "\r\n";
}

// The tests of where the windows start, which the test command runs again
// at other screen sizes.
using StartPosition = SettingsTest;

}  // namespace

TEST_F(StartPosition, FirstStartCentresAndExitWritesTheFourSections) {
    EXPECT_FALSE(std::filesystem::exists(folder + "/Velmora.ini"));
    ExpectCentred();
    ExpectImageWindowBeside();
    EXPECT_FALSE(AutoOn());

    MoveWindow(ControlWindow, 123, 45, WindowWidth(ControlWindow), WindowHeight(ControlWindow), TRUE);
    Command(IDM_AUTO);
    // The close box ends the program and saves.
    SendMessageW(ControlWindow, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
    EXPECT_FALSE(IsWindow(ControlWindow));
    EndProgram();
    const std::string text = SettingsText();
    EXPECT_NE(text.find("[SOFTWARE]"), std::string::npos) << text;
    EXPECT_LT(text.find("[SOFTWARE]"), text.find("[WINDOW]")) << text;
    EXPECT_LT(text.find("[WINDOW]"), text.find("[MODE]")) << text;
    EXPECT_LT(text.find("[MODE]"), text.find("[SAVE]")) << text;
    ProfileFile file;
    file.SetPath(folder, "Velmora.ini");
    EXPECT_EQ(file.GetString("SOFTWARE", "SoftID"), VELMORA_SOFTWARE_ID);
    EXPECT_EQ(file.GetInt("WINDOW", "Top"), 45);
    EXPECT_EQ(file.GetInt("WINDOW", "Left"), 123);
    EXPECT_EQ(file.GetInt("MODE", "Auto"), 1);
    EXPECT_EQ(file.GetInt("SAVE", "Type"), 1);

    StartInFolder();
    EXPECT_EQ(WindowLeft(ControlWindow), 123);
    EXPECT_EQ(WindowTop(ControlWindow), 45);
    ExpectImageWindowBeside();
    EXPECT_TRUE(AutoOn());
}

TEST_F(SettingsTest, AnotherVersionsFileIsIgnoredThenRewritten) {
    RestartWith("[SOFTWARE]\r\nSoftID = Velmora200\r\n[WINDOW]\r\nTop  = 77\r\nLeft = 88\r\n[MODE]\r\nAuto = 1\r\n");
    ExpectCentred();
    EXPECT_FALSE(AutoOn());
    MoveWindow(ControlWindow, 66, 55, WindowWidth(ControlWindow), WindowHeight(ControlWindow), TRUE);
    Restart();
    EXPECT_EQ(WindowLeft(ControlWindow), 66);
    EXPECT_EQ(WindowTop(ControlWindow), 55);
}

TEST_F(SettingsTest, OnlyAnAutoOfExactlyOneTurnsAutoExtractionOn) {
    for (const auto& [value, on] : {std::pair{"1", true}, {"0", false}, {"2", false}, {"-1", false}, {"yes", false}}) {
        RestartWith(Stored(40, 50, 0).replace(Stored(40, 50, 0).find("Auto = 0"), 8, std::string("Auto = ") + value));
        EXPECT_EQ(AutoOn(), on) << value;
    }
    RestartWith("[SOFTWARE]\r\nSoftID = " VELMORA_SOFTWARE_ID "\r\n[WINDOW]\r\nTop  = 40\r\nLeft = 50\r\n");
    EXPECT_FALSE(AutoOn());
    EXPECT_EQ(WindowLeft(ControlWindow), 50);
    EndProgram();
    ProfileFile file;
    file.SetPath(folder, "Velmora.ini");
    EXPECT_EQ(file.GetInt("MODE", "Auto"), 0);
    StartInFolder();
}

TEST_F(SettingsTest, MinimisedAtExitStoresTheRestoredPosition) {
    MoveWindow(ControlWindow, 123, 45, WindowWidth(ControlWindow), WindowHeight(ControlWindow), TRUE);
    ShowWindow(ControlWindow, SW_MINIMIZE);
    Pump();
    Restart();
    EXPECT_EQ(WindowLeft(ControlWindow), 123);
    EXPECT_EQ(WindowTop(ControlWindow), 45);
    ExpectImageWindowBeside();
}

TEST_F(StartPosition, PositionsThatHideTheCaptionStartCentred) {
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int width = WindowWidth(ControlWindow);
    // Where a minimised window is parked, and on a second monitor that is gone.
    for (const auto& [top, left] : {std::pair{-32000, -32000}, {40, GetSystemMetrics(SM_CXSCREEN) + 100}}) {
        RestartWith(Stored(top, left, 1));
        ExpectCentred();
        ExpectImageWindowBeside();
        EXPECT_TRUE(AutoOn()) << "the rest of the file is still trusted";
    }
    // Partly off the screen but with a caption to grab: kept.
    RestartWith(Stored(screenHeight - 60, -width / 2, 0));
    EXPECT_EQ(WindowLeft(ControlWindow), -width / 2);
    EXPECT_EQ(WindowTop(ControlWindow), screenHeight - 60);
}

TEST(StoredPlacement, AStoredPlaceIsKeptWhileItsCaptionCanBeGrabbed) {
    // A 400 x 300 window with a 20-pixel caption under a 3-pixel frame; a
    // second monitor left of the main one.
    const std::vector<RECT> monitors = {{0, 0, 1280, 1024}, {-1920, 0, 0, 1080}};
    const RECT created{10, 20, 410, 320};
    const CaptionMetrics metrics{20, 3};
    const auto place = [&](StoredSettings stored) { return PlaceAtStart(stored, created, {0, 0, 1280, 1024}, metrics, monitors); };
    const std::pair<POINT, POINT> cases[] = {
        {{-1000, 500}, {-1000, 500}}, {{-32000, -32000}, {440, 362}}, {{1260, 40}, {1260, 40}},
        {{1261, 40}, {440, 362}},     {{40, 1014}, {40, 1014}},       {{40, 1015}, {440, 362}},
        {{40, -13}, {40, -13}},       {{40, -14}, {440, 362}},         {{-1, 130}, {10, 130}},
        {{-1, -1}, {10, 20}},         {{-2301, 40}, {440, 362}},      {{-381, 40}, {-381, 40}},
    };
    for (const auto& [stored, expected] : cases) {
        const StartPlacement start = place({true, int(stored.x), int(stored.y), false});
        EXPECT_EQ(start.control.left, expected.x) << stored.x << ", " << stored.y;
        EXPECT_EQ(start.control.top, expected.y) << stored.x << ", " << stored.y;
        EXPECT_EQ(start.control.right - start.control.left, 400);
        EXPECT_EQ(start.control.bottom - start.control.top, 300);
        EXPECT_EQ(start.imageTop, expected.x == 440 ? 362 : stored.y) << "-1 keeps the image window's top";
    }
    EXPECT_EQ(place({false, 100, 100, false}).control.left, 440) << "untrusted settings centre the window";
    EXPECT_EQ(ScreenPositionOfNormal({5, 7, 9, 9}, {0, 0, 800, 600}, {0, 40, 800, 600}).y, 47) << "a taskbar at the top";
}

TEST_F(SettingsTest, OtherSectionsAreGoneAfterTheNextExit) {
    RestartWith("; notes\r\n[USER]\r\nColour = red\r\n" + Stored(10, 20, 1) + "[EXTRA]\r\nKey = 1\r\n");
    EXPECT_EQ(WindowTop(ControlWindow), 10);
    EndProgram();
    const std::string text = SettingsText();
    EXPECT_EQ(text.find("USER"), std::string::npos) << text;
    EXPECT_EQ(text.find("EXTRA"), std::string::npos) << text;
    EXPECT_EQ(text.find("notes"), std::string::npos) << text;
    StartInFolder();
    EXPECT_EQ(WindowTop(ControlWindow), 10);
    EXPECT_TRUE(AutoOn());
}

TEST_F(SettingsTest, TheFileLivesInTheStartUpDirectory) {
    EXPECT_EQ(Settings.Path(), JoinPath(App.startupDirectory, "Velmora.ini"));
    const std::string other = TestFolder("SettingsElsewhere");
    EndProgram();
    std::filesystem::remove(folder + "/Velmora.ini");
    SetCurrentDirectoryA(other.c_str());
    StartInFolder();
    // A later change of directory, as the file dialogs make, does not move it.
    SetCurrentDirectoryA(folder.c_str());
    EndProgram();
    EXPECT_TRUE(std::filesystem::exists(other + "/Velmora.ini"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/Velmora.ini"));
    SetCurrentDirectoryA(folder.c_str());
    StartInFolder();
}

TEST(JoinPath, AddsOneBackslashToUtf8Paths) {
    // Paths are UTF-8 because the manifest makes it the process code page;
    // there a backslash byte is never part of another character. (Under code
    // page 932 the second byte of 表, 0x95 0x5C, would read as one.)
    EXPECT_EQ(GetACP(), UINT(CP_UTF8));
    EXPECT_EQ(JoinPath("C:\\work", "Velmora.ini"), "C:\\work\\Velmora.ini");
    EXPECT_EQ(JoinPath("C:\\", "Velmora.ini"), "C:\\Velmora.ini");
    EXPECT_EQ(JoinPath("", "Velmora.ini"), "Velmora.ini");
    EXPECT_EQ(JoinPath("C:\\表 café 🙂", "Velmora.ini"), "C:\\表 café 🙂\\Velmora.ini");
    EXPECT_EQ(JoinPath("C:\\表\\", "Velmora.ini"), "C:\\表\\Velmora.ini");
    const std::string deep(400, 'd');
    EXPECT_EQ(JoinPath("C:\\" + deep, "Velmora.ini"), "C:\\" + deep + "\\Velmora.ini");
}

TEST_F(SettingsTest, TheFileWorksInAFolderWithAnyName) {
    const std::string named = folder + "/設定 façade 🙂";
    ASSERT_TRUE(CreateDirectoryW(Wide(named).c_str(), nullptr));
    EndProgram();
    SetCurrentDirectoryW(Wide(named).c_str());
    StartInFolder();
    ExpectCentred();
    MoveWindow(ControlWindow, 77, 66, WindowWidth(ControlWindow), WindowHeight(ControlWindow), TRUE);
    Command(IDM_AUTO);
    Restart();
    EXPECT_TRUE(ExistsWide(named + "/Velmora.ini"));
    EXPECT_EQ(WindowLeft(ControlWindow), 77);
    EXPECT_EQ(WindowTop(ControlWindow), 66);
    EXPECT_TRUE(AutoOn());
    EndProgram();
    SetCurrentDirectoryA(folder.c_str());
    StartInFolder();
}

TEST_F(SettingsTest, BrokenFileStartsWithDefaultsAndTheNextExitMendsIt) {
    std::string junk(4096, '\0');
    for (size_t i = 0; i < junk.size(); ++i) junk[i] = char((i * 151 + 7) % 256);
    const std::string broken[] = {
        junk,
        "",
        "[SOFTWARE]\r\nSoftID = Velm",
        "\xEF\xBB\xBF[SOFTWARE]\r\nSoftID = \x82\xA0\x82\xA2\r\n[WINDOW\r\nTop  = \xFF\r\n",
    };
    for (const std::string& contents : broken) {
        RestartWith(contents);
        ExpectCentred();
        ExpectImageWindowBeside();
        EXPECT_FALSE(AutoOn());
        // The program works as on a first start.
        Load(RandomPicture(12, 9, 3));
        Command(IDC_EXECUTE);
        Command(IDC_EXECUTE);
        EXPECT_TRUE(MenuEnabled(IDM_UNDO));
        MoveWindow(ControlWindow, 70, 60, WindowWidth(ControlWindow), WindowHeight(ControlWindow), TRUE);
        Restart();
        EXPECT_EQ(WindowLeft(ControlWindow), 70);
        EXPECT_EQ(WindowTop(ControlWindow), 60);
    }
}

TEST_F(SettingsTest, AFolderInThePlaceOfTheFileIsLeftAlone) {
    EndProgram();
    std::filesystem::remove(folder + "/Velmora.ini");
    std::filesystem::create_directory(folder + "/Velmora.ini");
    WriteBytes(folder + "/Velmora.ini/keep.txt", {'k'});
    StartInFolder();
    ExpectCentred();
    Load(RandomPicture(12, 9, 3));
    Command(IDC_EXECUTE);
    EXPECT_TRUE(ButtonEnabled(IDC_SAVE));
    Restart();
    ExpectCentred();
    EXPECT_TRUE(std::filesystem::is_directory(folder + "/Velmora.ini"));
    EXPECT_EQ(ReadBytes(folder + "/Velmora.ini/keep.txt"), std::vector<uint8_t>{'k'});
}

TEST_F(SettingsTest, TheStoredSaveTypeIsReadBackAndAnUnknownOneIsBitmap) {
    const std::pair<std::string, SaveType> cases[] = {
        {"1", SaveType::Bmp}, {"2", SaveType::PngTransparent}, {"3", SaveType::PngBlackOnWhite}, {"4", SaveType::Svg},
        {"0", SaveType::Bmp}, {"5", SaveType::Bmp},            {"-1", SaveType::Bmp},            {"svg", SaveType::Bmp},
    };
    for (const auto& [value, type] : cases) {
        RestartWith(Stored(40, 50, 0) + "[SAVE]\r\nType = " + value + "\r\n");
        EXPECT_EQ(App.chosenSaveType, type) << value;
    }
    RestartWith(Stored(40, 50, 0));
    EXPECT_EQ(App.chosenSaveType, SaveType::Bmp) << "no SAVE section";
    RestartWith("[SOFTWARE]\r\nSoftID = Velmora200\r\n[SAVE]\r\nType = 3\r\n");
    EXPECT_EQ(App.chosenSaveType, SaveType::Bmp) << "another version's file";
    // Written back as it is at exit.
    App.chosenSaveType = SaveType::PngBlackOnWhite;
    Restart();
    EXPECT_EQ(App.chosenSaveType, SaveType::PngBlackOnWhite);
}

TEST_F(SettingsTest, TheLineStyleIsKeptAndAnUnknownOneIsEdges) {
    // Stored() ends in the MODE section.
    const std::pair<std::string, LineStyle> cases[] = {
        {"1", LineStyle::Ink},     {"2", LineStyle::Photo},  {"0", LineStyle::Edges},
        {"3", LineStyle::Edges},   {"99", LineStyle::Edges}, {"-1", LineStyle::Edges},
        {"ink", LineStyle::Edges}, {"", LineStyle::Edges},
    };
    for (const auto& [value, style] : cases) {
        RestartWith(Stored(40, 50, 0) + "Style = " + value + "\r\n");
        EXPECT_EQ(ChosenLineStyle(), style) << value;
        // Read as the list's own number, which the list could not show.
        EXPECT_EQ(ReadSettings(Settings, VELMORA_SOFTWARE_ID).style, style) << value;
    }
    RestartWith(Stored(40, 50, 0));
    EXPECT_EQ(ChosenLineStyle(), LineStyle::Edges) << "no style stored";
    for (const char* value : {"1", "2"}) {
        RestartWith(std::string("[SOFTWARE]\r\nSoftID = Velmora200\r\n[MODE]\r\nStyle = ") + value + "\r\n");
        EXPECT_EQ(ChosenLineStyle(), LineStyle::Edges) << "another version's file: " << value;
    }

    // Chosen in the list, written at exit, chosen again after the restart,
    // and extracted in.
    for (const LineStyle style : {LineStyle::Ink, LineStyle::Photo, LineStyle::Edges, LineStyle::Photo, LineStyle::Ink}) {
        Select(IDC_STYLE, int(style));
        EndProgram();
        ProfileFile file;
        file.SetPath(folder, "Velmora.ini");
        EXPECT_EQ(file.GetInt("MODE", "Style"), int(style));
        StartInFolder();
        EXPECT_EQ(ChosenLineStyle(), style);
        Load(RandomPicture(12, 9, 3));
        Command(IDC_EXECUTE);
        EXPECT_EQ(Document.ResultStyle(), style);
    }
}
