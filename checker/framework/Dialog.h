// Modal dialogs from templates with member handlers. A derived dialog overrides the hooks it
// needs and lists its button handlers in a command map:
//
//     const Dialog::CommandEntry* MainDialog::CommandMap() const {
//         static const CommandEntry map[] = {Command(1003, &MainDialog::OnCheckButton), {}};
//         return map;
//     }
#pragma once

#include <windows.h>

class Dialog {
public:
    using CommandHandler = void (Dialog::*)();
    struct CommandEntry {
        int id;
        CommandHandler handler;
    };

    Dialog(UINT templateId, HWND parent);
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Runs the dialog modally; returns the result given to EndDialog, or -1 when the template
    // cannot be loaded.
    INT_PTR DoModal();
    HWND Window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }
    void EndDialog(INT_PTR result);

protected:
    template <class D> static CommandEntry Command(int id, void (D::*handler)()) {
        return {id, static_cast<CommandHandler>(handler)};
    }

    // The map of button ids to handlers, ended by an entry with id 0.
    virtual const CommandEntry* CommandMap() const { return nullptr; }

    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    virtual void OnDestroy() {}
    // Return true when handled; false leaves the command to the system.
    virtual bool OnSysCommand(UINT command, LPARAM param);
    // Return true when the window was painted; false leaves it to default painting.
    virtual bool OnPaint() { return false; }
    virtual HICON OnQueryDragIcon() { return nullptr; }
    // A control's notification other than a click (a list box's double click); true when
    // handled.
    virtual bool OnNotice(int /*id*/, int /*code*/) { return false; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCommand(int id, int code);

    UINT templateId_;
    HWND parent_;
    HWND window_ = nullptr;
};
