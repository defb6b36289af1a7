// The check run (CheckRun.h).
#include <winsock2.h>

#include "favorites/FavoritesList.h"
#include "favorites/FavoritesWalk.h"
#include "favorites/PageCompare.h"
#include "favorites/Sources.h"
#include "favorites/StoreNames.h"
#include "framework/PaintHold.h"
#include "framework/RunFlags.h"
#include "probe/Probe.h"
#include "probe/ProbeWorker.h"
#include "probe/ProxySetting.h"
#include "probe/Unreachable.h"
#include "probe/WinSockGuard.h"
#include "run/CheckRun.h"
#include "run/MoveRules.h"
#include "run/MovedShortcut.h"
#include "run/ProbeQueue.h"
#include "run/ReportPage.h"
#include "run/RunRules.h"
#include "text/TextRoutines.h"

#include <shellapi.h>

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char kSeparatorLine[] = "          -----------";

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
    // A favorite whose page moved for good, and what its moves came to.
    struct Move {
        std::string shortcut;
        std::string url;
        std::string relativeName;
        std::string storeName;
        std::string newUrl;
        MoveCheck check;
        int logAt; // where the log tells what became of it
    };
    ReportPage vanishedReport;
    ReportPage updatedReport;
    ReportPage movedReport;
    ProxyRouter* router = nullptr;
    bool proxyTroubleSaid = false; // the box about the proxy was shown
    // The web's names the run looked up (not the intranet's), and whether each was found.
    std::map<std::string, bool> webNames;
    bool nameResolved = false;
    bool serverReached = false;
    int asked = 0;    // favorites a probe went out for
    int vanished = 0; // of them, the ones that have vanished, surely or not
    bool bookmarksKeptSaid = false; // the log said why no bookmark goes to the recycle bin
    std::vector<Favorite> namesMissing;
    std::vector<Move> moves;
    // Servers that never accepted a connection, in list order: the first favorite on one says
    // it timed out, the later ones also that they were not waited for again.
    std::set<unsigned long long> neverAccepted;
};

namespace {

// A page that moved for good is listed with its new address.
std::string MovedNote(const ProbeRecord& probe) {
    return probe.hops.empty() ? std::string()
                              : std::string("（移転先: ") + probe.hops.back().location + "）";
}

} // namespace

void CheckRun::Run() {
    const DWORD updateOptions = settings_.updateOptions;
    const DWORD vanishedOptions = settings_.vanishedOptions;
    FilledList filled;
    bool listed = false;
    if (FILE* list = CreateListFile(checkListPath)) {
        listed = FillFavoritesList(settings_.favoritesFolder, list, filled);
        // A list that could not be written whole would be read back wrong: check nothing.
        if (std::fclose(list) != 0 && listed) {
            listed = false;
        }
    }
    if (!listed) {
        // Nothing to check: said, and no report is opened.
        if (filled.problem.empty()) {
            char message[kListLineSize + 128];
            FormatText(message, sizeof message, "%s\nを作成できませんでした。", checkListPath);
            filled.problem = message;
        }
        Ask(filled.problem.c_str(), "エラー", MB_OK | MB_ICONEXCLAMATION);
        DeleteFileA(checkListPath);
        return;
    }
    const int count = filled.count;
    for (const std::string& note : filled.notes) {
        view_.Log(note.c_str());
    }
    if (!filled.notes.empty()) {
        view_.ShowLastLogLine();
    }

    // A report that cannot be created is left out; the run goes on without it.
    CheckTally tally;
    char reportPath[kListLineSize];
    if (WantsUpdatedReport(updateOptions) &&
        ReportPagePath(ReportKind::kUpdated, checkListPath, reportPath, sizeof reportPath)) {
        tally.updatedReport.Create(ReportKind::kUpdated, reportPath);
    }
    if (WantsVanishedReport(vanishedOptions) &&
        ReportPagePath(ReportKind::kVanished, checkListPath, reportPath, sizeof reportPath)) {
        tally.vanishedReport.Create(ReportKind::kVanished, reportPath);
    }

    if (runFlag == 1) {
        WinSockGuard guard;
        // Read afresh at each run: the user may have moved to another network meanwhile.
        ProxyRouter router(ReadProxySetting());
        tally.router = &router;
        view_.Log(router.Heading().c_str());
        view_.ShowLastLogLine();
        CheckUrls(count, tally);
        SettleUnsureNames(tally);
        SettleMoves(tally);
        tally.router = nullptr;
    }

    if (tally.vanishedReport.IsOpen()) {
        tally.vanishedReport.Finish();
    }
    if (tally.updatedReport.IsOpen()) {
        tally.updatedReport.Finish();
    }
    if (tally.movedReport.IsOpen()) {
        tally.movedReport.Finish();
    }
    DeleteFileA(checkListPath);
}

