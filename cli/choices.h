// The C library's lists as the converter words them: every list counted up
// from 0 to the first null name (velmora_style_name, velmora_format_name,
// ...), so that a style or format the library gains is taken and shown
// with no change here.
#pragma once

#include <string>
#include <vector>

// One of the library's lists: the name of each value, null past the last.
using NameOf = const char* (*)(int value);

// The names of a list as an option takes them: "edges|ink".
std::string Alternatives(NameOf nameOf);

// The contrasts as --contrast takes them: "1-16".
std::string ContrastRange();

// The formats for which fact (velmora_format_transparency, ...) is not 0,
// each as word writes it, as a list: "PNG or SVG".
std::string FormatsWhere(int (*fact)(int format), std::string (*word)(int format), const char* last = " or ");

// The words joined as a list: "a", "a or b", "a, b or c" for last " or ".
std::string Joined(const std::vector<std::string>& words, const char* last);

// A format's name as sentences write it: "PNG".
std::string FormatInCapitals(int format);
