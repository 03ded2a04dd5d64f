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

// Whether the user can reach the window's caption to move it: enough of it
// lies on a monitor. Stored positions may come from another screen layout.
bool CaptionOnAMonitor(HWND hwnd) {
    RECT caption{};
    GetWindowRect(hwnd, &caption);
    const int captionHeight = GetSystemMetrics(SM_CYCAPTION);
    caption.bottom = caption.top + GetSystemMetrics(SM_CYFIXEDFRAME) + captionHeight;
    HMONITOR monitor = MonitorFromRect(&caption, MONITOR_DEFAULTTONULL);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    RECT visible{};
    if (!monitor || !GetMonitorInfoW(monitor, &info) || !IntersectRect(&visible, &caption, &info.rcMonitor)) return false;
    // A sliver of a few pixels cannot be grabbed.
    return visible.right - visible.left >= captionHeight && visible.bottom - visible.top >= captionHeight / 2;
}

// The outer position the window returns to when it is restored; while it is
// minimised, its rectangle is where the platform parks minimised windows.
POINT RestoredPosition(HWND hwnd) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(hwnd, &placement)) return {WindowLeft(hwnd), WindowTop(hwnd)};
    // The normal rectangle is in work-area coordinates: they differ from the
    // screen's when a taskbar lies along the top or left edge.
    POINT position{placement.rcNormalPosition.left, placement.rcNormalPosition.top};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTOPRIMARY), &info)) {
        position.x += info.rcWork.left - info.rcMonitor.left;
        position.y += info.rcWork.top - info.rcMonitor.top;
    }
    return position;
}

}  // namespace

void PlaceWindowsFromSettings() {
    int top = -1;
    const bool trusted = Settings.GetString("SOFTWARE", "SoftID") == SoftwareId();
    if (trusted) {
        top = Settings.GetInt("WINDOW", "Top");
        const int left = Settings.GetInt("WINDOW", "Left");
        if (Settings.GetInt("MODE", "Auto") == 1) SetMenuItemChecked(ControlWindow, GetMenu(ControlWindow), IDM_AUTO, true);
        MoveWindowByClient(ControlWindow, left, top, -1, -1, true);
    }
    if (!trusted || !CaptionOnAMonitor(ControlWindow)) {
        HWND desktop = GetDesktopWindow();
        const int left = WindowWidth(desktop) / 2 - WindowWidth(ControlWindow) / 2;
        top = WindowHeight(desktop) / 2 - WindowHeight(ControlWindow) / 2;
        MoveWindowByClient(ControlWindow, left, top, -1, -1, true);
    }
    MoveWindowByClient(ImageWindow, WindowRight(ControlWindow), top, -1, -1, false);
}

void SaveSettings() {
    const POINT position = RestoredPosition(ControlWindow);
    const int left = position.x;
    const int top = position.y;
    const bool automatic = IsMenuItemChecked(GetMenu(ControlWindow), IDM_AUTO);
    Settings.Reset();
    Settings.WriteSection("SOFTWARE", Entries({"SoftID = " + SoftwareId()}));
    Settings.WriteSection("WINDOW", Entries({"Top  = " + std::to_string(top), "Left = " + std::to_string(left)}));
    Settings.WriteSection("MODE", Entries({"Auto = " + std::to_string(automatic ? 1 : 0)}));
}