void CheckRun::CheckUrls(int count, CheckTally& tally) {
    view_.ShowStatus("URLの調査中...");
    FILE* in = std::fopen(checkListPath, "r");
    if (!in) {
        return;
    }
    view_.SetProgressRange(count - 1);
    view_.SetProgress(0);
    {
        ProbeQueue queue(in, count, settings_.updateOptions, settings_.probesAtOnce,
                         *tally.router);
        const std::function<void()> probeAhead = [&queue] { queue.ProbeAhead(); };
        for (int i = 0; i < count && runFlag == 1; ++i) {
            queue.ProbeAhead();
            view_.Painting().Hold();
            CheckUrl(queue.Front(), tally, probeAhead);
            queue.PopFront();
            view_.ShowLastLogLine();
            view_.SetProgress(i);
            view_.Painting().ReleaseIfDue();
        }
        // A stop leaves the probes ahead: they end within a moment, and their copies go.
        queue.Abandon(view_.Painting());
    }
    view_.Painting().Release();
    std::fclose(in);
}

void CheckRun::CheckUrl(FavoriteAhead& favorite, CheckTally& tally,
                        const std::function<void()>& probeAhead) {
    const ListEntry& entry = favorite.entry;
    ProbeRecord& probe = favorite.probe;

    view_.Log(kSeparatorLine);
    view_.Log(entry.url);
    const DWORD code = AwaitProbe(favorite, tally, probeAhead);
    // A forced termination during this probe may have cut the copy short: it must never
    // replace the stored copy. One the probe found unchanged is gone already.
    const bool copyLeft = probe.saveCopy && probe.copyCompared != CopyCompared::kUnchanged;
    const bool copyWhole = copyLeft && busyFlag == 1 && FileExists(probe.copyPath.c_str());

    // Each move followed: its status line and the new address.
    for (const ProbeHop& hop : probe.hops) {
        char line[kListLineSize + 32];
        FormatText(line, sizeof line, "%d %s", hop.statusCode, hop.reason);
        view_.Log(line);
        FormatText(line, sizeof line, "移転先: %s", hop.location);
        view_.Log(line);
    }
    const Verdict verdict =
        ClassifyProbe(static_cast<int>(code), probe.head.statusCode, probe.facts.answered,
                      probe.facts.nameMissing, busyFlag != 1);
    const std::string moved = MovedNote(probe);
    if (code == kProbeCompleted && verdict != Verdict::kStopped) {
        FormatText(probe.message, sizeof probe.message, "%d %s", probe.head.statusCode,
                   probe.head.reason);
    }
    switch (verdict) {
    case Verdict::kThere:
        view_.Log(probe.message);
        if (copyWhole) {
            TakeNewCopy(favorite, moved, tally);
        }
        view_.ShowLastLogLine();
        break;
    case Verdict::kNotChecked:
        view_.Log(probe.message);
        view_.ShowLastLogLine();
        break;
    case Verdict::kStopped:
        view_.Log(kStoppedText);
        view_.ShowLastLogLine();
        break;
    case Verdict::kProxyFailed:
        view_.Log(probe.message);
        view_.ShowLastLogLine();
        SayProxyTrouble(probe.facts, tally);
        break;
    case Verdict::kGone:
    case Verdict::kNameMissing:
    case Verdict::kUnsure:
        HandleGoneFavorite(favorite, code, verdict, moved, tally);
        break;
    }
    // A forced end leaves no answer to judge a move by.
    if (settings_.updateMoved && busyFlag == 1) {
        NoteMove(favorite, code, tally);
    }
    // Whatever was not moved into the store is not kept.
    if (copyLeft) {
        DeleteFileA(probe.copyPath.c_str());
    }
}

