#include "control_window.h"

#include "app_state.h"
#include "commands.h"
#include "document/image_document_gdi.h"
#include "file_commands.h"
#include "help_dialogs.h"
#include "image_window.h"
#include "modal.h"
#include "option_lists.h"
#include "placement.h"
#include "resource.h"
#include "window_geometry.h"

#include <shellapi.h>

#include <cwchar>
#include <utility>

namespace {

const COLORREF PanelColour = RGB(64, 64, 64);
const COLORREF PanelTextColour = RGB(192, 192, 192);

HBRUSH PanelBrush = nullptr;

// The image window's drops and commands arrive as the control window's own.
class ImageWindowEvents : public ImageWindowOwner {
public:
    void Command(UINT id) override { SendMessageW(ControlWindow, WM_COMMAND, MAKEWPARAM(id, 1), 0); }

    // The open dialog keeps starting at the control window's last file.
    void FileDropped(const std::string& path) override { OpenImage(path); }
};

ImageWindowEvents ImageEvents;

int Selection(HWND hwnd, int comboId) {
    return int(SendDlgItemMessageW(hwnd, comboId, CB_GETCURSEL, 0, 0));
}

// The panel is laid out in pixels scaled by the DPI while the controls
// follow the dialog font; the zoom buttons are put into the scale box,
// right of the scale line, in such pixels too, so that they stay there
// whatever the font.
void PlaceZoomButtons(HWND hwnd) {
    const RECT box = PanelLayoutFor(WindowDpi(hwnd)).scaleBox;
    const int width = ScaleForDpi(27, WindowDpi(hwnd));
    const int height = box.bottom - box.top - 2;
    const int top = box.top + 1;
    MoveWindow(GetDlgItem(hwnd, IDC_ZOOM_OUT), box.right - 1 - 2 * width, top, width, height, FALSE);
    MoveWindow(GetDlgItem(hwnd, IDC_ZOOM_IN), box.right - 1 - width, top, width, height, FALSE);
}

BOOL OnInitDialog(HWND hwnd) {
    App.controlWindow = hwnd;
    SetImageWindowOwner(ImageEvents);
    UsePanelFontFor(WindowDpi(hwnd));
    PlaceZoomButtons(hwnd);
    PanelBrush = CreateSolidBrush(PanelColour);
    DragAcceptFiles(hwnd, TRUE);
    SendMessageW(hwnd, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(LoadIconW(App.instance, MAKEINTRESOURCEW(IDI_VELMORA))));
    UpdateCommands(App);
    FillOptionLists(hwnd);
    return TRUE;
}

// When memory for the undo step or speck removal runs out, the document has
// changed nothing, so neither do the commands nor the image window.
void OnExecute(HWND hwnd) {
    const int contrast = Selection(hwnd, IDC_CONTRAST);
    const int thickness = Selection(hwnd, IDC_THICKNESS);
    if (!Document.Extract(thickness, contrast, Selection(hwnd, IDC_NOISE) == 1, ChosenLineStyle())) {
        ShowMessage(hwnd, MemoryMessage);
        return;
    }
    App.resultUnkept = true;
    UpdateCommands(App);
    ShowResult();
}

// A new selection in an option list re-runs the extraction when auto
// extraction is on. It is posted, so it runs after this message with the
// selections as they are then.
void OnOptionChanged(HWND hwnd, UINT notification) {
    if (notification == CBN_SELCHANGE && App.autoExtract && Document.HasSource()) {
        PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(IDC_EXECUTE, 0), 0);
    }
}

void OnOpen(HWND hwnd) {
    if (ShowOpenDialog(hwnd)) OpenImage(App.currentPath);
}

// A pasted image starts at 100 % and is not extracted, even with auto
// extraction on.
void OnPaste() {
    if (PasteFromClipboard()) ShowNewImage();
}

// A file dropped here also becomes where the open dialog starts. A window
// disabled by a modal window of the program takes no drop.
void OnDropFiles(HWND hwnd, HDROP drop) {
    std::string path = TakeDroppedFile(drop);
    if (!IsWindowEnabled(hwnd)) return;
    App.currentPath = std::move(path);
    OpenImage(App.currentPath);
}

void OnToggleAuto() {
    App.autoExtract = !App.autoExtract;
    UpdateCommands(App);
}

// Undo and redo show a result that may never have been saved; which of the
// history's steps were is not kept, so each counts as unsaved. A step that
// finds no memory has changed nothing, as a failed extraction.
void ShowHistoryStep(HWND hwnd, bool stepped) {
    if (!stepped) {
        ShowMessage(hwnd, MemoryMessage);
        return;
    }
    App.resultUnkept = true;
    UpdateCommands(App);
    ShowResult();
}

