#include "file_commands.h"

#include "app_state.h"
#include "code_page.h"
#include "modal.h"
#include "save_dialog.h"

#include <commdlg.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <cerrno>
#include <new>
#include <vector>

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

// Runs the open dialog on a buffer holding name; the chosen name on success.
bool RunOpenDialog(HWND owner, const char* title, const char* filter, std::string& name) {
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
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    const BOOL chosen = GetOpenFileNameA(&dialog);
    if (chosen) name = buffer.data();
    return chosen != 0;
}

// The question the save dialog asks about an existing file, for a file it
// did not ask about; true when the user lets it be replaced.
bool ConfirmReplace(HWND owner, const std::string& name) {
    const std::wstring text = Widen(PathFindFileNameA(name.c_str())) + L" は既に存在します。\n上書きしますか？";
    return ShowMessage(owner, text.c_str(), MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

// Writes the result as the type says.
bool WriteResult(const SaveTarget& target, Failure* failure) {
    return Document.Save(target.path.c_str(), FormatOf(target.type), ColoursOf(target.type), failure);
}

// The second line of the refusal of a file: why it was not read.
const wchar_t* LoadFailureReason(ImageError error) {
    switch (error) {
    case ImageError::CannotOpen: return L"ファイルを開けません．";
    case ImageError::NotAnImage: return L"対応する画像形式ではありません．";
    case ImageError::Corrupt: return L"ファイルが壊れているか、途中で切れています．";
    case ImageError::TooLarge: return L"画像が大きすぎます．";
    case ImageError::OutOfMemory: return MemoryMessage;
    case ImageError::TooManyScans: return L"プログレッシブ JPEG のスキャンが多すぎます．";
    case ImageError::None: break;
    }
    return L"";
}

// The second line of the report of a failed save: why the file was not
// written, from the errno value of the call that failed.
const wchar_t* SaveFailureReason(int systemError) {
    switch (systemError) {
    case ENOSPC: return L"ディスクの空き容量が足りません．";
    case EACCES:
    case EPERM: return L"書き込みが許可されていないか、同じ名前のフォルダーがあります．";
    case EROFS: return L"書き込みできないドライブです．";
    case ENOENT:
    case ENOTDIR: return L"保存先のフォルダーがありません．";
    case ENAMETOOLONG: return L"ファイル名が長すぎます．";
    }
    return L"書き込み中にエラーが発生しました．";
}

}  // namespace

bool ShowOpenDialog(HWND owner) {
    const std::string title = Narrow(L"画像を開く");
    const std::string filter = Narrow(L"画像ファイル(*.bmp;*.jpg;*.jpeg;*.png)\0*.bmp;*.jpg;*.jpeg;*.png\0すべてのファイル(*.*)\0*.*\0");
    return RunOpenDialog(owner, title.c_str(), filter.c_str(), App.currentPath);
}

// The shown path is copied before the document changes, so that nothing is
// left to fail once it has.
bool OpenImageFile(HWND owner, const std::string& path) try {
    if (!HasAcceptedExtension(path)) {
        ShowMessage(owner, L"未サポートのファイル形式です．");
        return false;
    }
    std::string shown = path;
    ImageError error = ImageError::None;
    if (!Document.LoadFile(path.c_str(), &error)) {
        ShowMessage(owner, (std::wstring(L"画像を読み込めませんでした．\n") + LoadFailureReason(error)).c_str());
        return false;
    }
    App.shownPath.swap(shown);
    return true;
} catch (const std::bad_alloc&) {
    ShowMessage(owner, MemoryMessage);
    return false;
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

bool SaveResultImage(HWND owner, const std::string& path) try {
    if (!Document.IsExtracted()) return false;
    std::string name = WithTypeExtension(DefaultSaveName(path, App.saveCounter), App.chosenSaveType);
    SaveType type = App.chosenSaveType;
    if (!ShowSaveDialog(owner, name, type)) return false;
    App.chosenSaveType = type;
    const SaveTarget target = TargetOf(name, type);
    if (target.path != name && GetFileAttributesA(target.path.c_str()) != INVALID_FILE_ATTRIBUTES &&
        !ConfirmReplace(owner, target.path)) {
        return false;
    }
    ++App.saveCounter;
    Failure failure;
    if (!WriteResult(target, &failure)) {
        const std::wstring failed = std::wstring(L"ファイルを保存できませんでした．\n") + SaveFailureReason(failure.system);
        ShowMessage(owner, failure.system == ENOMEM ? MemoryMessage : failed.c_str());
        return false;
    }
    MarkResultKept();
    ShowMessage(owner, L"ファイルを保存しました．");
    return true;
} catch (const std::bad_alloc&) {
    ShowMessage(owner, MemoryMessage);
    return false;
}