DWORD CheckRun::AwaitProbe(FavoriteAhead& favorite, CheckTally& tally,
                           const std::function<void()>& probeAhead) {
    ProbeRecord& probe = favorite.probe;
    DWORD code = STILL_ACTIVE;
    if (favorite.tooLong) {
        CopyText(probe.message, sizeof probe.message, "URLが長すぎるため確認しません。");
        code = kProbeNotChecked;
    } else if (!Probed(favorite)) {
        CopyText(probe.message, sizeof probe.message, UrlProblemText(favorite.check));
        code = static_cast<DWORD>(UrlProblemCode(favorite.check));
    } else {
        // From here on its progress is the run's.
        probe.status.ShowIn(view_.StatusLine());
        if (!favorite.started) {
            favorite.started = StartProbe(probe);
        }
        if (favorite.started) {
            code = WaitForProbe(probe, &view_.Painting(), probeAhead);
        }
        if (code != kProbeNotChecked) {
            ++tally.asked;
        }
    }
    tally.nameResolved = tally.nameResolved || probe.facts.nameResolved;
    tally.serverReached = tally.serverReached || probe.facts.serverReached;
    for (const NameLookup& lookup : probe.lookups) {
        if (!lookup.intranet) {
            tally.webNames[lookup.name] = tally.webNames[lookup.name] || lookup.found;
        }
    }
    return code;
}

void CheckRun::TakeNewCopy(FavoriteAhead& favorite, const std::string& moved, CheckTally& tally) {
    ProbeRecord& probe = favorite.probe;
    const char* url = favorite.entry.url;
    char storedPath[kPathSize] = "";
    // The probe compared the copy on its own thread; where it could not, it is compared here.
    if (!StoredCopyPath(probe.copyPath.c_str(), storedPath, sizeof storedPath) ||
        (probe.copyCompared != CopyCompared::kChanged &&
         SamePage(storedPath, probe.copyPath.c_str(), probe.pageType.c_str(),
                  &probe.changeNote))) {
        return;
    }
    view_.Log("URLは新規チェックか更新されています。");
    // One step where the system can: there is no moment without a stored copy.
    ReplaceStoredCopy(probe.copyPath.c_str(), storedPath);
    if (OptionSet(settings_.updateOptions, kUpdatedBrowser)) {
        OpenInBrowser(url);
        Ask("確認が終わったらボタンを押してください。", "情報", MB_OK | MB_ICONINFORMATION);
    } else if (OptionSet(settings_.updateOptions, kUpdatedList)) {
        tally.updatedReport.WriteEntry(url, favorite.entry.name, moved.c_str(),
                                       probe.changeNote.c_str());
    }
}

