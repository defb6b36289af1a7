// Moving the options between the controls and the words.
#include "ui/Options.h"

#include "resource.h"
#include "text/TextRoutines.h"

namespace {

struct OptionButton {
    int id;
    DWORD mask;
    int shift;
};

const OptionButton kVanishedButtons[] = {
    {IDC_VANISHED_ASK, kVanishedAsk, 0},
    {IDC_VANISHED_RECYCLE, kVanishedRecycle, 2},
    {IDC_VANISHED_LIST, kVanishedList, 4},
    {IDC_VANISHED_NOTHING, kVanishedNothing, 6},
};
const OptionButton kUpdateButtons[] = {
    {IDC_UPDATED_LIST, kUpdatedList, 0},
    {IDC_UPDATED_BROWSER, kUpdatedBrowser, 2},
    {IDC_NO_UPDATE_CHECK, kNoUpdateCheck, 4},
};

template <size_t N> DWORD ReadWord(HWND dialog, const OptionButton (&buttons)[N]) {
    DWORD word = 0;
    for (const OptionButton& button : buttons) {
        const DWORD state = IsDlgButtonChecked(dialog, button.id) == BST_CHECKED ? 1 : 0;
        word |= state << button.shift;
    }
    return word;
}

// Checks a button without touching the others. The version 6 common controls uncheck the rest
// of an automatic radio button's group when one is checked; for that moment the button is a
// plain radio button, so that a word with several fields set shows each of them.
void CheckAlone(HWND dialog, int id, UINT state) {
    const HWND button = GetDlgItem(dialog, id);
    const LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
    const bool autoRadio = (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
    const WPARAM buttonStyle = static_cast<WPARAM>(style & 0xFFFF & ~BS_TYPEMASK);
    if (autoRadio) {
        SendMessageA(button, BM_SETSTYLE, buttonStyle | BS_RADIOBUTTON, FALSE);
    }
    CheckDlgButton(dialog, id, state);
    if (autoRadio) {
        SendMessageA(button, BM_SETSTYLE, buttonStyle | BS_AUTORADIOBUTTON, FALSE);
    }
}

template <size_t N> void ShowWord(HWND dialog, const OptionButton (&buttons)[N], DWORD word) {
    for (const OptionButton& button : buttons) {
        CheckAlone(dialog, button.id, OptionSet(word, button.mask) ? BST_CHECKED : BST_UNCHECKED);
    }
}

// The controls a running check disables, in this order.
const int kRunLockedControls[] = {
    IDC_SAVE_LOG,         IDC_CLEAR_LOG,       IDOK,
    IDC_BROWSE,           IDC_DETECT,          IDC_VANISHED_ASK,
    IDC_VANISHED_RECYCLE, IDC_VANISHED_LIST,   IDC_VANISHED_NOTHING,
    IDC_UPDATED_LIST,     IDC_UPDATED_BROWSER, IDC_NO_UPDATE_CHECK,
    IDC_UPDATE_MOVED,
};

} // namespace

void ReadOptionControls(HWND dialog, CheckerOptions& options) {
    GetDlgItemTextA(dialog, IDC_FOLDER, options.favoritesFolder, sizeof options.favoritesFolder);
    options.vanishedOptions = ReadWord(dialog, kVanishedButtons);
    options.updateOptions = ReadWord(dialog, kUpdateButtons);
    options.updateMoved = IsDlgButtonChecked(dialog, IDC_UPDATE_MOVED) == BST_CHECKED ? 1 : 0;
}

void ShowOptionControls(HWND dialog, const CheckerOptions& options) {
    SetDlgItemTextA(dialog, IDC_FOLDER, options.favoritesFolder);
    ShowWord(dialog, kVanishedButtons, options.vanishedOptions);
    ShowWord(dialog, kUpdateButtons, options.updateOptions);
    CheckDlgButton(dialog, IDC_UPDATE_MOVED, options.updateMoved ? BST_CHECKED : BST_UNCHECKED);
    const BOOL updateChoices = !OptionSet(options.updateOptions, kNoUpdateCheck);
    EnableWindow(GetDlgItem(dialog, IDC_UPDATED_LIST), updateChoices);
    EnableWindow(GetDlgItem(dialog, IDC_UPDATED_BROWSER), updateChoices);
}

void EnableOptionControls(HWND dialog, HWND mainWindow, bool enable) {
    for (int id : kRunLockedControls) {
        EnableWindow(GetDlgItem(dialog, id), enable);
    }
    if (HMENU menu = GetSystemMenu(mainWindow, FALSE)) {
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_DISABLED));
    }
}
