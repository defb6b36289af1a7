// Shortcuts to the installed program: shell links in the Programs, Desktop and Startup folders,
// or Program Manager groups on a shell that has no links. The installation creates them, the
// uninstallation removes them again, both through UpdateShortcuts.
#pragma once

#include <cstddef>

// Where shortcuts go; each place is a folder the shell records under "Shell Folders".
enum class ShortcutPlace { Programs = 0, Desktop = 1, Startup = 2 };

enum class ShortcutUpdate { Create, Remove };

// Creates or removes the product's shortcuts in one place. Reports nothing but the messages of
// EnsureFolder; a place whose folder the shell does not know is left alone.
void UpdateShortcuts(ShortcutPlace place, ShortcutUpdate update);

// The same through Program Manager's DDE commands, for a shell with major version 3.
void UpdateProgmanGroup(ShortcutPlace place, ShortcutUpdate update);

// Rewrites entryTarget ("path" or "path,arguments") as a Program Manager command line: the
// path's short form (the long one when the file has none), a blank and the arguments.
void ShortCommandLine();

// Loads the first shortcut of a list: group entry 1 when the shortcuts are the product's own
// [Group], otherwise [Install] entry 1 under the product's title. False, with nothing loaded,
// when there is no [Group] and no main program to point at.
bool LoadFirstShortcut(bool grouped);

// The comma that ends a shortcut's target and begins its arguments, or nullptr. Only the part
// after folder is searched, when target begins with it: an installation folder may hold a comma
// of its own.
char* FindArgumentsComma(char* target, const char* folder);

// The working folder of a program at fullPath: its folder without the trailing backslash, except
// a drive root, which keeps it (D:\viewer.exe gives D:\). False when fullPath names no folder or
// the result does not fit.
bool WorkingFolderOf(const char* fullPath, char* folder, size_t size);
