// The save dialog and the names it gives. It offers four types: a BMP file
// (the default until another is chosen), a PNG of the lines on a transparent background, a
// black-on-white PNG, and an SVG of traced black strokes on a transparent
// background. Changing the type changes the extension of the name in
// the box, and a name typed without an extension gets the chosen type's.
// Names are in the process code page, UTF-8.
#pragma once

#include "pipeline/output_formats.h"

#include <string>
#include <windows.h>

// The types in the order the dialog lists them; the values are its filter
// indices.
enum class SaveType { Bmp = 1, PngTransparent = 2, PngBlackOnWhite = 3, Svg = 4 };

// The format a type writes and the colours it writes it in.
LineFormat FormatOf(SaveType type);
OutputColours ColoursOf(SaveType type);

// Runs the save dialog with name in its box and type chosen; true when the
// user confirmed, name and type then being the chosen ones.
bool ShowSaveDialog(HWND owner, std::string& name, SaveType& type);

// The type of a filter index or a stored one; BMP for any other number.
SaveType SaveTypeOf(int index);

// The path without the extension of its file name.
std::string WithoutExtension(const std::string& path);

// The name with the extension of any output format (any case) replaced by
// the type's; other names are returned as they are.
std::string WithTypeExtension(const std::string& name, SaveType type);

// What a confirmed name and type write: a name ending in an output format's
// extension (any case) that format, of the chosen type when it has that
// format, else of the format's own type (a PNG black on white); with any
// other extension, or none, the chosen type under the name with the type's
// extension in its place.
struct SaveTarget {
    std::string path;
    SaveType type;
};
SaveTarget TargetOf(const std::string& name, SaveType chosen);
