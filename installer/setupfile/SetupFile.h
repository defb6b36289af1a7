// The setup file beside the program (its own name with "INF"): the product's settings, the
// numbered file and group entries, and the folder of an earlier installation.
#pragma once

#include <cstddef>

#include "setupfile/EntryText.h"

// Uninstall entries of installed programs, below HKEY_LOCAL_MACHINE; the product's key is this
// followed by its folder name.
constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// One value of the setup file, at most size - 1 characters; empty when it is missing.
void ReadSetupValue(const char* section, const char* key, char* value, size_t size);

// Reads the settings into SetupContext: title, folderName, resident, installFolder, fileCount,
// groupCount. False, without a message, when "Title" or "Folder" is empty or the file is missing.
bool ReadSettings();

// ReadSettings, showing the damaged-file message when it fails.
bool LoadSettings();

// Loads file entry n into entryName, entryTarget and entryRelative: -1 is the program file
// itself, 0 the setup file, 1 and up the numbered [Install] entries. entryName comes back empty
// for a missing or empty entry, or one without a source part.
void LoadFileEntry(int n);

// Loads [Group] entry n into entryName and entryTarget (target and arguments after the name).
// entryName comes back empty for a missing entry, one without a comma or one without a name.
void LoadGroupEntry(int n);
