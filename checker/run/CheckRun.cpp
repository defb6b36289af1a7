// The check run: the handler of button 1003. It lists the favorites, probes them one after
// another on a worker thread while this thread keeps the dialog alive, compares each fresh copy
// with the stored one, acts on vanished and updated pages, and writes the report pages. A
// second click on the button re-enters the handler, which is how a run is stopped.
#include <winsock2.h>

#include "favorites/FavoritesList.h"
#include "favorites/FavoritesWalk.h"
#include "favorites/StoreNames.h"
#include "framework/Application.h"
#include "probe/Probe.h"
#include "probe/ProbeWorker.h"
#include "probe/WinSockGuard.h"
#include "resource.h"
#include "run/ReportPage.h"
#include "run/RunFlags.h"
#include "run/RunRules.h"
#include "text/TextRoutines.h"
#include "ui/MainDialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>
#include <memory>

namespace {

constexpr char kStartText[] = "チェック開始(&G)";
constexpr char kSeparatorLine[] = "          -----------";

// A heap copy of text, exactly as long as it.
std::unique_ptr<char[]> HeapText(const char* text) {
    const size_t length = std::strlen(text);
    std::unique_ptr<char[]> copy(new char[length + 1]);
    std::memcpy(copy.get(), text, length + 1);
    return copy;
}

// Moves one file to the recycle bin, silently; the result is not examined.
void MoveToRecycleBin(const char* path) {
    char from[kListLineSize + 2] = "";
    CopyText(from, kListLineSize, path);
    from[std::strlen(from) + 1] = '\0'; // the list of names ends in two zero bytes
    SHFILEOPSTRUCTA operation{};
    operation.hwnd = GetDesktopWindow();
    operation.wFunc = FO_DELETE;
    operation.pFrom = from;
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO;
    SHFileOperationA(&operation);
}

bool FileExists(const char* path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

void MainDialog::OnCheckButton() {
    if (runFlag == 0 && busyFlag == 0) {
        RunCheck();
    } else if (runFlag == 1 && busyFlag == 1) {
        AskToStop();
    } else {
        ForceTermination();
    }
}

void MainDialog::AskToStop() {
    runPainting_.Release();
    if (MessageBoxA(Window(), "チェック途中ですが、本当に終了しますか？", "質問",
                    MB_YESNO | MB_ICONQUESTION) == IDYES) {
        runFlag = 0;
        SetDlgItemTextA(Window(), IDC_CHECK, "強制終了");
    }
}

void MainDialog::ForceTermination() {
    runPainting_.Release();
    MessageBoxA(Window(),
                "強制終了処理をします。\n処理があまりにも時間がかかる場合には、"
                "終了ボタンを押してソフトを終了してください。",
                "注意", MB_OK | MB_ICONEXCLAMATION);
    runFlag = 0;
    busyFlag = 0;
    SetDlgItemTextA(Window(), IDC_CHECK, "強制終了中...");
    EnableWindow(Item(IDC_CHECK), FALSE);
    EnableWindow(Item(IDOK), TRUE);
}

void MainDialog::RunCheck() {
    EnableControls(false);
    SetDlgItemTextA(Window(), IDC_CHECK, "中断(&E)");
    runFlag = 1;
    busyFlag = 1;
    SetDlgItemTextA(Window(), IDC_STATUS, "お気に入りの列挙中....");
    ControlsToOptions();

    char root[kListLineSize];
    CopyText(root, sizeof root, favoritesFolder);
    int count = 0;
    bool listed = false;
    if (FILE* list = std::fopen(checkListPath, "w")) {
        count = EnumerateFavorites(root, list);
        // A list that could not be written whole would be read back wrong: check nothing.
        listed = std::fclose(list) == 0;
    }
    if (!listed) {
        char message[kListLineSize + 128];
        FormatText(message, sizeof message, "%s\nを作成できませんでした。", checkListPath);
        MessageBoxA(Window(), message, "エラー", MB_OK | MB_ICONEXCLAMATION);
        runFlag = 0;
    }

    // A report that cannot be created is left out; the run goes on without it.
    char reportPath[kListLineSize];
    ReportPage updatedReport;
    if (listed && WantsUpdatedReport(updateOptions) &&
        ReportPagePath(ReportKind::kUpdated, checkListPath, reportPath, sizeof reportPath)) {
        updatedReport.Create(ReportKind::kUpdated, reportPath);
    }
    ReportPage vanishedReport;
    if (listed && WantsVanishedReport(vanishedOptions) &&
        ReportPagePath(ReportKind::kVanished, checkListPath, reportPath, sizeof reportPath)) {
        vanishedReport.Create(ReportKind::kVanished, reportPath);
    }

    if (runFlag == 1) {
        WinSockGuard guard;
        SetDlgItemTextA(Window(), IDC_STATUS, "URLの調査中...");
        if (FILE* in = std::fopen(checkListPath, "r")) {
            SendDlgItemMessageA(Window(), IDC_PROGRESS, PBM_SETRANGE32, 0, count - 1);
            SendDlgItemMessageA(Window(), IDC_PROGRESS, PBM_SETPOS, 0, 0);
            for (int i = 0; i < count && runFlag == 1; ++i) {
                runPainting_.Hold();
                CheckUrl(in, vanishedReport, updatedReport);
                ShowLastLogLine();
                SendDlgItemMessageA(Window(), IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(i), 0);
                runPainting_.ReleaseIfDue();
            }
            runPainting_.Release();
            std::fclose(in);
        }
    }

    if (vanishedReport.IsOpen()) {
        vanishedReport.Finish();
    }
    if (updatedReport.IsOpen()) {
        updatedReport.Finish();
    }
    DeleteFileA(checkListPath);
    runFlag = 0;
    busyFlag = 0;
    SetDlgItemTextA(Window(), IDC_STATUS, "");
    SetDlgItemTextA(Window(), IDC_CHECK, kStartText);
    EnableControls(true);
    EnableWindow(Item(IDC_CHECK), TRUE);
    OptionsToControls();
}

void MainDialog::CheckUrl(FILE* list, ReportPage& vanishedReport, ReportPage& updatedReport) {
    char shortcut[kListLineSize] = "";
    char url[kListLineSize] = "";
    ReadListLine(list, shortcut, sizeof shortcut);
    ReadListLine(list, url, sizeof url);

    std::unique_ptr<char[]> target = HeapText(url);
    probeTarget = target.get();
    probePort = StripScheme(probeTarget);

    StoreNames names{};
    const bool named = BuildStoreNames(favoritesFolder, shortcut, userPrefix, names);
    std::unique_ptr<char[]> copyPath = HeapText(named ? names.newCopyPath : "");
    newCopyPath = copyPath.get();
    // Without a name in the store (a path too long for it) the page is probed but not kept.
    if (OptionSet(updateOptions, kNoUpdateCheck) || !named) {
        saveCopy = 0;
    } else {
        saveCopy = 1;
        CreateFolderChain(names.copyFolder);
    }

    Log(kSeparatorLine);
    Log(url);

    // Each probe starts from an empty head, so that a response without a status line is never
    // judged by an earlier page's status.
    std::memset(&probeHead, 0, sizeof probeHead);
    DWORD code = STILL_ACTIVE;
    if (std::unique_ptr<WorkerThread> worker = StartProbeWorker(Item(IDC_STATUS))) {
        code = WaitForProbe(*worker, &runPainting_);
    }
    // A forced termination during this probe may have cut the copy short: it must never
    // replace the stored copy.
    const bool copyWhole = saveCopy == 1 && busyFlag == 1 && FileExists(newCopyPath);

    if (code == kProbeCompleted) {
        FormatText(probeMessage, sizeof probeMessage, "%d %s", probeHead.statusCode,
                   probeHead.reason);
        Log(probeMessage);
        if (PageIsThere(probeHead.statusCode)) {
            char storedPath[kPathSize] = "";
            if (copyWhole && StoredCopyPath(newCopyPath, storedPath, sizeof storedPath) &&
                !SameFileText(newCopyPath, storedPath)) {
                Log("URLは新規チェックか更新されています。");
                // One step where the system can: there is no moment without a stored copy.
                ReplaceStoredCopy(newCopyPath, storedPath);
                if (OptionSet(updateOptions, kUpdatedBrowser)) {
                    OpenInBrowser(url);
                    MessageBoxA(Window(), "確認が終わったらボタンを押してください。", "情報",
                                MB_OK | MB_ICONINFORMATION);
                } else if (OptionSet(updateOptions, kUpdatedList)) {
                    updatedReport.WriteEntry(url, names.relativeName);
                }
            }
            ShowLastLogLine();
        } else {
            ShowLastLogLine();
            HandleVanished(shortcut, url, names.relativeName, probeHead.reason, vanishedReport);
        }
    } else if (code >= kProbeNoSocket && code <= kProbeCloseFailed) {
        Log(probeMessage);
        ShowLastLogLine();
        char caption[kProbeMessageSize];
        FirstLine(probeMessage, caption, sizeof caption);
        HandleVanished(shortcut, url, names.relativeName, caption, vanishedReport);
    }
    // Whatever was not moved into the store is not kept.
    if (saveCopy == 1) {
        DeleteFileA(newCopyPath);
    }
    probeTarget = nullptr;
    newCopyPath = nullptr;
}

void MainDialog::HandleVanished(const char* shortcut, const char* url, const char* relativeName,
                                const char* caption, ReportPage& vanishedReport) {
    switch (ChooseVanishedAction(vanishedOptions)) {
    case VanishedAction::kAskThenRecycle: {
        OpenInBrowser(url);
        char question[kListLineSize + 64];
        FormatText(question, sizeof question, "%s\nこのファイルをごみ箱に移動してよろしいですか？",
                   shortcut);
        if (MessageBoxA(Window(), question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
            MoveToRecycleBin(shortcut);
        }
        break;
    }
    case VanishedAction::kRecycle:
        MoveToRecycleBin(shortcut);
        break;
    case VanishedAction::kList:
        vanishedReport.WriteEntry(url, relativeName);
        break;
    case VanishedAction::kNothing:
        break;
    }
}

void MainDialog::OpenInBrowser(const char* url) {
    // What the user is asked about next must be on screen first.
    runPainting_.Release();
    if (MayOpenInBrowser(url)) {
        ShellExecuteA(nullptr, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL);
    }
}
