// Shortcuts to the installed program: shell links in the Programs, Desktop and Startup folders,
// or Program Manager groups on a shell that has no links. The installation creates them, the
// uninstallation removes them again, both through UpdateShortcuts, which chooses between the
// two. No windows.h: the text routines are also fuzzed natively.
#pragma once

#include <cstddef>

class MadeNotes;
struct ErrorText;

// Where shortcuts go; each place is a folder the shell records under "Shell Folders".
enum class ShortcutPlace { kPrograms = 0, kDesktop = 1, kStartup = 2 };

enum class ShortcutUpdate { kCreate, kRemove };

// Creates or removes the product's shortcuts in one place: shell links, or Program Manager's
// groups on a shell with major version 3. False, with why in error where one is given, only when
// the folder of the product's own group cannot be made; a place whose folder the shell does not
// know is left alone. Each new link and group folder is told to made, where one is given.
bool UpdateShortcuts(ShortcutPlace place, ShortcutUpdate update, ErrorText* error = nullptr,
                     MadeNotes* made = nullptr);

// True when path lies below one of the shell's places for links (Programs, Desktop, Startup),
// where the installation log's links and groups may be removed.
bool IsInShortcutPlace(const char* path);

// The comma that ends a shortcut's target and begins its arguments, or nullptr. Only the part
// after folder is searched, when target begins with it: an installation folder may hold a comma
// of its own.
char* FindArgumentsComma(char* target, const char* folder);

// The working folder of a program at fullPath: its folder without the trailing backslash, except
// a drive root, which keeps it (D:\viewer.exe gives D:\). False when fullPath names no folder or
// the result does not fit.
bool WorkingFolderOf(const char* fullPath, char* folder, size_t size);
