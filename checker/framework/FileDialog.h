// The system's Save As dialog.
#pragma once

#include <windows.h>

#include <cstddef>

// Shows the Save As dialog owned by owner. filter lists description and pattern pairs separated
// by '|' ("Text(*.txt)|*.txt|All(*.*)|*.*|"); defaultExtension is added to a name typed without
// one. On OK the chosen full path is in path (size bytes) and the result is true.
bool SaveFileDialog(HWND owner, const char* filter, const char* defaultExtension, DWORD flags,
                    char* path, size_t size);
