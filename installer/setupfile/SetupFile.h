// The setup file beside the program (its own name with "INF"): the product's settings, the
// numbered file and group entries, and the folder of an earlier installation.
#pragma once

#include <cstddef>

#include "setupfile/EntryText.h"

// Uninstall entries of installed programs, below HKEY_LOCAL_MACHINE; the product's key is this
// followed by its folder name.
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The folder of the earlier installation that the uninstall entry of the product's folder name
// registered (its UninstallString's folder, with its backslash); false when there is none.
bool EarlierInstallFolder(char* folder, size_t size);

// One value of the setup file, at most size - 1 characters; empty when it is missing.
void ReadSetupValue(const char* section, const char* key, char* value, size_t size);

// The sections whose numbered entries are lists.
enum class EntryList { kInstall, kGroup, kReg };

// Reads a list whole, once: its section in one go, the first of each numbered key counting, as
// for the profile reader. ReadSettings reads [Install] and [Group], the uninstallation [Reg].
void ReadEntryList(EntryList list);

// Entry n (from 1) of a list, at most size - 1 characters; empty when it is missing. The lists
// are read whole once (ReadEntryList, or here when the setup file was not read yet), so that a
// setup file of many entries is not searched again for each one.
void ReadListValue(EntryList list, int n, char* value, size_t size);

// Reads the settings into SetupContext: title, folderName, resident, installFolder, fileCount,
// groupCount. False, without a message, when "Title" or "Folder" is empty or the file is missing.
bool ReadSettings();

// ReadSettings, showing the damaged-file message when it fails, and a message naming "Title" or
// "Folder" when either is no plain name (it names the product's folder, links and keys).
bool LoadSettings();

// Before an installation: every numbered [Install] entry confined to its folders and every
// [Group] name a plain name. Otherwise shows a message naming the first entry that is not, and
// returns false.
bool CheckSetupEntries();

// Loads file entry n into entryName, entryTarget and entryRelative: -1 is the program file
// itself, 0 the setup file, 1 and up the numbered [Install] entries. entryName comes back empty
// for a missing or empty entry, or one without a source part. An entry whose source or
// destination would leave its folder gets an empty entryTarget (relative 0): nothing is copied
// to it or removed from it.
void LoadFileEntry(int n);

// Loads [Group] entry n into entryName and entryTarget (target and arguments after the name).
// entryName comes back empty for a missing entry, one without a comma or one without a name;
// entryTarget comes back empty for a name that is no plain name, so that no link is made of it.
void LoadGroupEntry(int n);

// Loads the first shortcut of a list: group entry 1 when the shortcuts are the product's own
// [Group], otherwise [Install] entry 1 under the product's title. False, with nothing loaded,
// when there is no [Group] and no main program to point at.
bool LoadFirstShortcut(bool grouped);
