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

// Runs the open dialog, starting at App.currentPath; true when a file was
// chosen, which is then in App.currentPath.
bool ShowOpenDialog(HWND owner);

// Opens the file as the new image of the document when its extension is one
// of the eight accepted ones, and makes it App.shownPath; the caller shows
// it. A refused extension or an unreadable file leaves everything as it was
// and says so in a message box owned by owner. True when the image was
// opened.
bool OpenImageFile(HWND owner, const std::string& path);

// The path of a file dropped on a window: only the first of a drop counts.
// The drop is finished here.
std::string TakeDroppedFile(HDROP drop);

// The default save name for path: its extension replaced by
// "-velmoraNN.bmp" with the counter; empty for an empty path.
std::string DefaultSaveName(const std::string& path, int counter);

// Asks for a file name and type, proposing the default name with the
// extension of App.chosenSaveType and that type, and writes the result there as
// the name and type say (see TargetOf), then confirms or reports the failure
// with its reason. Whenever the name written is not the one the
// dialog asked about, an existing file of that name is only replaced when
// the user agrees. Nothing before the first extraction of an image. True
// when the file was written.
bool SaveResultImage(HWND owner, const std::string& path);
