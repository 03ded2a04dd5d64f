// Folders given to the converter as inputs: the picture files in them, and
// with recursion those in the folders below, in the order of their names.
// Paths are UTF-8, as in paths.h.
#pragma once

#include <string>
#include <vector>

// Whether path names a folder (or a link to one).
bool IsFolder(const std::string& path);

// Whether a file of that name is taken from a folder: its extension is that
// of a format the converter reads (.bmp, .jpg, .jpeg or .png, in any letter
// case), and it is no output of an earlier run (NAME-velmora.EXT).
bool IsPictureName(const std::string& name);

// folder and name joined by the platform's separator ('\\' on Windows),
// none added after a folder that ends in one; name alone for no folder.
std::string JoinPath(const std::string& folder, const std::string& name);

// A picture file found in a folder, or a folder that could not be read.
struct Found {
    std::string path;   // the listed folder's path joined with the names below it
    std::string below;  // the folders between the listed one and path, joined; "" in the listed one
    int systemError = 0;  // for a folder that could not be read: the errno value, never 0
};

// The picture files (IsPictureName) in folder, sorted by their names'
// bytes; with recursive, each folder below is listed likewise where its name
// falls among them. Names starting with a dot (hidden) are skipped, and so
// are links to folders, which could lead round in a circle.
std::vector<Found> ListPictures(const std::string& folder, bool recursive);