// Escape and the close box (both IDCANCEL) and the exit item end the
// program; an extraction not yet saved or copied is only given up when the
// user says so.
void OnClose(HWND hwnd) {
    if (App.resultUnkept &&
        ShowMessage(hwnd, L"抽出した線画が保存されていません．\n保存せずに終了しますか？", MB_YESNO | MB_DEFBUTTON2) != IDYES) {
        return;
    }
    DestroyWindow(hwnd);
}

BOOL OnCommand(HWND hwnd, UINT id, UINT notification) {
    switch (id) {
    case IDCANCEL:
    case IDM_EXIT:
        OnClose(hwnd);
        return TRUE;
    case IDC_OPEN:
    case IDM_OPEN:
        OnOpen(hwnd);
        return TRUE;
    case IDC_SAVE:
    case IDM_SAVE:
        SaveResultImage(hwnd, App.shownPath);
        return TRUE;
    case IDC_EXECUTE:
        OnExecute(hwnd);
        return TRUE;
    case IDC_STYLE:
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
        ShowHistoryStep(hwnd, Document.Undo());
        return TRUE;
    case IDM_REDO:
        ShowHistoryStep(hwnd, Document.Redo());
        return TRUE;
    case IDM_AUTO:
        OnToggleAuto();
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
    const int dpi = WindowDpi(hwnd);
    const PanelLayout layout = PanelLayoutFor(dpi);
    HGDIOBJ oldPen = GetCurrentObject(hdc, OBJ_PEN);
    HGDIOBJ oldBrush = SelectObject(hdc, PanelBrush);
    HGDIOBJ oldFont = GetCurrentObject(hdc, OBJ_FONT);

    Rectangle(hdc, layout.panel.left, layout.panel.top, layout.panel.right, layout.panel.bottom);
    Rectangle(hdc, layout.scaleBox.left, layout.scaleBox.top, layout.scaleBox.right, layout.scaleBox.bottom);
    SetBkColor(hdc, PanelColour);
    SetTextColor(hdc, PanelTextColour);
    SelectObject(hdc, PanelFont);

    DrawCentredText(hdc, PanelSizeText().c_str(), layout.sizeText);
    DrawCentredText(hdc, PanelScaleText().c_str(), layout.scaleText);

    const RECT& thumbnail = layout.thumbnail;
    DocumentGdi::Draw(Document, hdc, thumbnail.left, thumbnail.top, thumbnail.right - thumbnail.left,
                      thumbnail.bottom - thumbnail.top, 0, 0, DocumentGdi::DrawSource);

    // A light band along the top edge, under the menu bar.
    HPEN bandPen = CreatePen(PS_SOLID, 1, PanelTextColour);
    HBRUSH bandBrush = CreateSolidBrush(PanelTextColour);
    SelectObject(hdc, bandPen);
    SelectObject(hdc, bandBrush);
    RECT client{};
    GetClientRect(hwnd, &client);
    Rectangle(hdc, 0, 0, client.right, ScaleForDpi(3, dpi));

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

// Moved to a monitor of another DPI: the platform rescales the dialog's
// controls and font; the panel, its font and the zoom buttons follow here.
void OnDpiChanged(HWND hwnd, int dpi, const RECT& suggested) {
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    UsePanelFontFor(dpi);
    PlaceZoomButtons(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
}

void OnDestroy() {
    SaveSettings();
    DeleteObject(PanelBrush);
    PanelBrush = nullptr;
    PostQuitMessage(0);
}

}  // namespace

PanelLayout PanelLayoutFor(int dpi) {
    const auto scaled = [dpi](int left, int top, int right, int bottom) {
        return RECT{ScaleForDpi(left, dpi), ScaleForDpi(top, dpi), ScaleForDpi(right, dpi), ScaleForDpi(bottom, dpi)};
    };
    return {scaled(250, 24, 430, 230), scaled(250, 232, 430, 255), scaled(260, 39, 420, 199),
            scaled(260, 210, 420, 225), scaled(270, 238, 370, 255)};
}

std::wstring PanelSizeText() {
    wchar_t text[256];
    std::swprintf(text, 256, L"画像サイズ  %d × %d", Document.ResultWidth(), Document.ResultHeight());
    return text;
}

std::wstring PanelScaleText() {
    wchar_t text[256];
    std::swprintf(text, 256, L"表示　%d ％", ZoomPercent[App.zoomIndex]);
    return text;
}

void ShowNewImage() {
    App.zoomIndex = 2;
    ApplyZoom();
    App.resultUnkept = false;
    UpdateCommands(App);
}

bool OpenImage(const std::string& path) {
    if (!OpenImageFile(ControlWindow, path)) return false;
    ShowNewImage();
    if (App.autoExtract) PostMessageW(ControlWindow, WM_COMMAND, MAKEWPARAM(IDC_EXECUTE, 0), 0);
    return true;
}

INT_PTR CALLBACK ControlWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
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
    case WM_DPICHANGED:
        OnDpiChanged(hwnd, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_DESTROY:
        OnDestroy();
        return TRUE;
    }
    return FALSE;
}
