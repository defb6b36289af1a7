// Choosing the Favorites folder: the shell's folder chooser, and the shell's own answer for the
// current user's Favorites.
#pragma once

#include <windows.h>

#include <cstddef>

// Shows the shell's folder chooser owned by owner, opening on the folder in path (kFolderSize
// bytes), with the files in the folders. True when the user chose a file-system folder or file,
// whose path is then in path.
bool BrowseForFolder(HWND owner, const char* prompt, char* path);

// The current user's Favorites folder as the shell reports it; false (and path empty) when the
// shell cannot tell.
bool FavoritesFolderPath(char* path, size_t size);
