// The copy page and its steps: the step runner, copying one entry, the uninstall entry, and the
// progress bar's figures.
#pragma once

#include <windows.h>

#include "base/Text.h"

// The wizard's last page, which runs the steps.
INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

class InstallJournal;
class RunLog;

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
// no window, no question; each step in log. A product file held by a running program is
// replaced at the next start of Windows (kExitRestartNeeded). A failure undoes the
// installation. Returns the exit code.
int RunQuietInstall(RunLog& log);

// Runs the copy step that copyStep names on the copy page (messageOwner), moves the bar, and
// posts the page the command for the next step, or offers Finish after the last one. A step
// that fails shows why, owned by the page, offering to try again where that can help; a failure
// that is not tried again ends the installation as failed and undone.
void RunCopyStep();

// Copies the entry last loaded by LoadFileEntry to its target, making the target's sub-folders
// first, through journal when one is given. A target with a higher version than the source (both
// with version resources) stays, unless the user chose an older version (downgrade); that is no
// failure. kDone, or why in error (with the system's code).
StepOutcome CopyEntryFile(ErrorText& error, InstallJournal* journal = nullptr);

// Whether a step that ended so may leave its file to the next start of Windows: a product file
// held by a running program. Never the program or its setup file, which the removal reads.
bool CanDeferStep(int step, StepOutcome outcome);

// For the entry last loaded, whose target a running program holds: copies the source beside the
// target and has it take the target's place when Windows next starts. kDone, or kInUse with why
// in error when the system takes no such request (no rights): then nothing of it is left.
StepOutcome DeferEntryFile(ErrorText& error, InstallJournal& journal);

// Logs why a step failed; for a file held by a running program (the entry last loaded), with
// the programs that hold it where the system can tell.
void NoteFailure(RunLog& log, StepOutcome outcome, const ErrorText& error);

// Registers the product for uninstalling under the local machine's Uninstall key: its name, the
// command that removes it, the record of the installation and the details Windows' list of
// programs shows (EntryDetails.h). A failure is silent but for the journal's diagnostic log.
void RegisterUninstall(InstallJournal& journal);

// The progress bar's range has a 16-bit upper limit. For a run whose last step is lastStep:
// the upper limit, and the position after stepsDone steps, scaled when lastStep is beyond the
// limit so that the bar still ends full.
int ProgressUpper(int lastStep);
int ProgressPosition(int stepsDone, int lastStep);
