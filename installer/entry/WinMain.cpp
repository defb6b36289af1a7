// Entry point of the installer and uninstaller: fill SetupContext from the program's own name
// and its setup file, then run the mode that the command line names.
#include <windows.h>

#include "entry/SetupContext.h"
#include "entry/StartUp.h"
#include "entry/Window.h"
#include "copy/CopySteps.h"
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
        return kExitWizard;
    }
    if (mode == StartMode::BadSwitch) {
        // Never taken for another mode: an unattended installation that runs the wizard, or a
        // mistyped switch that uninstalls, would each do what nobody asked for.
        char text[sizeof SetupContext.badSwitch + 128];
        FormatText(
            text, sizeof text,
            "コマンドラインのスイッチ「%s」は使えません。\n\n使えるスイッチ: /s（画面を出さずに"
            "インストール）、/d=フォルダ（インストール先）、/r（アンインストール）、/r /s"
            "（画面を出さずにアンインストール）",
            SetupContext.badSwitch);
        ShowError(nullptr, text);
        return kExitBadSwitch;
    }
    if (!LoadSettings()) {
        return SetupContext.quiet ? kExitBadSetupFile : kExitWizard;
    }
    switch (mode) {
    case StartMode::UninstallRequest:
        return RequestUninstall();
    case StartMode::UninstallRun:
        return StartUninstallRun();
    case StartMode::BadTarget:
    case StartMode::BadSwitch:
        break;
    case StartMode::Wizard:
        // A setup file with an entry that would lead out of its folder installs nothing.
        if (!CheckSetupEntries()) {
            return SetupContext.quiet ? kExitBadSetupFile : kExitWizard;
        }
        if (SetupContext.quiet) {
            return RunQuietInstall();
        }
        if (SetupContext.givenFolder[0] != '\0') {
            CopyText(SetupContext.installFolder, kPathSize, SetupContext.givenFolder);
        }
        RunWizard();
        break;
    }
    return kExitWizard;
}
