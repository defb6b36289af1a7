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
#include <string>
#include <vector>

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

// What a run learns as it goes: its two reports, whether it found any name and reached any
// server (without both, "the name does not exist" may only mean that the network is down), and
// the favorites whose names did not exist, which are recycled only once it is sure of that.
struct CheckTally {
    struct Favorite {
        std::string shortcut;
        std::string url;
        std::string relativeName;
        std::string moved;
        std::string reason;
    };
    ReportPage vanishedReport;
    ReportPage updatedReport;
    bool nameResolved = false;
    bool serverReached = false;
    int asked = 0;    // favorites a probe went out for
    int vanished = 0; // of them, the ones that have vanished, surely or not
    std::vector<Favorite> namesMissing;
};

namespace {

// A page that moved for good is listed with its new address.
std::string MovedNote() {
    return probeHops.empty() ? std::string()
                             : std::string("（移転先: ") + probeHops.back().location + "）";
}

} // namespace

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
    CheckTally tally;
    char reportPath[kListLineSize];
    if (listed && WantsUpdatedReport(updateOptions) &&
        ReportPagePath(ReportKind::kUpdated, checkListPath, reportPath, sizeof reportPath)) {
        tally.updatedReport.Create(ReportKind::kUpdated, reportPath);
    }
    if (listed && WantsVanishedReport(vanishedOptions) &&
        ReportPagePath(ReportKind::kVanished, checkListPath, reportPath, sizeof reportPath)) {
        tally.vanishedReport.Create(ReportKind::kVanished, reportPath);
    }

    if (runFlag == 1) {
        WinSockGuard guard;
        SetDlgItemTextA(Window(), IDC_STATUS, "URLの調査中...");
        if (FILE* in = std::fopen(checkListPath, "r")) {
            SendDlgItemMessageA(Window(), IDC_PROGRESS, PBM_SETRANGE32, 0, count - 1);
            SendDlgItemMessageA(Window(), IDC_PROGRESS, PBM_SETPOS, 0, 0);
            for (int i = 0; i < count && runFlag == 1; ++i) {
                runPainting_.Hold();
                CheckUrl(in, tally);
                ShowLastLogLine();
                SendDlgItemMessageA(Window(), IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(i), 0);
                runPainting_.ReleaseIfDue();
            }
            runPainting_.Release();
            std::fclose(in);
        }
        SettleUnsureNames(tally);
    }

    if (tally.vanishedReport.IsOpen()) {
        tally.vanishedReport.Finish();
    }
    if (tally.updatedReport.IsOpen()) {
        tally.updatedReport.Finish();
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

void MainDialog::CheckUrl(FILE* list, CheckTally& tally) {
    char shortcut[kListLineSize] = "";
    char url[kListLineSize] = "";
    ReadListLine(list, shortcut, sizeof shortcut);
    ReadListLine(list, url, sizeof url);

    StoreNames names{};
    const bool named = BuildStoreNames(favoritesFolder, shortcut, userPrefix, names);
    std::unique_ptr<char[]> copyPath = HeapText(named ? names.newCopyPath : "");
    newCopyPath = copyPath.get();
    saveCopy = 0;

    Log(kSeparatorLine);
    Log(url);

    // Each probe starts from an empty head, so that a response without a status line is never
    // judged by an earlier page's status.
    std::memset(&probeHead, 0, sizeof probeHead);
    probeHops.clear();
    probeFacts = ProbeFacts{};
    UrlParts parts;
    const UrlCheck check = SplitUrl(url, parts);
    DWORD code = STILL_ACTIVE;
    std::unique_ptr<char[]> target = HeapText(url);
    if (check != UrlCheck::kOk) {
        CopyText(probeMessage, sizeof probeMessage, UrlProblemText(check));
        code = static_cast<DWORD>(UrlProblemCode(check));
    } else {
        probeTarget = target.get();
        StripScheme(probeTarget);
        probeScheme = parts.scheme;
        probePort = DefaultPort(parts.scheme);
        // Without a name in the store (a path too long for it) the page is probed but not kept.
        if (!OptionSet(updateOptions, kNoUpdateCheck) && named) {
            saveCopy = 1;
            CreateFolderChain(names.copyFolder);
        }
        if (std::unique_ptr<WorkerThread> worker = StartProbeWorker(Item(IDC_STATUS))) {
            code = WaitForProbe(*worker, &runPainting_);
        }
        if (code != kProbeNotChecked) {
            ++tally.asked;
        }
    }
    tally.nameResolved = tally.nameResolved || probeFacts.nameResolved;
    tally.serverReached = tally.serverReached || probeFacts.serverReached;
    // A forced termination during this probe may have cut the copy short: it must never
    // replace the stored copy.
    const bool copyWhole = saveCopy == 1 && busyFlag == 1 && FileExists(newCopyPath);

    // Each move followed: its status line and the new address.
    for (const ProbeHop& hop : probeHops) {
        char line[kListLineSize + 32];
        FormatText(line, sizeof line, "%d %s", hop.statusCode, hop.reason);
        Log(line);
        FormatText(line, sizeof line, "移転先: %s", hop.location);
        Log(line);
    }
    const Verdict verdict = ClassifyProbe(static_cast<int>(code), probeHead.statusCode,
                                          probeFacts.answered, probeFacts.nameMissing,
                                          busyFlag != 1);
    const std::string moved = MovedNote();
    if (code == kProbeCompleted && verdict != Verdict::kStopped) {
        FormatText(probeMessage, sizeof probeMessage, "%d %s", probeHead.statusCode,
                   probeHead.reason);
    }
    switch (verdict) {
    case Verdict::kThere: {
        Log(probeMessage);
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
                tally.updatedReport.WriteEntry(url, names.relativeName, moved.c_str());
            }
        }
        ShowLastLogLine();
        break;
    }
    case Verdict::kNotChecked:
        Log(probeMessage);
        ShowLastLogLine();
        break;
    case Verdict::kStopped:
        Log(kStoppedText);
        ShowLastLogLine();
        break;
    case Verdict::kGone:
    case Verdict::kNameMissing:
    case Verdict::kUnsure: {
        ++tally.vanished;
        Log(probeMessage);
        ShowLastLogLine();
        // The question's caption: the reason phrase of an answer, else the failure's heading.
        char caption[kProbeMessageSize];
        FirstLine(code == kProbeCompleted ? probeHead.reason : probeMessage, caption,
                  sizeof caption);
        char reason[kProbeMessageSize];
        FirstLine(probeMessage, reason, sizeof reason);
        if (verdict == Verdict::kNameMissing && ChooseVanishedAction(vanishedOptions) ==
                                                    VanishedAction::kRecycle) {
            // Sure only once the run has found other names: decided at its end.
            tally.namesMissing.push_back({shortcut, url, names.relativeName, moved, reason});
        } else {
            HandleVanished(shortcut, url, names.relativeName, caption, moved.c_str(), reason,
                           verdict == Verdict::kGone, tally);
        }
        break;
    }
    }
    // Whatever was not moved into the store is not kept.
    if (saveCopy == 1) {
        DeleteFileA(newCopyPath);
    }
    probeTarget = nullptr;
    newCopyPath = nullptr;
}

