// The communication log: list box 1010 of the main dialog, one line per event of a check run.
#pragma once

#include <windows.h>

// Adds a line at the end of the log; each line of a text with line breaks becomes a line.
void AppendLog(HWND log, const char* text);
// Selects the last line, which scrolls it into view.
void ShowLastLogLine(HWND log);
// Writes every line of the log, in order, each ending in CR LF, into a new or emptied file.
// Lines are written whole, however long. False when the file cannot be created or written.
bool WriteLogFile(HWND log, const char* path);
