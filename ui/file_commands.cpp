#include "file_commands.h"

#include "app_state.h"
#include "control_window.h"
#include "image_window.h"
#include "modal.h"
#include "resource.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <vector>

std::string CurrentPath;
std::string ShownPath;
int SaveCounter = 0;

namespace {

// Room for any path the dialogs return.
constexpr DWORD DialogBufferSize = 32768;

bool HasAcceptedExtension(const std::string& path) {
    const char* extension = PathFindExtensionA(path.c_str());
    for (const char* accepted : {".bmp", ".BMP", ".jpg", ".JPG", ".jpeg", ".JPEG", ".png", ".PNG"}) {
        if (lstrcmpA(extension, accepted) == 0) return true;
    }
    return false;
}

std::string WithoutExtension(const std::string& path) {
    return path.substr(0, size_t(PathFindExtensionA(path.c_str()) - path.c_str()));
}

// A name with ".bmp" in the place of any other extension; one that already
// ends in ".bmp", in any case, is kept as it is.
std::string WithBmpExtension(const std::string& name) {
    if (lstrcmpiA(PathFindExtensionA(name.c_str()), ".bmp") == 0) return name;
    return WithoutExtension(name) + ".bmp";
}

// Runs a file dialog on a buffer holding name; the chosen name on success.
// The save dialog adds ".bmp" to a name typed without an extension, before
// it asks whether to replace an existing file.
bool RunFileDialog(HWND owner, bool save, const char* title, const char* filter, std::string& name) {
    ImageWindowPause pause;
    std::vector<char> buffer(DialogBufferSize, '\0');
    name.copy(buffer.data(), DialogBufferSize - 1);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = DialogBufferSize;
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = save ? "bmp" : nullptr;
    dialog.Flags = save ? OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY : OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    const BOOL chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (chosen) name = buffer.data();
    return chosen != 0;
}

// Narrow text is in the process code page, which the manifest makes UTF-8;
// these convert where it meets the wide user-interface calls.
std::string Narrow(const wchar_t* text, size_t length) {
    const int size = WideCharToMultiByte(CP_ACP, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, int(length), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

template <size_t N>
std::string Narrow(const wchar_t (&text)[N]) {
    return Narrow(text, N - 1);
}

std::wstring Widen(const std::string& text) {
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), size);
    return wide;
}

// The question the save dialog asks about an existing file, for a file it
// did not ask about; true when the user lets it be replaced.
bool ConfirmReplace(HWND owner, const std::string& name) {
    const std::wstring text = Widen(PathFindFileNameA(name.c_str())) + L" は既に存在します。\n上書きしますか？";
    return ShowMessage(owner, text.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

// Deletes a GDI object when it goes out of scope, unless released.
struct BitmapOwner {
    HBITMAP bitmap;
    ~BitmapOwner() {
        if (bitmap) DeleteObject(bitmap);
    }
};

}  // namespace

bool ShowOpenDialog(HWND owner) {
    const std::string title = Narrow(L"画像を開く");
    const std::string filter = Narrow(L"画像ファイル(*.bmp;*.jpg;*.jpeg;*.png)\0*.bmp;*.jpg;*.jpeg;*.png\0すべてのファイル(*.*)\0*.*\0");
    return RunFileDialog(owner, false, title.c_str(), filter.c_str(), CurrentPath);
}

bool OpenImageFile(HWND owner, const std::string& path) {
    if (!HasAcceptedExtension(path)) {
        ShowMessage(owner, L"未サポートのファイル形式です．");
        return false;
    }
    if (!Document.LoadFile(path.c_str())) {
        ShowMessage(owner, L"画像を読み込めませんでした．");
        return false;
    }
    ShownPath = path;
    ZoomIndex = 2;
    ApplyZoom();
    ApplyNewImageState();
    if (IsMenuItemChecked(GetMenu(ControlWindow), IDM_AUTO)) {
        PostMessageW(ControlWindow, WM_COMMAND, MAKEWPARAM(IDC_EXECUTE, 0), 0);
    }
    return true;
}

std::string TakeDroppedFile(HDROP drop) {
    const UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    std::string path(length, '\0');
    DragQueryFileA(drop, 0, path.data(), length + 1);
    DragFinish(drop);
    return path;
}

std::string DefaultSaveName(const std::string& path, int counter) {
    if (path.empty()) return {};
    char suffix[32];
    wsprintfA(suffix, "-velmora%02d.bmp", counter);
    return WithoutExtension(path) + suffix;
}

bool SaveResultImage(HWND owner, const std::string& path) {
    if (!Document.IsExtracted()) return false;
    std::string name = DefaultSaveName(path, SaveCounter);
    const std::string title = Narrow(L"画像を保存する");
    const std::string filter = Narrow(L"ビットマップファイル(*.bmp)\0*.bmp\0");
    if (!RunFileDialog(owner, true, title.c_str(), filter.c_str(), name)) return false;
    const std::string written = WithBmpExtension(name);
    if (written != name && GetFileAttributesA(written.c_str()) != INVALID_FILE_ATTRIBUTES &&
        !ConfirmReplace(owner, written)) {
        return false;
    }
    ++SaveCounter;
    if (!Document.SaveBmp(written.c_str())) {
        ShowMessage(owner, L"ファイルを保存できませんでした．");
        return false;
    }
    MarkResultKept();
    ShowMessage(owner, L"ファイルを保存しました．");
    return true;
}

void CopyResultToClipboard() {
    if (!Document.IsExtracted()) return;
    const int width = Document.ResultWidth();
    const int height = Document.ResultHeight();
    HDC windowDc = GetDC(ImageWindow);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    BitmapOwner bitmap{CreateCompatibleBitmap(windowDc, width, height)};
    if (memoryDc && bitmap.bitmap) {
        HGDIOBJ previous = SelectObject(memoryDc, bitmap.bitmap);
        Document.Draw(memoryDc, 0, 0, width, height, 0, 0, Document.DrawResultUnscaled);
        SelectObject(memoryDc, previous);
        if (OpenClipboard(ImageWindow)) {
            // Once the clipboard has taken the bitmap, it is the clipboard's.
            if (EmptyClipboard() && SetClipboardData(CF_BITMAP, bitmap.bitmap)) {
                bitmap.bitmap = nullptr;
                MarkResultKept();
            }
            CloseClipboard();
        }
    }
    if (memoryDc) DeleteDC(memoryDc);
    ReleaseDC(ImageWindow, windowDc);
}

bool PasteFromClipboard() {
    if (!IsClipboardFormatAvailable(CF_BITMAP) || !OpenClipboard(ImageWindow)) return false;
    bool pasted = false;
    // The bitmap stays the clipboard's: it is only read here.
    if (auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP))) {
        BITMAP size{};
        HDC windowDc = GetDC(ImageWindow);
        HDC memoryDc = CreateCompatibleDC(windowDc);
        if (memoryDc && GetObjectW(bitmap, sizeof size, &size)) {
            HGDIOBJ previous = SelectObject(memoryDc, bitmap);
            pasted = previous && Document.LoadFromDC(memoryDc, 0, 0, size.bmWidth, size.bmHeight);
            if (previous) SelectObject(memoryDc, previous);
        }
        if (memoryDc) DeleteDC(memoryDc);
        ReleaseDC(ImageWindow, windowDc);
    }
    CloseClipboard();
    return pasted;
}