void CheckRun::HandleGoneFavorite(FavoriteAhead& favorite, DWORD code, Verdict verdict,
                                  const std::string& moved, CheckTally& tally) {
    const ListEntry& entry = favorite.entry;
    ProbeRecord& probe = favorite.probe;
    ++tally.vanished;
    view_.Log(probe.message);
    if (code == kProbeTimedOut && probe.facts.neverAccepted != 0 &&
        !tally.neverAccepted.insert(probe.facts.neverAccepted).second) {
        view_.Log("この確認の中で先に接続を受け付けなかったサーバーのため、"
                  "再び待たずに同じ結果としました。");
    }
    view_.ShowLastLogLine();
    // The question's caption: the reason phrase of an answer, else the failure's heading.
    char caption[kProbeMessageSize];
    FirstLine(code == kProbeCompleted ? probe.head.reason : probe.message, caption,
              sizeof caption);
    char reason[kProbeMessageSize];
    FirstLine(probe.message, reason, sizeof reason);
    if (verdict == Verdict::kNameMissing && entry.file[0] &&
        ChooseVanishedAction(settings_.vanishedOptions) == VanishedAction::kRecycle) {
        // Sure only once the run has found other names: decided at its end.
        tally.namesMissing.push_back({entry.file, entry.url, entry.name, moved, reason});
    } else {
        HandleVanished(entry.file, entry.url, entry.name, caption, moved.c_str(), reason,
                       verdict == Verdict::kGone, tally);
    }
}

void CheckRun::NoteMove(const FavoriteAhead& favorite, DWORD code, CheckTally& tally) {
    const ListEntry& entry = favorite.entry;
    const ProbeRecord& probe = favorite.probe;
    // A bookmark is the browser's: its move is only reported, as any other.
    if (!entry.file[0] || probe.hops.empty()) {
        return;
    }
    std::vector<int> codes;
    for (const ProbeHop& hop : probe.hops) {
        codes.push_back(hop.statusCode);
    }
    std::string newUrl;
    const MoveCheck check =
        CheckMove(entry.url, codes, probe.hops.back().location,
                  code == kProbeCompleted && probe.facts.answered, probe.head.statusCode, newUrl);
    if (check != MoveCheck::kSure) {
        char line[kListLineSize];
        FormatText(line, sizeof line, "移転先に更新しません（%s）。", MoveCheckText(check));
        view_.Log(line);
        view_.ShowLastLogLine();
    }
    tally.moves.push_back(
        {entry.file, entry.url, entry.name, entry.storeName, newUrl, check, view_.LogCount()});
}

void CheckRun::SettleMoves(CheckTally& tally) {
    if (tally.moves.empty()) {
        return;
    }
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const CheckTally::Move& move : tally.moves) {
        pairs.emplace_back(move.url, move.newUrl);
    }
    const std::vector<bool> shared = SharedMoves(pairs);
    char reportPath[kListLineSize];
    if (ReportPagePath(ReportKind::kMoved, checkListPath, reportPath, sizeof reportPath)) {
        tally.movedReport.Create(ReportKind::kMoved, reportPath);
    }
    // Lines told at their favorites, put in from the last so that the places stay right.
    std::vector<std::pair<int, std::string>> told;
    for (size_t i = 0; i < tally.moves.size(); ++i) {
        const CheckTally::Move& move = tally.moves[i];
        char line[2 * kListLineSize];
        char note[2 * kListLineSize];
        const MoveCheck check =
            move.check == MoveCheck::kSure && shared[i] ? MoveCheck::kShared : move.check;
        if (check != MoveCheck::kSure) {
            if (check != move.check) {
                FormatText(line, sizeof line, "移転先に更新しません（%s）。", MoveCheckText(check));
                told.emplace_back(move.logAt, line);
            }
            FormatText(note, sizeof note, "（移転先: %s　更新していません: %s）",
                       move.newUrl.c_str(), MoveCheckText(check));
            tally.movedReport.WriteEntry(move.url.c_str(), move.relativeName.c_str(), note);
            continue;
        }
        char kept[kPathSize];
        std::string why;
        KeptShortcutPath(userPrefix, move.storeName.c_str(), kept, sizeof kept);
        if (UpdateShortcutFile(move.shortcut.c_str(), kept, move.url.c_str(), move.newUrl.c_str(),
                               why)) {
            FormatText(line, sizeof line, "お気に入りを移転先に更新しました: %s",
                       move.newUrl.c_str());
            FormatText(note, sizeof note, "（元のアドレス: %s）", move.url.c_str());
            tally.movedReport.WriteEntry(move.newUrl.c_str(), move.relativeName.c_str(), note);
        } else {
            FormatText(line, sizeof line, "お気に入りを更新できませんでした（%s）。", why.c_str());
            FormatText(note, sizeof note, "（移転先: %s　更新できませんでした: %s）",
                       move.newUrl.c_str(), why.c_str());
            tally.movedReport.WriteEntry(move.url.c_str(), move.relativeName.c_str(), note);
        }
        told.emplace_back(move.logAt, line);
    }
    for (auto line = told.rbegin(); line != told.rend(); ++line) {
        view_.InsertLog(line->first, line->second.c_str());
    }
    view_.ShowLastLogLine();
}

