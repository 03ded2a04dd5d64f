// The converter's standard streams when a person is watching them.
#pragma once

#include <cstdio>

// Whether the stream is a terminal (on Windows: a console), where progress
// is shown.
bool IsTerminal(std::FILE* stream);

// Lets a Windows console show the program's UTF-8 output; elsewhere the
// terminal's own encoding applies and nothing is done.
void UseUtf8Console();

// Makes an interrupt (Ctrl+C, SIGINT, SIGTERM, SIGHUP; a console's close or
// Ctrl+Break on Windows) first remove the temporary files being written, then
// end the program as the interrupt would have.
void RemoveTemporaryFilesOnInterrupt();
