// Entry point of the installer and uninstaller: fill SetupContext from the program's own name
// and its setup file, open the diagnostic log asked for, then run the mode that the command line
// names.
#include <windows.h>

#include "base/ExitCodes.h"
#include "base/RunLog.h"
#include "base/SetupContext.h"
#include "base/Window.h"
#include "copy/CopySteps.h"
#include "copy/EntryDetails.h"
#include "main/StartUp.h"
#include "setupfile/SetupFile.h"
#include "uninstall/Uninstall.h"
#include "wizard/Wizard.h"

namespace {

// Never taken for another mode: an unattended installation that runs the wizard, or a mistyped
// switch that uninstalls, would each do what nobody asked for.
int RefuseSwitch() {
    char text[sizeof SetupContext.badSwitch + 256];
    FormatText(text, sizeof text,
               "コマンドラインのスイッチ「%s」は使えません。\n\n使えるスイッチ: /s（画面を出さずに"
               "インストール）、/d=フォルダ（インストール先）、/r（アンインストール）、/r /s"
               "（画面を出さずにアンインストール）、/LOG=ファイル（動作の記録）、/NORESTART",
               SetupContext.badSwitch);
    ShowError(nullptr, text);
    return kExitBadSwitch;
}

// The log /LOG asks for: the file given, or a new one in the temporary folder named after the
// program. False, having said why, when it cannot be written: nothing is done then, since the
// administrator who asked for it would be left without a record.
bool OpenRunLog(RunLog& log) {
    ErrorText error;
    bool opened = false;
    if (SetupContext.givenLog[0] != '\0') {
        opened = log.Open(SetupContext.givenLog, error);
    } else {
        char folder[kPathSize];
        char stem[kPathSize];
        const DWORD length = GetTempPathA(sizeof folder, folder);
        CopyText(stem, sizeof stem, SetupContext.exeName);
        if (char* dot = FindLastCharDbcs(stem, '.')) {
            *dot = '\0';
        }
        opened = length > 0 && length < sizeof folder && log.OpenNew(folder, stem, error);
    }
    if (!opened) {
        ShowError(nullptr, error.text);
    }
    return opened;
}

// An older product over a newer one: refused unattended, asked about (No first) in the wizard;
// a Yes replaces the newer files too. True when the installation may go on.
bool AcceptProductVersion(RunLog& log) {
    char installed[32];
    char offered[32];
    const ProductVerdict verdict = CheckInstalledVersion(installed, offered, sizeof installed);
    if (verdict != ProductVerdict::kOlder) {
        if (verdict != ProductVerdict::kFresh) {
            log.Note("インストール済みのバージョン %s、このバージョン %s", installed, offered);
        }
        return true;
    }
    char text[kSettingSize + 320];
    FormatText(text, sizeof text,
               "%sのより新しいバージョン (%s) がインストールされています。\n\n古いバージョン "
               "(%s) をインストールしますか？ 新しいバージョンのファイルも古いものに置き換えます。",
               SetupContext.title, installed, offered);
    if (SetupContext.quiet || MessageBoxA(nullptr, text, SetupContext.title,
                                          MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        log.Failure(0,
                    "より新しいバージョン %s がインストールされています (このバージョン %s)。"
                    "何も変更しませんでした。",
                    installed, offered);
        return false;
    }
    log.Note("より新しいバージョン %s の上に %s をインストールします。", installed, offered);
    SetupContext.downgrade = true;
    return true;
}

// The installation, unattended or through the wizard. The folder a /d= switch names takes the
// place of the one the setup file and an earlier installation gave, here and nowhere else.
int RunInstallation(RunLog& log) {
    // A setup file with an entry that would lead out of its folder installs nothing.
    if (!CheckSetupEntries()) {
        log.Failure(0, "設定ファイル %s の項目が異常です。", SetupContext.setupFilePath);
        return SetupContext.quiet ? kExitBadSetupFile : kExitWizard;
    }
    if (SetupContext.givenFolder[0] != '\0') {
        CopyText(SetupContext.installFolder, kPathSize, SetupContext.givenFolder);
    }
    if (!AcceptProductVersion(log)) {
        return SetupContext.quiet ? kExitNewerInstalled : kExitWizard;
    }
    if (SetupContext.quiet) {
        return RunQuietInstall(log);
    }
    RunWizard(log);
    return kExitWizard;
}

int RunMode(StartMode mode, RunLog& log) {
    if (!LoadSettings()) {
        log.Failure(0, "設定ファイル %s が破損している、または見つかりません。",
                    SetupContext.setupFilePath);
        return SetupContext.quiet ? kExitBadSetupFile : kExitWizard;
    }
    switch (mode) {
    case StartMode::kUninstallRequest:
        return RequestUninstall(log);
    case StartMode::kUninstallRun:
        return StartUninstallRun(log);
    case StartMode::kWizard:
        return RunInstallation(log);
    case StartMode::kBadTarget:
    case StartMode::kBadSwitch:
        break;
    }
    return kExitWizard;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    SetupContext.instance = instance;
    SetupContext.newShell = IsNewShell(GetVersion());
    GetModuleFileNameA(nullptr, SetupContext.modulePath, kPathSize);
    SetupContext.modulePath[kPathSize - 1] = '\0';

    const char* line = commandLine ? commandLine : "";
    const StartMode mode = ResolveStart(line);
    if (mode == StartMode::kBadTarget) {
        // Nothing is read or removed for a target that cannot be an installed program.
        ShowError(nullptr, "アンインストールの対象が正しくありません。");
        return kExitWizard;
    }
    if (mode == StartMode::kBadSwitch) {
        return RefuseSwitch();
    }
    RunLog log;
    if (SetupContext.logAsked && !OpenRunLog(log)) {
        return SetupContext.quiet ? kExitLogFailed : kExitWizard;
    }
    log.Note("開始: %s %s", SetupContext.modulePath, line);
    const int code = RunMode(mode, log);
    log.Note("終了コード: %d", code);
    return code;
}
