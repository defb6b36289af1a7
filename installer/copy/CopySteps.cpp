// Copying the product's files and registering it for uninstalling.
#include "copy/CopySteps.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "base/ExitCodes.h"
#include "base/FileHolders.h"
#include "base/Handles.h"
#include "base/RestartRenames.h"
#include "base/SetupContext.h"
#include "copy/EntryDetails.h"
#include "copy/FileVersion.h"
#include "copy/InstallJournal.h"
#include "copy/InstallRecord.h"
#include "setupfile/Folders.h"
#include "setupfile/SetupFile.h"
#include "shortcuts/Shortcuts.h"

namespace {

constexpr int kProgressMost = 0xFFFF;

// Makes the sub-folders of the entry's relative part, level by level, moving entryRelative past
// each one made.
bool EnsureEntryFolders(ErrorText& error, MadeNotes* made) {
    char* target = SetupContext.entryTarget;
    if (SetupContext.entryRelative > std::strlen(target)) {
        return true;
    }
    for (char* slash = FindCharDbcs(target + SetupContext.entryRelative, '\\'); slash;
         slash = FindCharDbcs(slash + 1, '\\')) {
        SetupContext.entryRelative = static_cast<size_t>(slash + 1 - target);
        const char next = slash[1];
        slash[1] = '\0';
        const bool there = EnsureFolder(target, error, made);
        slash[1] = next;
        if (!there) {
            return false;
        }
    }
    return true;
}

// True when source and target name one file that is there: installing into the folder the
// installer runs from leaves the program and its setup file where they are.
bool IsSameFile(const char* source, const char* target) {
    if (GetFileAttributesA(source) == INVALID_FILE_ATTRIBUTES) {
        return false;
    }
    char sourceFull[kPathSize];
    char targetFull[kPathSize];
    const DWORD sourceLength = GetFullPathNameA(source, sizeof sourceFull, sourceFull, nullptr);
    const DWORD targetLength = GetFullPathNameA(target, sizeof targetFull, targetFull, nullptr);
    return sourceLength > 0 && sourceLength < sizeof sourceFull && targetLength > 0 &&
           targetLength < sizeof targetFull && lstrcmpiA(sourceFull, targetFull) == 0;
}

// Makes the links of the places chosen: Startup alone for a resident product, whatever the
// shortcut page would have said. False, with why in error, when a group folder cannot be made.
bool MakeShortcuts(ErrorText& error, InstallJournal& journal) {
    if (SetupContext.resident) {
        return UpdateShortcuts(ShortcutPlace::kStartup, ShortcutUpdate::kCreate, &error, &journal);
    }
    if (SetupContext.startMenuChosen &&
        !UpdateShortcuts(ShortcutPlace::kPrograms, ShortcutUpdate::kCreate, &error, &journal)) {
        return false;
    }
    return !SetupContext.desktopChosen ||
           UpdateShortcuts(ShortcutPlace::kDesktop, ShortcutUpdate::kCreate, &error, &journal);
}

// The file there has a higher version than the one offered: it stays, unless the user chose to
// install an older version. Looked at only for a file that is there.
bool KeepsThere(const char* source, const char* target, InstallJournal* journal) {
    VersionNumber offered = 0;
    VersionNumber there = 0;
    if (SetupContext.downgrade || !FileVersionOf(source, &offered) ||
        !FileVersionOf(target, &there) || !KeepsHigherVersion(&offered, &there)) {
        return false;
    }
    if (journal) {
        char thereText[32];
        char offeredText[32];
        FormatVersionNumber(there, thereText, sizeof thereText);
        FormatVersionNumber(offered, offeredText, sizeof offeredText);
        journal->Diagnostics().Note("新しいバージョンを残しました: %s (%s、提供されたものは %s)",
                                    target, thereText, offeredText);
    }
    return true;
}

// Why a copy failed, naming what is the trouble: the source when it is not there to copy, else
// the target. Looked up only now: a lookup a file costs an installation of many files.
StepOutcome CopyFailure(const char* source, const char* target, DWORD why, ErrorText& error) {
    error.code = why;
    if (why == ERROR_SHARING_VIOLATION || why == ERROR_LOCK_VIOLATION) {
        FormatText(error.text, sizeof error.text,
                   "%s は他のプロセスが使用中のため上書きできません。", target);
        return StepOutcome::kInUse;
    }
    if (LookUpPath(source) != PathKind::kFile) {
        FormatText(error.text, sizeof error.text, "%s のコピーに失敗しました。", source);
    } else if (LookUpPath(target) == PathKind::kFolder) {
        FormatText(error.text, sizeof error.text,
                   "%s - 同じ名前のフォルダが既に存在するのでファイルがコピーできません。", target);
    } else {
        FormatText(error.text, sizeof error.text, "%s のコピーに失敗しました。", target);
    }
    return StepOutcome::kCopyFailed;
}

} // namespace

