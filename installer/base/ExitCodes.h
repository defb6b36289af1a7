// The program's exit codes. The wizard always ends with 1; the unattended modes (/s) with one of
// these, so that a script can tell what happened.
#pragma once

enum ExitCode {
    kExitDone = 0,            // installed, or removed (files the user made may stay)
    kExitWizard = 1,          // the wizard or the uninstall dialog ran
    kExitBadSwitch = 2,       // an unknown switch, or one without its value
    kExitBadSetupFile = 3,    // the setup file is missing or damaged
    kExitBadFolder = 4,       // the installation folder given cannot be installed into
    kExitCopyFailed = 5,      // a file could not be copied, or a folder made: undone
    kExitInUse = 6,           // a file held by a running program could not be replaced: undone
    kExitLinkFailed = 7,      // the shortcuts could not be made: undone
    kExitLeftBehind = 8,      // the uninstallation could not remove everything of the product
    kExitNotStarted = 9,      // the uninstallation's copy in the system folder did not start
    kExitNewerInstalled = 10, // a newer version of the product is installed: nothing changed
    kExitLogFailed = 11,      // the /LOG file cannot be written: nothing done
    // Installed; files held by running programs are replaced when Windows next starts. The code
    // deployment tools read as success with a restart to come.
    kExitRestartNeeded = 3010,
};
