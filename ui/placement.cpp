#include "placement.h"

#include "app_state.h"
#include "option_lists.h"
#include "resource.h"
#include "save_dialog.h"
#include "window_geometry.h"
#include "window_placement.h"

ProfileFile Settings;

namespace {

// The identifier in the resources is ASCII, so its wide and narrow forms
// agree.
std::string SoftwareId() {
    const std::wstring id = LoadResourceString(IDS_SOFTWARE_ID);
    return std::string(id.begin(), id.end());
}

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT area, LPARAM monitors) {
    reinterpret_cast<std::vector<RECT>*>(monitors)->push_back(*area);
    return TRUE;
}

std::vector<RECT> MonitorAreas() {
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

// The outer position the window returns to when it is restored; while it is
// minimised, its rectangle is where the platform parks minimised windows.
POINT RestoredPosition(HWND hwnd) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(hwnd, &placement)) return {WindowLeft(hwnd), WindowTop(hwnd)};
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(MonitorFromRect(&placement.rcNormalPosition, MONITOR_DEFAULTTOPRIMARY), &info)) {
        return {placement.rcNormalPosition.left, placement.rcNormalPosition.top};
    }
    return ScreenPositionOfNormal(placement.rcNormalPosition, info.rcMonitor, info.rcWork);
}

}  // namespace

void PlaceWindowsFromSettings() {
    const StoredSettings stored = ReadSettings(Settings, SoftwareId());
    App.autoExtract = stored.automatic;
    App.chosenSaveType = SaveTypeOf(stored.saveType);
    ShowLineStyle(stored.style);
    const CaptionMetrics metrics{GetSystemMetrics(SM_CYCAPTION), GetSystemMetrics(SM_CYFIXEDFRAME)};
    const StartPlacement place =
        PlaceAtStart(stored, OuterRect(ControlWindow), OuterRect(GetDesktopWindow()), metrics, MonitorAreas());
    MoveWindowByClient(ControlWindow, place.control.left, place.control.top, -1, -1, true);
    MoveWindowByClient(ImageWindow, WindowRight(ControlWindow), place.imageTop, -1, -1, false);
}

void SaveSettings() {
    WriteSettings(Settings, SoftwareId(), RestoredPosition(ControlWindow),
                  App.autoExtract, int(App.chosenSaveType), ChosenLineStyle());
}
