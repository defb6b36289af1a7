// The choice between shell links and Program Manager groups, made once for both directions.
#include "shortcuts/Shortcuts.h"

#include "entry/SetupContext.h"
#include "shortcuts/Progman.h"
#include "shortcuts/ShellLinks.h"

bool UpdateShortcuts(ShortcutPlace place, ShortcutUpdate update, ErrorText* error) {
    if (!SetupContext.newShell) {
        UpdateProgmanGroup(place, update);
        return true;
    }
    ErrorText unasked;
    return UpdateShellLinks(place, update, error ? *error : unasked);
}
