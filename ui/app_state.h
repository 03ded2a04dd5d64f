// Process-wide state of the window program: the one object that every
// command reads and changes, and from which the commands' enabled states and
// check marks are drawn (commands.h). Everything here is used on the one
// user-interface thread only.
#pragma once

#include "document/image_document.h"

#include <optional>
#include <string>
#include <windows.h>

// The save dialog's types (save_dialog.h), named here without their
// values: the save dialog pauses the image window through this state.
enum class SaveType;

// What a new process starts with, all of it replaced by AppState::Reset.
struct AppValues {
    HINSTANCE instance = nullptr;
    HWND controlWindow = nullptr;
    HWND imageWindow = nullptr;

    // "ヴェルモラ抽出器  version N.N": the control window's title and the
    // caption of the program's message boxes.
    std::wstring windowTitle;

    // The current directory when the program started, in the process code
    // page (UTF-8, which the program's manifest sets).
    std::string startupDirectory;

    // オート抽出: a new image and every new option are extracted at once.
    // The menu item's check mark shows it; the settings file keeps it.
    bool autoExtract = false;

    // Whether the result holds an extraction made since the last save or
    // copy: closing the program then asks first.
    bool resultUnkept = false;

    // Index into the display scales (image_window.h), 0 to 4; 2 (100 %) for
    // every new image.
    int zoomIndex = 2;

    // The last file chosen in the open dialog or dropped on the control
    // window, refused ones included; the open dialog starts at it.
    std::string currentPath;

    // The file whose picture is shown, or after a paste the last such file;
    // the default save name is made from it. Empty until a file is opened.
    std::string shownPath;

    // Number of confirmed save dialogs so far; it numbers the default names.
    int saveCounter = 0;

    // The type chosen in the last confirmed save dialog, which the next one
    // starts with; kept in the settings file between runs. BMP, the first
    // type, until then.
    SaveType chosenSaveType{1};
};

class AppState : public AppValues {
public:
    ImageDocument& document() { return *documentSlot; }
    const ImageDocument& document() const { return *documentSlot; }

    // Back to the state of a new process: a new empty document and every
    // value above at its start, no windows. For tests, which start the
    // program many times in one process.
    void Reset();

private:
    // A document cannot be assigned; Reset makes a new one in the same
    // place, so that references to it stay valid.
    std::optional<ImageDocument> documentSlot{std::in_place};
};

extern AppState App;

// Short names for the parts nearly every command touches: App's document
// and windows.
extern ImageDocument& Document;
extern HWND& ControlWindow;
extern HWND& ImageWindow;

// The result has been saved or copied: closing the program no longer asks.
// Every extraction, undo and redo makes it unsaved again; a new image has
// nothing to lose.
void MarkResultKept();

// The information panel's font, created before the entry function runs
// for 96 DPI and made anew for the control window's DPI.
extern HFONT PanelFont;

// Replaces the panel font with one for dpi: 12 pixels high at 96.
void UsePanelFontFor(int dpi);

// A string resource; empty when it is missing.
std::wstring LoadResourceString(UINT id);