void CheckRun::HandleVanished(const char* shortcut, const char* url, const char* relativeName,
                              const char* caption, const char* moved, const char* reason, bool sure,
                              CheckTally& tally) {
    const VanishedAction action = ChooseVanishedAction(settings_.vanishedOptions);
    if (!shortcut[0] && (action == VanishedAction::kAskThenRecycle ||
                         action == VanishedAction::kRecycle)) {
        // A bookmark is no file of ours: the browser would bring it back, or could not save
        // its own file while another held it. It is listed, and the user removes it there.
        if (!tally.bookmarksKeptSaid) {
            view_.Log("ブックマークはブラウザのファイルを書き換えないため、ごみ箱へは移動せず、"
                      "消えたページの一覧に載せます。不要なブックマークはブラウザで削除してください。");
            view_.ShowLastLogLine();
            tally.bookmarksKeptSaid = true;
        }
        VanishedReport(tally).WriteEntry(url, relativeName, moved);
        return;
    }
    switch (action) {
    case VanishedAction::kAskThenRecycle: {
        OpenInBrowser(url);
        char question[kListLineSize + 64];
        FormatText(question, sizeof question, "%s\nこのファイルをごみ箱に移動してよろしいですか？",
                   shortcut);
        if (Ask(question, caption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
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

ReportPage& CheckRun::VanishedReport(CheckTally& tally) {
    char reportPath[kListLineSize];
    if (!tally.vanishedReport.IsOpen() &&
        ReportPagePath(ReportKind::kVanished, checkListPath, reportPath, sizeof reportPath)) {
        tally.vanishedReport.Create(ReportKind::kVanished, reportPath);
    }
    return tally.vanishedReport;
}

void CheckRun::ListUnsure(const char* url, const char* relativeName, const char* moved,
                          const char* reason, CheckTally& tally) {
    VanishedReport(tally);
    char note[kProbeMessageSize + kListLineSize + 96];
    FormatText(note, sizeof note, "%s（確実ではないため、ごみ箱へ移動していません: %s）", moved,
               reason);
    tally.vanishedReport.WriteEntry(url, relativeName, note);
}

void CheckRun::SayProxyTrouble(const ProbeFacts& facts, CheckTally& tally) {
    if (tally.proxyTroubleSaid || busyFlag != 1) {
        return;
    }
    tally.proxyTroubleSaid = true;
    char text[3 * kProbeMessageSize];
    FormatText(text, sizeof text,
               facts.proxyTrouble == ProxyTrouble::kCredentials
                   ? "プロキシサーバー[%s]が認証を求めています。このプログラムはプロキシの認証"
                     "には対応していません。\n認証なしで使えるプロキシを設定するか、ネットワーク"
                     "の管理者に相談してください。\n\nこのプロキシを通すお気に入りは、ごみ箱へ"
                     "移動せず、一覧にも載せません。"
                   : "プロキシサーバー[%s]に接続できませんでした。\nインターネット オプションの"
                     "プロキシの設定と、ネットワークの接続を確認してください。\n\nこのプロキシを"
                     "通すお気に入りは、ごみ箱へ移動せず、一覧にも載せません。",
               facts.proxy);
    Ask(text, "注意", MB_OK | MB_ICONEXCLAMATION);
}

// Why a name that was not found may not be sure in this run; nullptr where it is.
const char* NamesUnsureBecause(const CheckTally& tally, int& found, int& notFound) {
    found = 0;
    notFound = 0;
    for (const auto& name : tally.webNames) {
        ++(name.second ? found : notFound);
    }
    if (!tally.nameResolved || !tally.serverReached) {
        return nullptr; // told as a run that reached no server, or found no name
    }
    if (tally.router && tally.router->InUse()) {
        return "プロキシを使うネットワークでは、この端末で名前が見つからなくても確実とはいえ"
               "ないため、名前の見つからないお気に入りはごみ箱へ移動していません。";
    }
    if (!WebNamesVisible(found, notFound)) {
        return "この確認ではWebのホスト名の多くが見つかりませんでした。このネットワークからは"
               "Webの名前を確かめられないため、名前の見つからないお気に入りはごみ箱へ移動して"
               "いません。";
    }
    return nullptr;
}

void CheckRun::SettleUnsureNames(CheckTally& tally) {
    // A name that does not exist is sure to be gone only where names could be found at all, no
    // proxy stands between the run and the web, and most of the web's names were found.
    int found = 0;
    int notFound = 0;
    const char* unsure = NamesUnsureBecause(tally, found, notFound);
    const bool sure = tally.nameResolved && tally.serverReached && !unsure;
    for (const CheckTally::Favorite& favorite : tally.namesMissing) {
        if (sure) {
            MoveToRecycleBin(favorite.shortcut.c_str());
        } else {
            ListUnsure(favorite.url.c_str(), favorite.relativeName.c_str(), favorite.moved.c_str(),
                       favorite.reason.c_str(), tally);
        }
    }
    if (unsure && !tally.namesMissing.empty()) {
        char line[kProbeMessageSize];
        if (tally.router && tally.router->InUse()) {
            CopyText(line, sizeof line, unsure);
        } else {
            FormatText(line, sizeof line, "%s（見つからない名前 %d、見つかった名前 %d）", unsure,
                       notFound, found);
        }
        view_.Log(line);
        view_.ShowLastLogLine();
        if (busyFlag == 1) {
            FormatText(line, sizeof line, "%s\nネットワークの接続とプロキシの設定を確認してください。",
                       unsure);
            Ask(line, "注意", MB_OK | MB_ICONEXCLAMATION);
        }
    }
    if (tally.router && tally.router->ScriptFailed()) {
        char line[kProbeMessageSize];
        FormatText(line, sizeof line, "プロキシの%sを使えなかったため、プロキシの設定がない"
                   "ものとして確認しました。", tally.router->ScriptName().c_str());
        view_.Log(line);
        view_.ShowLastLogLine();
    }
    if (tally.asked > 0 && !tally.serverReached) {
        view_.Log("どのサーバーにも接続できませんでした。ネットワークの接続を確認してください。");
        view_.ShowLastLogLine();
        if (busyFlag == 1 && tally.vanished > 0 && !tally.proxyTroubleSaid &&
            ChooseVanishedAction(settings_.vanishedOptions) == VanishedAction::kRecycle) {
            Ask("どのサーバーにも接続できなかったため、ごみ箱へは何も移動していません。\n"
                "ネットワークの接続を確認してください。",
                "注意", MB_OK | MB_ICONEXCLAMATION);
        }
    }
}

void CheckRun::OpenInBrowser(const char* url) {
    // What the user is asked about next must be on screen first.
    view_.Painting().Release();
    if (MayOpenInBrowser(url)) {
        ShellExecuteA(nullptr, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL);
    }
}

int CheckRun::Ask(const char* text, const char* caption, UINT type) {
    view_.Painting().Release();
    return MessageBoxA(view_.Owner(), text, caption, type);
}
