// The program's paths from its own file name (or, in "x" mode, from the installed program's
// path) and the choice of mode by the first character of the command line.
#include "main/StartUp.h"

#include <cstring>

// A program file name always has an extension; a shorter name cannot carry the "INF" in place
// of one and cannot be a program that this installer put in place.
constexpr size_t kShortestName = 3;

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The switch body (after its "/") is word, compared without regard to case.
bool SwitchIs(const char* body, size_t length, const char* word) {
    return IsWordIgnoringCase(body, length, word);
}

// The value of /d= or /LOG=: quoted up to the closing quote, or unquoted to the line's end (a
// path may hold blanks). Moves at past it; false when it is missing or does not fit.
bool TakePathValue(const char*& at, char* folder) {
    if (*at == '"') {
        const char* close = FindCharDbcs(at + 1, '"');
        if (!close || close == at + 1 ||
            !CopyTextPart(folder, kPathSize, at + 1, static_cast<size_t>(close - at - 1)) ||
            static_cast<size_t>(close - at - 1) >= kPathSize) {
            return false;
        }
        at = close + 1;
        return true;
    }
    size_t length = std::strlen(at);
    while (length > 0 && IsBlank(at[length - 1])) {
        --length;
    }
    if (length == 0 || length >= kPathSize || !CopyTextPart(folder, kPathSize, at, length)) {
        return false;
    }
    at += std::strlen(at);
    return true;
}

// Reads the switches into paths, up to the end of the line or to "x", whose program path (the
// rest of the line) goes into source. The mode they name; kBadSwitch with badSwitch filled.
StartMode ReadSwitches(const char* commandLine, StartPaths& paths, const char** source) {
    StartMode mode = StartMode::kWizard;
    for (const char* at = commandLine;;) {
        while (IsBlank(*at)) {
            ++at;
        }
        if (*at == '\0') {
            return mode;
        }
        const char* item = at;
        const bool slashed = *at == '/';
        const char* body = slashed ? at + 1 : at;
        // The uninstall run: "x", one separating character, then the path, blanks and all.
        if (body[0] == 'x' && (body[1] == '\0' || IsBlank(body[1]))) {
            if (body[1] == '\0') {
                return StartMode::kBadTarget;
            }
            *source = body + 2;
            return StartMode::kUninstallRun;
        }
        const char* end = body;
        while (*end != '\0' && !IsBlank(*end) && *end != '=') {
            end += CharLength(end);
        }
        const size_t length = static_cast<size_t>(end - body);
        at = end;
        if (slashed && *end == '=' && SwitchIs(body, length, "d")) {
            ++at;
            if (TakePathValue(at, paths.folder) && (*at == '\0' || IsBlank(*at))) {
                continue;
            }
        } else if (slashed && !paths.logAsked && SwitchIs(body, length, "log")) {
            // /LOG alone: a new file in the temporary folder. Given twice it is refused: which
            // one was meant cannot be told.
            if (*end != '=') {
                paths.logAsked = true;
                continue;
            }
            ++at;
            if (TakePathValue(at, paths.log) && (*at == '\0' || IsBlank(*at))) {
                paths.logAsked = true;
                continue;
            }
        } else if (*end != '=' && slashed && SwitchIs(body, length, "norestart")) {
            continue; // this program never restarts Windows
        } else if (*end != '=' && slashed &&
                   (SwitchIs(body, length, "s") || SwitchIs(body, length, "silent") ||
                    SwitchIs(body, length, "q") || SwitchIs(body, length, "quiet"))) {
            paths.quiet = true;
            continue;
        } else if (*end != '=' && length == 1 && (body[0] == 'r' || body[0] == 'R')) {
            mode = StartMode::kUninstallRequest;
            continue;
        }
        // Named as given, up to its blank (or the whole value of a /d= that went wrong).
        const char* stop = item;
        while (*stop != '\0' && (!IsBlank(*stop) || stop < at)) {
            stop += CharLength(stop);
        }
        CopyTextPart(paths.badSwitch, sizeof paths.badSwitch, item,
                     static_cast<size_t>(stop - item));
        return StartMode::kBadSwitch;
    }
}

// The setup file's name: the program's with its last three characters (a double-byte one whole)
// made "INF", all of it when it has fewer.
void SetupFileNameOf(const char* name, char* setupName, size_t size) {
    const char* starts[3] = {name, name, name};
    for (const char* p = name; *p; p += CharLength(p)) {
        starts[0] = starts[1];
        starts[1] = starts[2];
        starts[2] = p;
    }
    const size_t kept =
        std::strlen(name) >= kShortestName ? static_cast<size_t>(starts[0] - name) : 0;
    CopyTextPart(setupName, size, name, kept);
    AppendText(setupName, size, "INF");
}

// The folder, name and setup file of the program at source; false when they cannot be told or
// do not fit (for the uninstall run, whose path must name a folder and a program).
bool FillProgramPaths(const char* source, bool uninstallRun, StartPaths& paths) {
    char folder[kPathSize];
    char name[kPathSize];
    const char* slash = FindLastCharDbcs(source, '\\');
    if (!slash) {
        if (uninstallRun) {
            return false;
        }
        folder[0] = '\0';
        if (!CopyText(name, sizeof name, source)) {
            return false;
        }
    } else if (!CopyTextPart(folder, sizeof folder, source,
                             static_cast<size_t>(slash + 1 - source)) ||
               !CopyText(name, sizeof name, slash + 1)) {
        return false;
    }
    if (uninstallRun && std::strlen(name) < kShortestName) {
        return false;
    }
    char setupName[kPathSize];
    SetupFileNameOf(name, setupName, sizeof setupName);
    // In "x" mode folder and name come from a command line of any length: a setup file path
    // that does not fit would be cut to name another file.
    char setupPath[kPathSize];
    if (!CopyText(setupPath, sizeof setupPath, folder) ||
        !AppendText(setupPath, sizeof setupPath, setupName)) {
        return false;
    }
    CopyText(paths.programFolder, kPathSize, folder);
    CopyText(paths.exeName, kPathSize, name);
    CopyText(paths.setupFileName, kPathSize, setupName);
    CopyText(paths.setupFilePath, kPathSize, setupPath);
    return true;
}

} // namespace

StartMode ResolveStartPaths(const char* commandLine, const char* modulePath, StartPaths& paths) {
    paths.quiet = false;
    paths.folder[0] = '\0';
    paths.logAsked = false;
    paths.log[0] = '\0';
    paths.badSwitch[0] = '\0';
    const char* source = modulePath;
    const StartMode mode = ReadSwitches(commandLine, paths, &source);
    if (mode == StartMode::kBadTarget || mode == StartMode::kBadSwitch) {
        return mode;
    }
    if (!FillProgramPaths(source, mode == StartMode::kUninstallRun, paths)) {
        return StartMode::kBadTarget;
    }
    return mode;
}
