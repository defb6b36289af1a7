// Copying the product's files and registering it for uninstalling.
#include "copy/CopySteps.h"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "base/ExitCodes.h"
#include "base/Handles.h"
#include "base/SetupContext.h"
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

void SetStringValue(HKEY key, const char* name, const char* text) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
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
    }
    if (made) {
        // A read-only or hidden source must not make an installed file that resists updates.
        SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
        return StepOutcome::kDone;
    }
    if (why == ERROR_SHARING_VIOLATION || why == ERROR_LOCK_VIOLATION) {
        FormatText(error.text, sizeof error.text,
                   "%s は他のプロセスが使用中のため上書きできません。", target);
        return StepOutcome::kInUse;
    }
    if (why == ERROR_FILE_EXISTS) {
        return StepOutcome::kDone;
    }
    // The message names what is the trouble: the source when it is not there to copy, else the
    // target. Looked up only now: a lookup a file costs an installation of many files.
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

int LastInstallStep() {
    return SetupContext.fileCount + 3;
}

StepOutcome RunInstallStep(int step, InstallJournal& journal, ErrorText& error) {
    const int last = LastInstallStep();
    if (step == 0) {
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
    if (!MakeShortcuts(error, journal)) {
        return StepOutcome::kLinkFailed;
    }
    RegisterUninstall();
    return StepOutcome::kDone;
}

void RegisterUninstall() {
    char keyPath[sizeof kUninstallKey + kSettingSize];
    char command[2 * kPathSize + 8];
    if (!FormatText(keyPath, sizeof keyPath, "%s%s", kUninstallKey, SetupContext.folderName) ||
        !ComposeUninstallString(command, sizeof command, SetupContext.installFolder,
                                SetupContext.exeName)) {
        return;
    }
    RegKey key;
    if (!key.Create(HKEY_LOCAL_MACHINE, keyPath, KEY_WRITE)) {
        return;
    }
    SetStringValue(key.Get(), "DisplayName", SetupContext.title);
    SetStringValue(key.Get(), "UninstallString", command);
    // The same command with " /s": the removal without a question, for administrators.
    if (AppendText(command, sizeof command, " /s")) {
        SetStringValue(key.Get(), "QuietUninstallString", command);
    }
    WriteInstallRecord(key.Get());
}

int RunQuietInstall() {
    if (RefuseInstallFolder(SetupContext.installFolder, kPathSize)) {
        return kExitBadFolder;
    }
    // Source names in the setup file are relative to the program's folder.
    SetCurrentDirectoryA(SetupContext.programFolder);
    SetupContext.startMenuChosen = true;
    SetupContext.desktopChosen = false;
    InstallJournal journal;
    const int last = LastInstallStep();
    for (int step = 0; step <= last; ++step) {
        ErrorText error;
        switch (RunInstallStep(step, journal, error)) {
        case StepOutcome::kDone:
            continue;
        case StepOutcome::kInUse:
            journal.RollBack();
            return kExitInUse;
        case StepOutcome::kLinkFailed:
            journal.RollBack();
            return kExitLinkFailed;
        case StepOutcome::kCopyFailed:
        case StepOutcome::kFolderFailed:
            journal.RollBack();
            return kExitCopyFailed;
        }
    }
    journal.Commit();
    return kExitDone;
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