StepOutcome CopyEntryFile(ErrorText& error, InstallJournal* journal) {
    if (!EnsureEntryFolders(error, journal)) {
        return StepOutcome::kFolderFailed;
    }
    const char* source = SetupContext.entryName;
    const char* target = SetupContext.entryTarget;
    if (IsSameFile(source, target)) {
        return StepOutcome::kDone;
    }
    // A new file is made with CopyFile's refusal to overwrite, which tells whether it was there:
    // a lookup before each copy costs an installation of many files (Wine searches the folder
    // for a name that is missing). Its line is in the log before it is made.
    if (journal && !journal->LogFile(target, error)) {
        return StepOutcome::kFolderFailed;
    }
    bool made = CopyFileA(source, target, TRUE) != FALSE;
    DWORD why = made ? ERROR_SUCCESS : GetLastError();
    if (made) {
        if (journal) {
            journal->MadeFile(target);
        }
    } else if (why == ERROR_FILE_EXISTS || why == ERROR_ALREADY_EXISTS) {
        if (KeepsThere(source, target, journal)) {
            return StepOutcome::kDone;
        }
        // There: its bytes are kept aside before it is overwritten.
        if (journal && !journal->KeepEarlier(target, error)) {
            if (LookUpPath(target) == PathKind::kFolder) {
                FormatText(error.text, sizeof error.text,
                           "%s - 同じ名前のフォルダが既に存在するのでファイルがコピーできません。",
                           target);
                return StepOutcome::kCopyFailed;
            }
            return journal->WasInUse() ? StepOutcome::kInUse : StepOutcome::kCopyFailed;
        }
        made = CopyFileA(source, target, FALSE) != FALSE;
        why = made ? ERROR_SUCCESS : GetLastError();
        if (journal && (why == ERROR_SHARING_VIOLATION || why == ERROR_LOCK_VIOLATION)) {
            journal->Untouched(target);
        }
    }
    if (!made && why != ERROR_FILE_EXISTS) {
        return CopyFailure(source, target, why, error);
    }
    // A read-only or hidden source must not make an installed file that resists updates.
    SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
    if (journal) {
        journal->Diagnostics().Note("コピー: %s -> %s", source, target);
    }
    return StepOutcome::kDone;
}

bool CanDeferStep(int step, StepOutcome outcome) {
    // The program and its setup file are what the removal reads: they must be the new ones now.
    return outcome == StepOutcome::kInUse && step >= 3 && step < LastInstallStep();
}

StepOutcome DeferEntryFile(ErrorText& error, InstallJournal& journal) {
    const char* source = SetupContext.entryName;
    const char* target = SetupContext.entryTarget;
    char folder[kPathSize];
    char staged[kPathSize];
    const char* slash = FindLastCharDbcs(target, '\\');
    // The new file waits beside the old one, on the same drive, under a name of its own.
    if (!slash ||
        !CopyTextPart(folder, sizeof folder, target, static_cast<size_t>(slash - target)) ||
        GetTempFileNameA(folder, "new", 0, staged) == 0) {
        error.code = GetLastError();
        FormatText(error.text, sizeof error.text, "%s の置き換えを準備できません。", target);
        return StepOutcome::kInUse;
    }
    // Logged before it holds anything, like every file; undone, it goes again.
    const bool logged = journal.LogFile(staged, error);
    if (!logged || !CopyFileA(source, staged, FALSE) || !ReplaceAtRestart(staged, target)) {
        error.code = logged ? GetLastError() : error.code;
        DeleteFileA(staged);
        FormatText(error.text, sizeof error.text,
                   "%s は他のプロセスが使用中のため上書きできません。Windowsの次回起動時に"
                   "置き換える予約もできませんでした。",
                   target);
        return StepOutcome::kInUse;
    }
    SetFileAttributesA(staged, FILE_ATTRIBUTE_NORMAL);
    journal.Deferred(target, staged);
    return StepOutcome::kDone;
}

int LastInstallStep() {
    return SetupContext.fileCount + 3;
}

