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

    // The setup file's name: the program's with its last three characters (a double-byte one
    // whole) made "INF", all of it when it has fewer.
    char setupName[kPathSize];
    const char* starts[3] = {name, name, name};
    for (const char* p = name; *p; p += CharLength(p)) {
        starts[0] = starts[1];
        starts[1] = starts[2];
        starts[2] = p;
    }
    const size_t kept = nameLength >= kShortestName ? static_cast<size_t>(starts[0] - name) : 0;
    CopyTextPart(setupName, sizeof setupName, name, kept);
    AppendText(setupName, sizeof setupName, "INF");
    // In "x" mode folder and name come from a command line of any length: a setup file path
    // that does not fit would be cut to name another file.
    char setupPath[kPathSize];
    if (!CopyText(setupPath, sizeof setupPath, folder) ||
        !AppendText(setupPath, sizeof setupPath, setupName)) {
        return StartMode::BadTarget;
    }

    CopyText(paths.programFolder, kPathSize, folder);
    CopyText(paths.exeName, kPathSize, name);
    CopyText(paths.setupFileName, kPathSize, setupName);
    CopyText(paths.setupFilePath, kPathSize, setupPath);

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
