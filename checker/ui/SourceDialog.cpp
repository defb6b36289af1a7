// The list of sources: tab stops give its columns.
#include "ui/SourceDialog.h"

#include "resource.h"
#include "text/TextRoutines.h"

#include <windows.h>

namespace {

constexpr size_t kLineSize = 1024;

} // namespace

SourceDialog::SourceDialog(HWND parent, const std::vector<FoundSource>& sources,
                           const char* current)
    : Dialog(IDD_SOURCES, parent), sources_(sources), current_(current) {}

BOOL SourceDialog::OnInitDialog() {
    HWND list = Item(IDC_SOURCE_LIST);
    INT tabs[] = {92, 190}; // dialog units: browser, profile, then the count
    SendMessageA(list, LB_SETTABSTOPS, 2, reinterpret_cast<LPARAM>(tabs));
    int selected = 0;
    for (size_t i = 0; i < sources_.size(); ++i) {
        const FoundSource& source = sources_[i];
        char count[64];
        if (!source.problem.empty()) {
            CopyText(count, sizeof count, "読み込めません");
        } else if (!source.date.empty()) {
            FormatText(count, sizeof count, "%d 件（%s）", source.count, source.date.c_str());
        } else {
            FormatText(count, sizeof count, "%d 件", source.count);
        }
        char line[kLineSize];
        FormatText(line, sizeof line, "%s\t%s\t%s", source.browser.c_str(),
                   source.profile.c_str(), count);
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line));
        if (lstrcmpiA(source.setting.c_str(), current_) == 0) {
            selected = static_cast<int>(i);
        }
    }
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
    // Over the window it was asked from, as a question about that window.
    RECT owner;
    RECT own;
    if (HWND parent = GetParent(Window()); parent && GetWindowRect(parent, &owner) &&
                                           GetWindowRect(Window(), &own)) {
        const int x = owner.left + ((owner.right - owner.left) - (own.right - own.left)) / 2;
        const int y = owner.top + ((owner.bottom - owner.top) - (own.bottom - own.top)) / 2;
        SetWindowPos(Window(), nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return TRUE;
}

void SourceDialog::OnOK() {
    const LRESULT selected = SendMessageA(Item(IDC_SOURCE_LIST), LB_GETCURSEL, 0, 0);
    if (selected < 0 || static_cast<size_t>(selected) >= sources_.size()) {
        return;
    }
    const FoundSource& source = sources_[static_cast<size_t>(selected)];
    if (!source.problem.empty()) {
        MessageBoxA(Window(), source.problem.c_str(), "情報", MB_OK | MB_ICONINFORMATION);
        return;
    }
    chosen_ = static_cast<size_t>(selected);
    EndDialog(IDOK);
}

bool SourceDialog::OnNotice(int id, int code) {
    if (id == IDC_SOURCE_LIST && code == LBN_DBLCLK) {
        OnOK();
        return true;
    }
    return false;
}
