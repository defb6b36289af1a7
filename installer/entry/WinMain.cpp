// Entry point of the installer and uninstaller: fill SetupContext from the program's own name
// and its setup file, then run the mode that the command line names.
#include <windows.h>

#include "entry/SetupContext.h"
#include "entry/StartUp.h"
#include "entry/Window.h"
#include "setupfile/SetupFile.h"
#include "uninstall/Uninstall.h"
#include "wizard/Wizard.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    SetupContext.instance = instance;
    SetupContext.newShell = IsNewShell(GetVersion());
    GetModuleFileNameA(nullptr, SetupContext.modulePath, kPathSize);
    SetupContext.modulePath[kPathSize - 1] = '\0';

    const StartMode mode = ResolveStart(commandLine ? commandLine : "");
    if (mode == StartMode::BadTarget) {
        // Nothing is read or removed for a target that cannot be an installed program.
        ShowError(nullptr, "アンインストールの対象が正しくありません。");
        return 1;
    }
    if (!LoadSettings()) {
        return 1;
    }
    switch (mode) {
    case StartMode::UninstallRequest:
        RequestUninstall();
        break;
    case StartMode::UninstallRun:
        StartUninstallRun();
        break;
    case StartMode::BadTarget:
        break;
    case StartMode::Wizard:
        // A setup file with an entry that would lead out of its folder installs nothing.
        if (CheckSetupEntries()) {
            RunWizard();
        }
        break;
    }
    return 1;
}
