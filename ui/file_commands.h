// Bringing images in through the open dialog and dropped files, and taking
// the result out through the save dialog; the clipboard commands come with
// them from clipboard.h. Paths are narrow strings in the process code page,
// UTF-8 (the program's manifest sets it).
#pragma once

#include "clipboard.h"
#include "save_dialog.h"

#include <string>
#include <windows.h>
#include <shellapi.h>

// The last file chosen in the open dialog or dropped on the control window,
// refused ones included; the open dialog starts at it.
extern std::string CurrentPath;

// The file whose picture is shown, or after a paste the last such file; the
// default save name is made from it. Empty until a file is opened.
extern std::string ShownPath;

// Number of confirmed save dialogs so far; it numbers the default names.
extern int SaveCounter;

// The type chosen in the last confirmed save dialog, which the next one
// starts with; BMP until then, kept in the settings file between runs.
extern SaveType ChosenSaveType;

// Runs the open dialog, starting at CurrentPath; true when a file was
// chosen, which is then in CurrentPath.
bool ShowOpenDialog(HWND owner);

// Opens the file as the new image when its extension is one of the eight
// accepted ones: the scale returns to 100 %, the controls are reset and, with
// auto extraction on, an extraction is posted. A refused extension or an
// unreadable file leaves everything as it was and says so in a message box
// owned by owner. True when the image was opened.
bool OpenImageFile(HWND owner, const std::string& path);

// The path of a file dropped on a window: only the first of a drop counts.
// The drop is finished here.
std::string TakeDroppedFile(HDROP drop);

// The default save name for path: its extension replaced by
// "-velmoraNN.bmp" with the counter; empty for an empty path.
std::string DefaultSaveName(const std::string& path, int counter);

// Asks for a file name and type, proposing the default name with the
// extension of ChosenSaveType and that type, and writes the result there as
// the name and type say (see TargetOf), then confirms or reports the failure
// with its reason. Whenever the name written is not the one the
// dialog asked about, an existing file of that name is only replaced when
// the user agrees. Nothing before the first extraction of an image. True
// when the file was written.
bool SaveResultImage(HWND owner, const std::string& path);
