// The start-up's paths into SetupContext, and the kind of shell.
#include "main/StartUp.h"

#include "base/SetupContext.h"

StartMode ResolveStart(const char* commandLine) {
    StartPaths paths;
    const StartMode mode = ResolveStartPaths(commandLine, SetupContext.modulePath, paths);
    if (mode == StartMode::kBadTarget) {
        return mode;
    }
    if (mode == StartMode::kBadSwitch) {
        SetupContext.quiet = paths.quiet; // a /s before it: no box for a script to wait on
        CopyText(SetupContext.badSwitch, sizeof SetupContext.badSwitch, paths.badSwitch);
        return mode;
    }
    SetupContext.quiet = paths.quiet;
    CopyText(SetupContext.givenFolder, kPathSize, paths.folder);
    SetupContext.logAsked = paths.logAsked;
    CopyText(SetupContext.givenLog, kPathSize, paths.log);
    CopyText(SetupContext.programFolder, kPathSize, paths.programFolder);
    CopyText(SetupContext.exeName, kPathSize, paths.exeName);
    CopyText(SetupContext.setupFileName, kPathSize, paths.setupFileName);
    CopyText(SetupContext.setupFilePath, kPathSize, paths.setupFilePath);
    return mode;
}

bool IsNewShell(unsigned long packedVersion) {
    return (packedVersion & 0xFF) >= 4;
}
