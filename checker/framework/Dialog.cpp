// One dialog procedure for every dialog: it keeps the object in the window's user data and
// forwards to the object's hooks and command map.
#include "framework/Dialog.h"

#include "framework/Application.h"

Dialog::Dialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

INT_PTR Dialog::DoModal() {
    const HINSTANCE instance =
        Application::Current() ? Application::Current()->Instance() : GetModuleHandleA(nullptr);
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId_), parent_, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void Dialog::EndDialog(INT_PTR result) {
    ::EndDialog(window_, result);
}

bool Dialog::OnSysCommand(UINT, LPARAM) {
    return false;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->window_ = window;
        SetWindowLongPtrA(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self) {
        return FALSE;
    }
    const INT_PTR result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->window_ = nullptr;
    }
    return result;
}

INT_PTR Dialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_SYSCOMMAND:
        if (OnSysCommand(static_cast<UINT>(wParam), lParam)) {
            SetWindowLongPtrA(window_, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        return FALSE;
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    default:
        return FALSE;
    }
}

bool Dialog::OnCommand(int id, int code) {
    // Buttons report a click (as menus do, with code 0); other notifications, such as a list
    // box's change of selection, are not commands.
    if (code != BN_CLICKED) {
        return OnNotice(id, code);
    }
    if (const CommandEntry* entry = CommandMap()) {
        for (; entry->id != 0; ++entry) {
            if (entry->id == id) {
                (this->*entry->handler)();
                return true;
            }
        }
    }
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}
