#include "save_dialog.h"

#include "code_page.h"
#include "modal.h"

#include <commdlg.h>
#include <dlgs.h>
#include <shlwapi.h>
#include <iterator>
#include <vector>

namespace {

// Room for any path the dialog returns.
constexpr DWORD DialogBufferSize = 32768;

// What each type writes, in the order of SaveType; own marks the type a
// name with the format's extension gets when a type of another format was
// chosen.
struct TypeInfo {
    LineFormat format;
    bool transparent;
    bool own;
};
const TypeInfo Types[] = {
    {LineFormat::Bmp, false, true},
    {LineFormat::Png, true, false},
    {LineFormat::Png, false, true},
    {LineFormat::Svg, true, true},
};

// With its dot (".bmp").
const char* ExtensionOf(SaveType type) {
    return InfoOf(FormatOf(type)).extension;
}

// Without the dot, as the dialog's default extension takes it.
const char* DefaultExtensionOf(SaveType type) {
    return ExtensionOf(type) + 1;
}

bool HasExtension(const std::string& name, const char* extension) {
    return lstrcmpiA(PathFindExtensionA(name.c_str()), extension) == 0;
}

// A new type: the name in the box and the default extension follow it, as
// in the platform's own dialogs.
void OnTypeChange(HWND dialog, SaveType type) {
    // The name box is a combo box in the explorer-style dialogs of Wine and
    // newer Windows, an edit box in older ones.
    const int box = GetDlgItem(dialog, cmb13) ? cmb13 : edt1;
    std::vector<char> typed(DialogBufferSize, '\0');
    if (GetDlgItemTextA(dialog, box, typed.data(), DialogBufferSize) > 0) {
        const std::string name = typed.data();
        const std::string renamed = WithTypeExtension(name, type);
        if (renamed != name) SendMessageA(dialog, CDM_SETCONTROLTEXT, box, reinterpret_cast<LPARAM>(renamed.c_str()));
    }
    SendMessageA(dialog, CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(DefaultExtensionOf(type)));
}

// The hook's own dialog is a child of the file dialog; it only listens.
UINT_PTR CALLBACK SaveDialogHook(HWND child, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        const auto* notify = reinterpret_cast<const OFNOTIFYA*>(lParam);
        if (notify->hdr.code == CDN_TYPECHANGE) OnTypeChange(GetParent(child), SaveTypeOf(int(notify->lpOFN->nFilterIndex)));
    }
    return 0;
}

}  // namespace

bool ShowSaveDialog(HWND owner, std::string& name, SaveType& type) {
    ImageWindowPause pause;
    const std::string title = Narrow(L"画像を保存する");
    const std::string filter =
        Narrow(L"ビットマップファイル(*.bmp)\0*.bmp\0PNG 透過 (*.png)\0*.png\0PNG 白黒 (*.png)\0*.png\0"
               L"SVG ベクター (*.svg)\0*.svg\0");
    std::vector<char> buffer(DialogBufferSize, '\0');
    name.copy(buffer.data(), DialogBufferSize - 1);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = DWORD(type);
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = DialogBufferSize;
    dialog.lpstrTitle = title.c_str();
    // The dialog adds the chosen type's extension to a name typed without
    // one, before it asks whether to replace an existing file.
    dialog.lpstrDefExt = DefaultExtensionOf(type);
    dialog.lpfnHook = SaveDialogHook;
    dialog.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&dialog)) return false;
    name = buffer.data();
    type = SaveTypeOf(int(dialog.nFilterIndex));
    return true;
}

SaveType SaveTypeOf(int index) {
    return index >= 1 && index <= int(std::size(Types)) ? SaveType(index) : SaveType::Bmp;
}

LineFormat FormatOf(SaveType type) {
    return Types[int(type) - 1].format;
}

OutputColours ColoursOf(SaveType type) {
    OutputColours colours;
    colours.transparent = Types[int(type) - 1].transparent;
    return colours;
}

std::string WithoutExtension(const std::string& path) {
    return path.substr(0, size_t(PathFindExtensionA(path.c_str()) - path.c_str()));
}

std::string WithTypeExtension(const std::string& name, SaveType type) {
    for (const LineFormatInfo& format : LineFormats) {
        if (HasExtension(name, format.extension)) return WithoutExtension(name) + ExtensionOf(type);
    }
    return name;
}

SaveTarget TargetOf(const std::string& name, SaveType chosen) {
    for (const LineFormatInfo& format : LineFormats) {
        if (!HasExtension(name, format.extension)) continue;
        if (FormatOf(chosen) == format.format) return {name, chosen};
        for (int index = 1; index <= int(std::size(Types)); ++index) {
            if (Types[index - 1].format == format.format && Types[index - 1].own) return {name, SaveType(index)};
        }
    }
    return {WithoutExtension(name) + ExtensionOf(chosen), chosen};
}
