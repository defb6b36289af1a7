// Shortcuts on a shell with links: ".lnk" files in the folders the shell records.
#pragma once

#include "shortcuts/Shortcuts.h"

// UpdateShortcuts on a shell with links.
bool UpdateShellLinks(ShortcutPlace place, ShortcutUpdate update, ErrorText& error,
                      MadeNotes* made);
