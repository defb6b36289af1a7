// The copy page and its steps: the step runner, copying one entry, the uninstall entry, and the
// progress bar's figures.
#pragma once

#include <windows.h>

#include "entry/Text.h"

// The wizard's last page, which runs the steps.
INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the copy step that copyStep names on the copy page (messageOwner), moves the bar, and
// posts the page the command for the next step, or offers Finish after the last one. A step
// that fails shows why, owned by the page, and the run goes on.
void RunCopyStep();

// Copies the entry last loaded by LoadFileEntry to its target, making the target's sub-folders
// first. False, with why in error, when it could not.
bool CopyEntryFile(ErrorText& error);

// Registers the product for uninstalling: its name and the command that removes it, under the
// local machine's Uninstall key. A failure is silent.
void RegisterUninstall();

// The progress bar's range has a 16-bit upper limit. For a run whose last step is lastStep:
// the upper limit, and the position after stepsDone steps, scaled when lastStep is beyond the
// limit so that the bar still ends full.
int ProgressUpper(int lastStep);
int ProgressPosition(int stepsDone, int lastStep);