StepOutcome RunInstallStep(int step, InstallJournal& journal, ErrorText& error) {
    const int last = LastInstallStep();
    if (step == 0) {
        journal.Diagnostics().Note("インストール先: %s", SetupContext.installFolder);
        if (!EnsureFolderPath(SetupContext.installFolder, error, &journal) ||
            !journal.Open(error)) {
            return StepOutcome::kFolderFailed;
        }
        return StepOutcome::kDone;
    }
    if (step < last) {
        // Step 1 is the program itself (entry -1), step 2 its setup file (entry 0).
        LoadFileEntry(step - 2);
        return CopyEntryFile(error, &journal);
    }
    journal.Diagnostics().Note("ショートカットと登録");
    if (!MakeShortcuts(error, journal)) {
        return StepOutcome::kLinkFailed;
    }
    RegisterUninstall(journal);
    return StepOutcome::kDone;
}

void RegisterUninstall(InstallJournal& journal) {
    RunLog& log = journal.Diagnostics();
    char keyPath[sizeof kUninstallKey + kSettingSize];
    char command[2 * kPathSize + 8];
    if (!FormatText(keyPath, sizeof keyPath, "%s%s", kUninstallKey, SetupContext.folderName) ||
        !ComposeUninstallString(command, sizeof command, SetupContext.installFolder,
                                SetupContext.exeName)) {
        return;
    }
    RegKey key;
    if (!key.Create(HKEY_LOCAL_MACHINE, keyPath, KEY_WRITE)) {
        log.Failure(GetLastError(), "HKEY_LOCAL_MACHINE\\%s を作成できません。", keyPath);
        return;
    }
    SetTextValue(key.Get(), "DisplayName", SetupContext.title);
    SetTextValue(key.Get(), "UninstallString", command);
    // The same command with " /s": the removal without a question, for administrators.
    if (AppendText(command, sizeof command, " /s")) {
        SetTextValue(key.Get(), "QuietUninstallString", command);
    }
    WriteInstallRecord(key.Get());
    // The main program's version as it will be: a file waiting for the restart is the new one.
    EntryDetails details;
    if (SetupContext.fileCount > 0) {
        LoadFileEntry(1);
        details.program = SetupContext.entryTarget;
        const char* staged = journal.StagedFor(SetupContext.entryTarget);
        details.versionFrom = staged ? staged : SetupContext.entryTarget;
    }
    details.kilobytes =
        InstalledKilobytes(SetupContext.installFolder, journal.AsideFolder().c_str());
    WriteEntryDetails(key.Get(), details, log);
    log.Note("アンインストール情報を登録: HKEY_LOCAL_MACHINE\\%s", keyPath);
}

int RunQuietInstall(RunLog& log) {
    if (const char* refusal = RefuseInstallFolder(SetupContext.installFolder, kPathSize)) {
        log.Failure(0, "%s %s", SetupContext.installFolder, refusal);
        return kExitBadFolder;
    }
    // Source names in the setup file are relative to the program's folder.
    SetCurrentDirectoryA(SetupContext.programFolder);
    SetupContext.startMenuChosen = true;
    SetupContext.desktopChosen = false;
    InstallJournal journal;
    journal.Attach(log);
    const int last = LastInstallStep();
    for (int step = 0; step <= last; ++step) {
        ErrorText error;
        StepOutcome outcome = RunInstallStep(step, journal, error);
        if (outcome == StepOutcome::kDone) {
            continue;
        }
        NoteFailure(log, outcome, error);
        if (CanDeferStep(step, outcome)) {
            // Held by a running program: the new file takes its place at the next start.
            outcome = DeferEntryFile(error, journal);
            if (outcome == StepOutcome::kDone) {
                continue;
            }
            log.Failure(error.code, "%s", error.text);
        }
        journal.RollBack();
        switch (outcome) {
        case StepOutcome::kInUse:
            return kExitInUse;
        case StepOutcome::kLinkFailed:
            return kExitLinkFailed;
        default:
            return kExitCopyFailed;
        }
    }
    journal.Commit();
    return journal.RestartNeeded() ? kExitRestartNeeded : kExitDone;
}

void NoteFailure(RunLog& log, StepOutcome outcome, const ErrorText& error) {
    char holders[512];
    if (outcome == StepOutcome::kInUse &&
        NameFileHolders(SetupContext.entryTarget, holders, sizeof holders)) {
        log.Failure(error.code, "%s 使用中のプログラム: %s", error.text, holders);
    } else {
        log.Failure(error.code, "%s", error.text);
    }
}

int ProgressUpper(int lastStep) {
    return lastStep < kProgressMost ? lastStep : kProgressMost;
}

int ProgressPosition(int stepsDone, int lastStep) {
    if (stepsDone >= lastStep) {
        return ProgressUpper(lastStep);
    }
    if (lastStep <= kProgressMost) {
        return stepsDone;
    }
    return static_cast<int>(static_cast<int64_t>(stepsDone) * kProgressMost / lastStep);
}
