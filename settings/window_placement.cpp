#include "window_placement.h"

#include "app_state.h"
#include "control_window.h"
#include "resource.h"
#include "window_geometry.h"

namespace {

// The identifier in the resources is ASCII, so its wide and narrow forms
// agree.
std::string SoftwareId() {
    const std::wstring id = LoadResourceString(IDS_SOFTWARE_ID);
    return std::string(id.begin(), id.end());
}

// A section's entries in the form the profile writer takes: each line ends
// in a NUL, the whole in one more.
std::string Entries(std::initializer_list<std::string> lines) {
    std::string entries;
    for (const std::string& line : lines) entries += line + '\0';
    return entries + '\0';
}

}  // namespace

void PlaceWindowsFromSettings() {
    int left = -1;
    int top = -1;
    if (Settings.GetString("SOFTWARE", "SoftID") != SoftwareId()) {
        HWND desktop = GetDesktopWindow();
        left = WindowWidth(desktop) / 2 - WindowWidth(ControlWindow) / 2;
        top = WindowHeight(desktop) / 2 - WindowHeight(ControlWindow) / 2;
    } else {
        top = Settings.GetInt("WINDOW", "Top");
        left = Settings.GetInt("WINDOW", "Left");
        if (Settings.GetInt("MODE", "Auto") == 1) SetMenuItemChecked(ControlWindow, GetMenu(ControlWindow), IDM_AUTO, true);
    }
    MoveWindowByClient(ControlWindow, left, top, -1, -1, true);
    MoveWindowByClient(ImageWindow, WindowRight(ControlWindow), top, -1, -1, false);
}

void SaveSettings() {
    const int left = WindowLeft(ControlWindow);
    const int top = WindowTop(ControlWindow);
    const bool automatic = IsMenuItemChecked(GetMenu(ControlWindow), IDM_AUTO);
    Settings.Reset();
    Settings.WriteSection("SOFTWARE", Entries({"SoftID = " + SoftwareId()}));
    Settings.WriteSection("WINDOW", Entries({"Top  = " + std::to_string(top), "Left = " + std::to_string(left)}));
    Settings.WriteSection("MODE", Entries({"Auto = " + std::to_string(automatic ? 1 : 0)}));
}
