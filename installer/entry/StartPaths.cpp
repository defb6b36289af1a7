// The program's paths from its own file name (or, in "x" mode, from the installed program's
// path) and the choice of mode by the first character of the command line.
#include "entry/StartUp.h"

#include <cstring>

// A program file name always has an extension; a shorter name cannot carry the "INF" in place
// of one and cannot be a program that this installer put in place.
constexpr size_t kShortestName = 3;

StartMode ResolveStartPaths(const char* commandLine, const char* modulePath, StartPaths& paths) {
    const char* argument = commandLine;
    if (*argument == '/') {
        ++argument;
    }
    const bool uninstallRun = argument[0] == 'x';
    const char* source = modulePath;
    if (uninstallRun) {
        if (argument[1] == '\0') {
            return StartMode::BadTarget;
        }
        source = argument + 2; // after the "x" and one separating character
    }

    char folder[kPathSize];
    char name[kPathSize];
    const char* slash = FindLastCharDbcs(source, '\\');
    if (!slash) {
        if (uninstallRun) {
            return StartMode::BadTarget;
        }
        folder[0] = '\0';
        if (!CopyText(name, sizeof name, source)) {
            return StartMode::BadTarget;
        }
    } else if (!CopyTextPart(folder, sizeof folder, source,
                             static_cast<size_t>(slash + 1 - source)) ||
               !CopyText(name, sizeof name, slash + 1)) {
        return StartMode::BadTarget;
    }
    const size_t nameLength = std::strlen(name);
    if (uninstallRun && nameLength < kShortestName) {
        return StartMode::BadTarget;
    }

    CopyText(paths.programFolder, kPathSize, folder);
    CopyText(paths.exeName, kPathSize, name);
    if (nameLength >= kShortestName) {
        CopyText(paths.setupFileName, kPathSize, name);
        std::memcpy(paths.setupFileName + nameLength - 3, "INF", 3);
    } else {
        CopyText(paths.setupFileName, kPathSize, "INF");
    }
    // Both parts come from one path of at most 259 characters, so the join always fits.
    CopyText(paths.setupFilePath, kPathSize, paths.programFolder);
    AppendText(paths.setupFilePath, kPathSize, paths.setupFileName);

    switch (argument[0]) {
    case 'R':
    case 'r':
        return StartMode::UninstallRequest;
    case 'x':
        return StartMode::UninstallRun;
    default:
        return StartMode::Wizard;
    }
}
