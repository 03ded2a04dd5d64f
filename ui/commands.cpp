#include "commands.h"

#include "resource.h"

namespace {

void EnableButton(HWND hwnd, int id, bool enabled) {
    EnableWindow(GetDlgItem(hwnd, id), enabled);
}

void EnableMenuCommand(HMENU menu, UINT id, bool enabled) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace

void UpdateCommands(const AppState& state) {
    const ImageDocument& document = state.document();
    const bool image = document.HasSource();
    const bool extracted = document.IsExtracted();
    HWND hwnd = state.controlWindow;
    HMENU menu = GetMenu(hwnd);
    for (int id : {IDC_EXECUTE, IDC_ZOOM_IN, IDC_ZOOM_OUT}) EnableButton(hwnd, id, image);
    EnableButton(hwnd, IDC_SAVE, extracted);
    for (UINT id : {IDM_ZOOM_IN, IDM_ZOOM_OUT}) EnableMenuCommand(menu, id, image);
    for (UINT id : {IDM_SAVE, IDM_COPY}) EnableMenuCommand(menu, id, extracted);
    EnableMenuCommand(menu, IDM_UNDO, document.CanUndo());
    EnableMenuCommand(menu, IDM_REDO, document.CanRedo());
    CheckMenuItem(menu, IDM_AUTO, MF_BYCOMMAND | (state.autoExtract ? MF_CHECKED : MF_UNCHECKED));
    DrawMenuBar(hwnd);
}
