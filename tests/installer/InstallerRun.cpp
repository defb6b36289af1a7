// Driving the installer's wizard from another process. PSM_PRESSBUTTON is posted: a sent one
// does not end the wizard's dialog loop under Wine.
#include "InstallerRun.h"

#include <commctrl.h>

#include "resource.h"

InstallerRun::InstallerRun(const driver::ScratchFolder& folder, const char* program,
                           const std::string& name)
    : exePath_(folder / (name + ".EXE")), setupPath_(folder / (name + ".INF")) {
    CopyFileA(driver::WindowsPath(program).c_str(), exePath_.c_str(), FALSE);
}

void InstallerRun::WriteSetupFile(const std::string& contents) {
    driver::WriteFileBytes(setupPath_, contents);
}

bool InstallerRun::Start(const std::string& arguments) {
    std::string line = "\"" + exePath_ + "\"";
    if (!arguments.empty()) {
        line += " " + arguments;
    }
    return process_.Start(line);
}

HWND InstallerRun::WaitForWizard(DWORD timeoutMs) {
    frame_ = driver::WaitForDialogWithItem(process_.Id(), 0x3024, timeoutMs); // its Next button
    return frame_;
}

HWND InstallerRun::Page() const {
    return reinterpret_cast<HWND>(SendMessageA(frame_, PSM_GETCURRENTPAGEHWND, 0, 0));
}

int InstallerRun::PageId() const {
    HWND page = Page();
    if (!page) {
        return 0;
    }
    if (GetDlgItem(page, IDC_FOLDER_EDIT)) {
        return kFolderPage;
    }
    if (GetDlgItem(page, IDC_START_MENU)) {
        return kShortcutPage;
    }
    if (GetDlgItem(page, IDC_COPY_PROGRESS)) {
        return kCopyPage;
    }
    return 0;
}

bool InstallerRun::WaitForPage(int id, DWORD timeoutMs) const {
    return driver::WaitUntil([&] { return PageId() == id; }, timeoutMs);
}

void InstallerRun::TypeFolder(const std::string& folder) const {
    SendMessageA(GetDlgItem(Page(), IDC_FOLDER_EDIT), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(folder.c_str()));
}

std::string InstallerRun::Folder() const {
    return driver::ItemText(Page(), IDC_FOLDER_EDIT);
}

void InstallerRun::SetChecked(int id, bool checked) const {
    SendMessageA(GetDlgItem(Page(), id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool InstallerRun::WaitForFinish(DWORD timeoutMs) const {
    return driver::WaitUntil(
        [&] {
            HWND finish = GetDlgItem(frame_, 0x3025);
            return finish && IsWindowVisible(finish) && IsWindowEnabled(finish);
        },
        timeoutMs);
}

DWORD InstallerRun::Finish() {
    PostMessageA(frame_, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    DWORD exitCode = 0;
    if (!process_.Wait(10000, &exitCode)) {
        return 0;
    }
    frame_ = nullptr;
    return exitCode;
}

void InstallerRun::PressNext() const {
    PostMessageA(frame_, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
}

DWORD InstallerRun::Cancel() {
    DWORD exitCode = 0;
    if (frame_) {
        PostMessageA(frame_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }
    if (!process_.Wait(10000, &exitCode)) {
        process_.Kill();
        return 0;
    }
    frame_ = nullptr;
    return exitCode;
}
