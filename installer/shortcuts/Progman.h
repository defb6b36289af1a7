// Program groups on a shell whose Program Manager takes commands over DDE.
#pragma once

#include "shortcuts/Shortcuts.h"

// UpdateShortcuts through Program Manager's DDE commands, for a shell with major version 3.
// Without Program Manager nothing happens.
void UpdateProgmanGroup(ShortcutPlace place, ShortcutUpdate update);

// Rewrites entryTarget ("path" or "path,arguments") as a Program Manager command line: the
// path's short form (the long one when the file has none), a blank and the arguments.
void ShortCommandLine();