void MainDialog::HandleVanished(const char* shortcut, const char* url, const char* relativeName,
                                const char* caption, const char* moved, const char* reason,
                                bool sure, CheckTally& tally) {
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
        // Only a sure answer moves a favorite without asking; any other is listed instead.
        if (sure) {
            MoveToRecycleBin(shortcut);
        } else {
            ListUnsure(url, relativeName, moved, reason, tally);
        }
        break;
    case VanishedAction::kList:
        tally.vanishedReport.WriteEntry(url, relativeName, moved);
        break;
    case VanishedAction::kNothing:
        break;
    }
}

void MainDialog::ListUnsure(const char* url, const char* relativeName, const char* moved,
                            const char* reason, CheckTally& tally) {
    char reportPath[kListLineSize];
    if (!tally.vanishedReport.IsOpen() &&
        ReportPagePath(ReportKind::kVanished, checkListPath, reportPath, sizeof reportPath)) {
        tally.vanishedReport.Create(ReportKind::kVanished, reportPath);
    }
    char note[kProbeMessageSize + kListLineSize + 96];
    FormatText(note, sizeof note, "%s（確実ではないため、ごみ箱へ移動していません: %s）", moved,
               reason);
    tally.vanishedReport.WriteEntry(url, relativeName, note);
}

void MainDialog::SettleUnsureNames(CheckTally& tally) {
    // A name that does not exist is sure to be gone only where names could be found at all.
    const bool sure = tally.nameResolved && tally.serverReached;
    for (const CheckTally::Favorite& favorite : tally.namesMissing) {
        if (sure) {
            MoveToRecycleBin(favorite.shortcut.c_str());
        } else {
            ListUnsure(favorite.url.c_str(), favorite.relativeName.c_str(),
                       favorite.moved.c_str(), favorite.reason.c_str(), tally);
        }
    }
    if (tally.asked > 0 && !tally.serverReached) {
        Log("どのサーバーにも接続できませんでした。ネットワークの接続を確認してください。");
        ShowLastLogLine();
        if (busyFlag == 1 && tally.vanished > 0 &&
            ChooseVanishedAction(vanishedOptions) == VanishedAction::kRecycle) {
            runPainting_.Release();
            MessageBoxA(Window(),
                        "どのサーバーにも接続できなかったため、ごみ箱へは何も移動していません。\n"
                        "ネットワークの接続を確認してください。",
                        "注意", MB_OK | MB_ICONEXCLAMATION);
        }
    }
}

void MainDialog::OpenInBrowser(const char* url) {
    // What the user is asked about next must be on screen first.
    runPainting_.Release();
    if (MayOpenInBrowser(url)) {
        ShellExecuteA(nullptr, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL);
    }
}
