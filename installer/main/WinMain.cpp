// Entry point of the installer and uninstaller: fill SetupContext from the program's own name
// and its setup file, then run the mode that the command line names.
#include <windows.h>

#include "base/ExitCodes.h"
#include "base/SetupContext.h"
#include "base/Window.h"
#include "copy/CopySteps.h"
#include "main/StartUp.h"
#include "setupfile/SetupFile.h"
#include "uninstall/Uninstall.h"
#include "wizard/Wizard.h"

namespace {

// Never taken for another mode: an unattended installation that runs the wizard, or a mistyped
// switch that uninstalls, would each do what nobody asked for.
int RefuseSwitch() {
    char text[sizeof SetupContext.badSwitch + 128];
    FormatText(text, sizeof text,
               "コマンドラインのスイッチ「%s」は使えません。\n\n使えるスイッチ: /s（画面を出さずに"
               "インストール）、/d=フォルダ（インストール先）、/r（アンインストール）、/r /s"
               "（画面を出さずにアンインストール）",
               SetupContext.badSwitch);
    ShowError(nullptr, text);
    return kExitBadSwitch;
}

// The installation, unattended or through the wizard. The folder a /d= switch names takes the
// place of the one the setup file and an earlier installation gave, here and nowhere else.
int RunInstallation() {
    // A setup file with an entry that would lead out of its folder installs nothing.
    if (!CheckSetupEntries()) {
        return SetupContext.quiet ? kExitBadSetupFile : kExitWizard;
    }
    if (SetupContext.givenFolder[0] != '\0') {
        CopyText(SetupContext.installFolder, kPathSize, SetupContext.givenFolder);
    }
    if (SetupContext.quiet) {
        return RunQuietInstall();
    }
    RunWizard();
    return kExitWizard;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    SetupContext.instance = instance;
    SetupContext.newShell = IsNewShell(GetVersion());
    GetModuleFileNameA(nullptr, SetupContext.modulePath, kPathSize);
    SetupContext.modulePath[kPathSize - 1] = '\0';

    const StartMode mode = ResolveStart(commandLine ? commandLine : "");
    if (mode == StartMode::kBadTarget) {
        // Nothing is read or removed for a target that cannot be an installed program.
        ShowError(nullptr, "アンインストールの対象が正しくありません。");
        return kExitWizard;
    }
    if (mode == StartMode::kBadSwitch) {
        return RefuseSwitch();
    }
    if (!LoadSettings()) {
        return SetupContext.quiet ? kExitBadSetupFile : kExitWizard;
    }
    switch (mode) {
    case StartMode::kUninstallRequest:
        return RequestUninstall();
    case StartMode::kUninstallRun:
        return StartUninstallRun();
    case StartMode::kWizard:
        return RunInstallation();
    case StartMode::kBadTarget:
    case StartMode::kBadSwitch:
        break;
    }
    return kExitWizard;
}
