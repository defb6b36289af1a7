// The choice between shell links and Program Manager groups, made once for both directions.
#include "shortcuts/Shortcuts.h"

#include "base/SetupContext.h"
#include "shortcuts/Progman.h"
#include "shortcuts/ShellLinks.h"

bool UpdateShortcuts(ShortcutPlace place, ShortcutUpdate update, ErrorText* error,
                     MadeNotes* made) {
    if (!SetupContext.newShell) {
        UpdateProgmanGroup(place, update);
        return true;
    }
    ErrorText unasked;
    return UpdateShellLinks(place, update, error ? *error : unasked, made);
}
