// Which programs hold a file open, where the system can tell: the Restart Manager of Windows
// Vista and later, looked up when it is needed, so that the program still starts without it.
#pragma once

#include <cstddef>

// The names of the programs that hold the file at path, separated by "、", into names (cut at
// size). False when the system cannot tell (no Restart Manager) or names none.
bool NameFileHolders(const char* path, char* names, size_t size);
