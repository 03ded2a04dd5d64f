#include "control_window.h"

#include "app_state.h"
#include "file_commands.h"
#include "help_dialogs.h"
#include "image_window.h"
#include "modal.h"
#include "resource.h"
#include "window_placement.h"

#include <shellapi.h>

#include <cwchar>
#include <utility>

namespace {

const COLORREF PanelColour = RGB(64, 64, 64);
const COLORREF PanelTextColour = RGB(192, 192, 192);
// Fixed client pixels of the information panel and the scale box below it.
const RECT PanelRect{250, 24, 430, 230};
const RECT ScaleRect{250, 232, 430, 255};
constexpr int ThumbnailSize = 160;

HBRUSH PanelBrush = nullptr;

void EnableButton(HWND hwnd, int id, bool enabled) {
    EnableWindow(GetDlgItem(hwnd, id), enabled);
}

void EnableMenuCommand(HWND hwnd, UINT id, bool enabled) {
    EnableMenuItem(GetMenu(hwnd), id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

int Selection(HWND hwnd, int comboId) {
    return int(SendDlgItemMessageW(hwnd, comboId, CB_GETCURSEL, 0, 0));
}

void AddItem(HWND hwnd, int comboId, const std::wstring& text) {
    SendDlgItemMessageW(hwnd, comboId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void FillOptionLists(HWND hwnd) {
    AddItem(hwnd, IDC_NOISE, LoadResourceString(IDS_NOISE_OFF));
    AddItem(hwnd, IDC_NOISE, LoadResourceString(IDS_NOISE_ON));
    SendDlgItemMessageW(hwnd, IDC_NOISE, CB_SETCURSEL, 0, 0);

    AddItem(hwnd, IDC_THICKNESS, LoadResourceString(IDS_THIN));
    AddItem(hwnd, IDC_THICKNESS, LoadResourceString(IDS_THICK));
    SendDlgItemMessageW(hwnd, IDC_THICKNESS, CB_SETCURSEL, 0, 0);

    for (int contrast = 1; contrast <= 16; ++contrast) {
        wchar_t text[256];
        const wchar_t* format = contrast == 1 ? L"%d (細かい)" : contrast == 16 ? L"%d (荒い)" : L"%d";
        std::swprintf(text, 256, format, contrast);
        AddItem(hwnd, IDC_CONTRAST, text);
    }
    SendDlgItemMessageW(hwnd, IDC_CONTRAST, CB_SETCURSEL, 6, 0);
}

// The panel is laid out in fixed pixels while the controls follow the
// dialog font; the zoom buttons are put into the scale box, right of the
// scale line, in pixels too, so that they stay there whatever the font.
void PlaceZoomButtons(HWND hwnd) {
    const int width = 27;
    const int height = ScaleRect.bottom - ScaleRect.top - 2;
    const int top = ScaleRect.top + 1;
    MoveWindow(GetDlgItem(hwnd, IDC_ZOOM_OUT), ScaleRect.right - 1 - 2 * width, top, width, height, FALSE);
    MoveWindow(GetDlgItem(hwnd, IDC_ZOOM_IN), ScaleRect.right - 1 - width, top, width, height, FALSE);
}

BOOL OnInitDialog(HWND hwnd) {
    ZoomIndex = 2;
    PlaceZoomButtons(hwnd);
    PanelBrush = CreateSolidBrush(PanelColour);
    DragAcceptFiles(hwnd, TRUE);
    SendMessageW(hwnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconW(InstanceHandle, MAKEINTRESOURCEW(IDI_VELMORA))));
    for (int id : {IDC_SAVE, IDC_EXECUTE, IDC_ZOOM_IN, IDC_ZOOM_OUT}) EnableButton(hwnd, id, false);
    for (UINT id : {IDM_SAVE, IDM_COPY, IDM_UNDO, IDM_REDO, IDM_ZOOM_IN, IDM_ZOOM_OUT}) {
        EnableMenuCommand(hwnd, id, false);
    }
    FillOptionLists(hwnd);
    return TRUE;
}

// When memory for the undo step or speck removal runs out, the document has
// changed nothing, so neither do the commands nor the image window.
void OnExecute(HWND hwnd) {
    const int contrast = Selection(hwnd, IDC_CONTRAST);
    const int thickness = Selection(hwnd, IDC_THICKNESS);
    if (!Document.Extract(thickness, contrast, Selection(hwnd, IDC_NOISE) == 1)) {
        ShowMessage(hwnd, L"メモリが不足しています．");
        return;
    }

    EnableButton(hwnd, IDC_SAVE, true);
    EnableMenuCommand(hwnd, IDM_SAVE, true);
    EnableMenuCommand(hwnd, IDM_COPY, true);
    if (Document.CanUndo()) EnableMenuCommand(hwnd, IDM_UNDO, true);
    EnableMenuCommand(hwnd, IDM_REDO, false);

    SetForegroundWindow(ImageWindow);
    InvalidateRect(ImageWindow, nullptr, TRUE);
}

// A new selection in an option list re-runs the extraction when auto
// extraction is on. It is posted, so it runs after this message with the
// selections as they are then.
void OnOptionChanged(HWND hwnd, UINT notification) {
    if (notification == CBN_SELCHANGE && IsMenuItemChecked(GetMenu(hwnd), IDM_AUTO) && Document.HasSource()) {
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_EXECUTE, 0), 0);
    }
}

void OnOpen(HWND hwnd) {
    if (ShowOpenDialog(hwnd)) OpenImageFile(hwnd, CurrentPath);
}

// A pasted image starts at 100 % and is not extracted, even with auto
// extraction on.
void OnPaste() {
    if (!PasteFromClipboard()) return;
    ZoomIndex = 2;
    ApplyZoom();
    ApplyNewImageState();
}

// A file dropped here also becomes where the open dialog starts. A window
// disabled by a modal window of the program takes no drop.
void OnDropFiles(HWND hwnd, HDROP drop) {
    std::string path = TakeDroppedFile(drop);
    if (!IsWindowEnabled(hwnd)) return;
    CurrentPath = std::move(path);
    OpenImageFile(hwnd, CurrentPath);
}

void OnToggleAuto(HWND hwnd) {
    HMENU menu = GetMenu(hwnd);
    SetMenuItemChecked(hwnd, menu, IDM_AUTO, !IsMenuItemChecked(menu, IDM_AUTO));
}

void OnUndo(HWND hwnd) {
    Document.Undo();
    EnableMenuCommand(hwnd, IDM_UNDO, Document.CanUndo());
    EnableMenuCommand(hwnd, IDM_REDO, true);
    InvalidateRect(ImageWindow, nullptr, TRUE);
}

void OnRedo(HWND hwnd) {
    Document.Redo();
    EnableMenuCommand(hwnd, IDM_UNDO, true);
    EnableMenuCommand(hwnd, IDM_REDO, Document.CanRedo());
    InvalidateRect(ImageWindow, nullptr, TRUE);
}

BOOL OnCommand(HWND hwnd, UINT id, UINT notification) {
    switch (id) {
    case IDCANCEL:
    case IDM_EXIT:
        DestroyWindow(hwnd);
        return TRUE;
    case IDC_OPEN:
    case IDM_OPEN:
        OnOpen(hwnd);
        return TRUE;
    case IDC_SAVE:
    case IDM_SAVE:
        SaveResultImage(hwnd, ShownPath);
        return TRUE;
    case IDC_EXECUTE:
        OnExecute(hwnd);
        return TRUE;
    case IDC_NOISE:
    case IDC_THICKNESS:
    case IDC_CONTRAST:
        OnOptionChanged(hwnd, notification);
        return TRUE;
    case IDC_ZOOM_IN:
    case IDM_ZOOM_IN:
        ZoomIn();
        return TRUE;
    case IDC_ZOOM_OUT:
    case IDM_ZOOM_OUT:
        ZoomOut();
        return TRUE;
    case IDM_UNDO:
        OnUndo(hwnd);
        return TRUE;
    case IDM_REDO:
        OnRedo(hwnd);
        return TRUE;
    case IDM_AUTO:
        OnToggleAuto(hwnd);
        return TRUE;
    case IDM_COPY:
        CopyResultToClipboard();
        return TRUE;
    case IDM_PASTE:
        OnPaste();
        return TRUE;
    case IDC_HELP:
    case IDM_HELP:
        ShowHelpDialog();
        return TRUE;
    case IDM_ABOUT:
        ShowVersionDialog(hwnd);
        return TRUE;
    }
    return FALSE;
}

void DrawCentredText(HDC hdc, const wchar_t* text, RECT rect) {
    DrawTextW(hdc, text, -1, &rect, DT_CENTER);
}

void PaintInfoPanel(HWND hwnd) {
    PAINTSTRUCT paint{};
    HDC hdc = BeginPaint(hwnd, &paint);
    HGDIOBJ oldPen = GetCurrentObject(hdc, OBJ_PEN);
    HGDIOBJ oldBrush = SelectObject(hdc, PanelBrush);
    HGDIOBJ oldFont = GetCurrentObject(hdc, OBJ_FONT);

    Rectangle(hdc, PanelRect.left, PanelRect.top, PanelRect.right, PanelRect.bottom);
    Rectangle(hdc, ScaleRect.left, ScaleRect.top, ScaleRect.right, ScaleRect.bottom);
    SetBkColor(hdc, PanelColour);
    SetTextColor(hdc, PanelTextColour);
    SelectObject(hdc, PanelFont);

    DrawCentredText(hdc, PanelSizeText().c_str(),
                    {PanelRect.left + 10, PanelRect.bottom - 20, PanelRect.right - 10, PanelRect.bottom - 5});
    DrawCentredText(hdc, PanelScaleText().c_str(),
                    {ScaleRect.left + 20, ScaleRect.top + 6, ScaleRect.right - 60, ScaleRect.bottom});

    Document.Draw(hdc, PanelRect.left + 10, PanelRect.top + 15, ThumbnailSize, ThumbnailSize, 0, 0,
                  Document.DrawSource);

    // A light band along the top edge, under the menu bar.
    HPEN bandPen = CreatePen(PS_SOLID, 1, PanelTextColour);
    HBRUSH bandBrush = CreateSolidBrush(PanelTextColour);
    SelectObject(hdc, bandPen);
    SelectObject(hdc, bandBrush);
    RECT client{};
    GetClientRect(hwnd, &client);
    Rectangle(hdc, 0, 0, client.right, 3);

    SelectObject(hdc, oldPen);
    SelectObject(hdc, oldBrush);
    SelectObject(hdc, oldFont);
    DeleteObject(bandPen);
    DeleteObject(bandBrush);
    EndPaint(hwnd, &paint);
}

// The image window belongs with the control window: hidden while it is
// minimised, shown again when it is restored.
void OnSize(HWND hwnd, UINT type) {
    if (type == SIZE_MINIMIZED) {
        ShowWindow(ImageWindow, SW_HIDE);
    } else {
        ShowWindow(ImageWindow, SW_SHOW);
        ShowWindow(hwnd, SW_SHOW);
    }
}

void OnDestroy() {
    SaveSettings();
    DeleteObject(PanelBrush);
    PanelBrush = nullptr;
    PostQuitMessage(0);
}

}  // namespace

std::wstring PanelSizeText() {
    wchar_t text[256];
    std::swprintf(text, 256, L"画像サイズ  %d × %d", Document.ResultWidth(), Document.ResultHeight());
    return text;
}

std::wstring PanelScaleText() {
    wchar_t text[256];
    std::swprintf(text, 256, L"表示　%d ％", ZoomPercent[ZoomIndex]);
    return text;
}

void ApplyNewImageState() {
    EnableButton(ControlWindow, IDC_SAVE, false);
    for (int id : {IDC_EXECUTE, IDC_ZOOM_IN, IDC_ZOOM_OUT}) EnableButton(ControlWindow, id, true);
    for (UINT id : {IDM_SAVE, IDM_COPY, IDM_UNDO, IDM_REDO}) EnableMenuCommand(ControlWindow, id, false);
    for (UINT id : {IDM_ZOOM_IN, IDM_ZOOM_OUT}) EnableMenuCommand(ControlWindow, id, true);
}

bool IsMenuItemChecked(HMENU menu, UINT id) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    return GetMenuItemInfoW(menu, id, FALSE, &item) && item.fState == MFS_CHECKED;
}

void SetMenuItemChecked(HWND hwnd, HMENU menu, UINT id, bool checked) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_STATE;
    item.fState = checked ? MFS_CHECKED : 0;
    SetMenuItemInfoW(menu, id, FALSE, &item);
    DrawMenuBar(hwnd);
}

INT_PTR CALLBACK ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(hwnd);
    case WM_COMMAND:
        return OnCommand(hwnd, LOWORD(wParam), HIWORD(wParam));
    case WM_PAINT:
        PaintInfoPanel(hwnd);
        return TRUE;
    case WM_SIZE:
        OnSize(hwnd, UINT(wParam));
        return TRUE;
    case WM_DROPFILES:
        OnDropFiles(hwnd, reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    }
    return FALSE;
}
