// The copy page and its steps: the step runner, copying one entry, the uninstall entry, and the
// progress bar's figures.
#pragma once

#include <windows.h>

#include "base/Text.h"

// The wizard's last page, which runs the steps.
INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

class InstallJournal;

// How a step ended. Each failure has an exit code of its own in the unattended installation.
enum class StepOutcome {
    kDone,
    kInUse,        // a file to overwrite is held by a running program: trying again may help
    kCopyFailed,   // a file could not be copied (its source missing, its target in the way)
    kFolderFailed, // a folder, or the installation log, could not be made
    kLinkFailed,   // the folder of the product's shortcuts could not be made
};

// Steps are numbered 0 to fileCount + 3: the folder, the program, its setup file, each product
// file, then shortcuts and registration.
int LastInstallStep();

// Runs one step, without a window: what it makes goes through journal, which step 0 opens.
// A failure puts why into error; nothing of the step is left half-made.
StepOutcome RunInstallStep(int step, InstallJournal& journal, ErrorText& error);

// The unattended installation (/s): into installFolder (given with /d=, else the one the setup
// file and an earlier installation name), with the shortcuts the shortcut page offers at first;
// no window, no question. A failure undoes the installation. Returns the exit code.
int RunQuietInstall();

// Runs the copy step that copyStep names on the copy page (messageOwner), moves the bar, and
// posts the page the command for the next step, or offers Finish after the last one. A step
// that fails shows why, owned by the page, offering to try again where that can help; a failure
// that is not tried again ends the installation as failed and undone.
void RunCopyStep();

// Copies the entry last loaded by LoadFileEntry to its target, making the target's sub-folders
// first, through journal when one is given. kDone, or why in error.
StepOutcome CopyEntryFile(ErrorText& error, InstallJournal* journal = nullptr);

// Registers the product for uninstalling: its name and the command that removes it, under the
// local machine's Uninstall key. A failure is silent.
void RegisterUninstall();

// The progress bar's range has a 16-bit upper limit. For a run whose last step is lastStep:
// the upper limit, and the position after stepsDone steps, scaled when lastStep is beyond the
// limit so that the bar still ends full.
int ProgressUpper(int lastStep);
int ProgressPosition(int stepsDone, int lastStep);
