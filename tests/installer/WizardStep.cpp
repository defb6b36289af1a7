// Moves a running installer's wizard one step, for scripts that look at it (tools/): waits for
// the wizard, presses Next or Cancel, opens or closes the browse dialog, waits for the copy to
// finish or presses Finish, and prints the rectangle of the window on top so that a screenshot
// can be cut to it. The same for Vexilo's main window and for the uninstall dialog (after its
// confirmation is answered with OK, once the removal has ended), for the same pictures. "hold"
// keeps a file open for 20 s, as a running program would; "restart" answers the message about
// such a file with Ignore and waits for the copy to finish.
//
//   wizard_step wait|next|browse|close-browse|finished|failed|restart|finish|cancel|vexilo|
//               vexilo-sources|choose-source|close-vexilo|uninstall|close-uninstall|hold PATH
#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>

#include <cstdio>
#include <cstring>

#include "WinDriver.h"

namespace {

HWND WaitWithControl(int id) {
    return driver::WaitForDialogWithItem(0, id, 15000);
}

HWND CurrentPage(HWND frame) {
    return reinterpret_cast<HWND>(SendMessageA(frame, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int PrintRect(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    std::printf("%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left,
                rect.top);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const char* step = argc > 1 ? argv[1] : "";
    if (std::strcmp(step, "hold") == 0 && argc > 2) {
        HANDLE file = CreateFileA(argv[2], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        Sleep(20000);
        CloseHandle(file);
        return file == INVALID_HANDLE_VALUE ? 1 : 0;
    }
    if (std::strcmp(step, "uninstall") == 0 || std::strcmp(step, "close-uninstall") == 0) {
        if (step[0] == 'u' && !driver::AnswerMessageBox(0, IDOK, 15000)) {
            std::fprintf(stderr, "wizard_step: no confirmation\n");
            return 1;
        }
        HWND dialog = WaitWithControl(1010); // the outcome text
        HWND done = dialog ? GetDlgItem(dialog, IDCANCEL) : nullptr;
        if (!done || !driver::WaitUntil([&] { return IsWindowEnabled(done) != FALSE; }, 30000)) {
            std::fprintf(stderr, "wizard_step: the removal did not end\n");
            return 1;
        }
        if (step[0] == 'c') {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return 0;
        }
        Sleep(300);
        return PrintRect(dialog);
    }
    if (std::strncmp(step, "vexilo", 6) == 0 || std::strcmp(step, "close-vexilo") == 0 ||
        std::strcmp(step, "choose-source") == 0) {
        HWND main = WaitWithControl(1003); // "チェック開始(&G)"
        if (!main) {
            std::fprintf(stderr, "wizard_step: no Vexilo window\n");
            return 1;
        }
        if (step[0] == 'c' && step[1] == 'l') {
            PostMessageA(main, WM_COMMAND, IDOK, 0);
            return 0;
        }
        // The choice of a source after "自動参照": shown with its second line chosen, then
        // taken, and the main window shown with it.
        if (std::strcmp(step, "vexilo-sources") == 0) {
            driver::Click(main, 1002);
            HWND sources = WaitWithControl(1100);
            if (!sources) {
                std::fprintf(stderr, "wizard_step: no choice of sources\n");
                return 1;
            }
            SendDlgItemMessageA(sources, 1100, LB_SETCURSEL, 1, 0);
            Sleep(300);
            return PrintRect(sources);
        }
        if (step[0] == 'c') {
            HWND sources = driver::FindDialogWithItem(0, 1100);
            if (sources) {
                driver::Click(sources, IDOK);
                driver::WaitUntil([&] { return !IsWindow(sources); }, 5000);
            }
        }
        Sleep(300);
        return PrintRect(main);
    }
    HWND frame = WaitWithControl(0x3024); // the wizard's Next button
    if (!frame) {
        std::fprintf(stderr, "wizard_step: no wizard\n");
        return 1;
    }
    if (std::strcmp(step, "next") == 0) {
        HWND page = CurrentPage(frame);
        PostMessageA(frame, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        driver::WaitUntil([&] { return CurrentPage(frame) != page; }, 5000);
    } else if (std::strcmp(step, "finished") == 0 || std::strcmp(step, "failed") == 0 ||
               std::strcmp(step, "restart") == 0) {
        // A failed installation first says why in a box of its own; a file in use asks.
        const bool asks = step[1] == 'a' || step[0] == 'r';
        if (asks && !driver::AnswerMessageBox(0, step[0] == 'r' ? IDIGNORE : IDOK, 30000)) {
            std::fprintf(stderr, "wizard_step: no message was shown\n");
            return 1;
        }
        HWND finish = GetDlgItem(frame, 0x3025);
        if (!driver::WaitUntil([&] { return IsWindowVisible(finish) && IsWindowEnabled(finish); },
                               30000)) {
            std::fprintf(stderr, "wizard_step: the copy did not finish\n");
            return 1;
        }
    } else if (std::strcmp(step, "finish") == 0) {
        PostMessageA(frame, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        driver::WaitUntil([&] { return !IsWindow(frame); }, 10000);
        return 0;
    } else if (std::strcmp(step, "cancel") == 0) {
        PostMessageA(frame, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        return 0;
    } else if (std::strcmp(step, "browse") == 0) {
        driver::Click(CurrentPage(frame), 1002);
        HWND browse = WaitWithControl(lst2);
        return browse ? PrintRect(browse) : 1;
    } else if (std::strcmp(step, "close-browse") == 0) {
        HWND browse = driver::FindDialogWithItem(0, lst2);
        if (browse) {
            PostMessageA(browse, WM_COMMAND, IDCANCEL, 0);
            driver::WaitUntil([&] { return !IsWindow(browse); }, 5000);
        }
    } else if (std::strcmp(step, "wait") != 0) {
        std::fprintf(stderr,
                     "usage: wizard_step wait|next|browse|close-browse|finished|failed|restart|finish|"
                     "cancel|vexilo|vexilo-sources|choose-source|close-vexilo|uninstall|"
                     "close-uninstall|hold PATH\n");
        return 2;
    }
    Sleep(300); // let the page paint before a screenshot
    return PrintRect(frame);
}
