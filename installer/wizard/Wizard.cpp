// The wizard's set-up: three pages in an old-style property sheet wizard.
#include "wizard/Wizard.h"

#include "base/SetupContext.h"
#include "base/Text.h"
#include "copy/CopySteps.h"
#include "resource.h"

#include <cstddef>

// The first layouts of the records, which every Windows version with a property sheet knows:
// up to and including pcRefParent and pfnCallback. That is 40 bytes each in the shipped 32-bit
// program; in the 64-bit test build the pointers are wider (72 bytes).
constexpr size_t kFirstPageSize = offsetof(PROPSHEETPAGEA, pcRefParent) + sizeof(UINT*);
constexpr size_t kFirstHeaderSize =
    offsetof(PROPSHEETHEADERA, pfnCallback) + sizeof(PFNPROPSHEETCALLBACK);
static_assert(sizeof(void*) != 4 || (kFirstPageSize == 40 && kFirstHeaderSize == 40),
              "first record layouts of the 32-bit property sheet");

namespace {

// The sheet steps from one page record to the next by dwSize, so records of the first layout
// must lie exactly that far apart, not sizeof(PROPSHEETPAGEA).
struct alignas(PROPSHEETPAGEA) FirstLayoutPage {
    unsigned char bytes[kFirstPageSize];
    PROPSHEETPAGEA* Record() { return reinterpret_cast<PROPSHEETPAGEA*>(bytes); }
};

} // namespace

void InitWizardPage(PROPSHEETPAGEA* page, int templateId, DLGPROC procedure) {
    ZeroMemory(page, kFirstPageSize);
    page->dwSize = kFirstPageSize;
    page->dwFlags = PSP_DEFAULT;
    page->hInstance = SetupContext.instance;
    page->pszTemplate = MAKEINTRESOURCEA(templateId);
    page->pfnDlgProc = procedure;
}

void RunWizard(RunLog& log) {
    // Source names in the setup file are relative to the program's folder.
    SetCurrentDirectoryA(SetupContext.programFolder);

    // The copy page's progress bar is a common control. (InitCommonControlsEx is missing from
    // the common controls of Windows 95, NT 3.51 and NT 4.0 as first shipped.)
    InitCommonControls();

    FirstLayoutPage pages[3];
    InitWizardPage(pages[0].Record(), IDD_FOLDER_PAGE, FolderPageProc);
    InitWizardPage(pages[1].Record(), IDD_SHORTCUT_PAGE, ShortcutPageProc);
    InitWizardPage(pages[2].Record(), IDD_COPY_PAGE, CopyPageProc);
    // The copy page writes its steps to the run's diagnostic log.
    pages[2].Record()->lParam = reinterpret_cast<LPARAM>(&log);

    PROPSHEETHEADERA header;
    ZeroMemory(&header, sizeof header);
    header.dwSize = kFirstHeaderSize;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    header.hwndParent = nullptr;
    header.hInstance = SetupContext.instance;
    header.pszCaption = nullptr;
    header.nPages = 3;
    header.nStartPage = 0;
    header.ppsp = pages[0].Record();
    PropertySheetA(&header);
}

INT_PTR StayOnPage(HWND page) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, -1);
    return TRUE;
}
