// The installation log: one line for each file, folder and link an installation made, written
// beside the installed setup file as the copy goes (before each item is made), so that it is
// true even when the installer is ended half-way. Each installation appends to it; the
// uninstallation removes what it lists without asking. No windows.h: the lines are outside
// input once written, and are fuzzed natively.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Extension of the log beside the setup file: SETUP.EXE, SETUP.INF, SETUP.LOG.
constexpr char kLogExtension[] = "LOG";

enum class LogKind {
    kFile,   // F: a file below the installation folder, by its path below it
    kFolder, // D: a folder below the installation folder, by its path below it
    kLink,   // L: a shortcut file, by its full path
    kGroup,  // G: a group folder of shortcuts, by its full path
};

struct LogEntry {
    LogKind kind;
    std::string path;
};

// One line: the kind's letter, a tab, the path, CR LF. False, with nothing written, when the
// path is empty, holds a line end or does not fit into size bytes with the terminator.
bool FormatLogLine(char* line, size_t size, LogKind kind, const char* path);

// The lines of a log that an uninstallation may follow: files and folders by confined paths
// (no drive, no "..", no leading backslash), links and groups by full paths on a drive whose
// every part is a plain name. Every other line (damaged, cut, edited to lead elsewhere) is
// counted in skipped and not followed. Lines longer than a path are skipped whole.
std::vector<LogEntry> ReadLogLines(const char* data, size_t size, size_t* skipped);
