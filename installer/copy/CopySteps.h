// The copy page's steps: the step runner, copying one entry, the uninstall entry, and the
// progress bar's figures.
#pragma once

#include <cstddef>

// Runs the copy step that copyStep names on the copy page (messageOwner), moves the bar, and
// posts the page the command for the next step, or offers Finish after the last one.
void RunCopyStep();

// Copies the entry last loaded by LoadFileEntry to its target, making the target's sub-folders
// first. On failure shows why, owned by SetupContext.messageOwner, and returns false.
bool CopyEntryFile();

// Registers the product for uninstalling: its name and the command that removes it, under the
// local machine's Uninstall key. A failure is silent.
void RegisterUninstall();

// The uninstall command: the installed program in double quotes, then " /r". False when it does
// not fit into size bytes.
bool ComposeUninstallString(char* text, size_t size, const char* installFolder,
                            const char* exeName);

// The progress bar's range has a 16-bit upper limit. For a run whose last step is lastStep:
// the upper limit, and the position after stepsDone steps, scaled when lastStep is beyond the
// limit so that the bar still ends full.
int ProgressUpper(int lastStep);
int ProgressPosition(int stepsDone, int lastStep);
