// A check run: lists the favorites of a folder, probes them on worker threads, several ahead of
// the favorite at hand, and takes their answers in list order, exactly as if each had been
// probed alone: compares each fresh copy with the stored one, acts on vanished and updated pages,
// and writes the report pages. It shows what it does through a RunView, never reaching into a
// dialog; the window keeps its messages served while the run waits.
#pragma once

#include <windows.h>

#include "run/RunRules.h"

#include <functional>
#include <string>

class PaintHold;
class ReportPage;
struct CheckTally;
struct FavoriteAhead;
struct ProbeFacts;

// What a run needs of the window it runs in.
class RunView {
public:
    // Adds a line to the log; ShowLastLogLine brings the last one into view.
    virtual void Log(const char* line) = 0;
    virtual void ShowLastLogLine() = 0;
    virtual void ShowStatus(const char* text) = 0;
    // The progress bar counts favorites from 0 to last.
    virtual void SetProgressRange(int last) = 0;
    virtual void SetProgress(int position) = 0;
    // The status line, for the probes' texts, and the owner of the run's message boxes.
    virtual HWND StatusLine() = 0;
    virtual HWND Owner() = 0;
    // The painting of the log, status line and progress bar, held while favorites go by.
    virtual PaintHold& Painting() = 0;
    // The log's lines so far, and a line put in at a place counted so (what the run learns of
    // a favorite only at its end is told at the favorite).
    virtual int LogCount() = 0;
    virtual void InsertLog(int at, const char* line) = 0;

protected:
    ~RunView() = default;
};

struct RunSettings {
    const char* favoritesFolder;
    DWORD vanishedOptions;
    DWORD updateOptions;
    DWORD probesAtOnce;
    bool updateMoved; // favorites whose page moved for good get the new address
};

class CheckRun {
public:
    CheckRun(RunView& view, const RunSettings& settings) : view_(view), settings_(settings) {}
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    // The whole run, until the list ends, the user stops it or it is forced to end (runFlag,
    // busyFlag).
    void Run();

private:
    // The favorites of the list, count of them, probed and handled in list order.
    void CheckUrls(int count, CheckTally& tally);
    // probeAhead starts the probes of the favorites ahead as far as allowed.
    void CheckUrl(FavoriteAhead& favorite, CheckTally& tally,
                  const std::function<void()>& probeAhead);
    // The favorite's probe exit code, once it has ended (or why it was not asked for).
    DWORD AwaitProbe(FavoriteAhead& favorite, CheckTally& tally,
                     const std::function<void()>& probeAhead);
    // A page that is there, with a whole new copy: a page that is new or changed takes the stored
    // copy's place, is said in the log and is opened or listed with what changed.
    void TakeNewCopy(FavoriteAhead& favorite, const std::string& moved, CheckTally& tally);
    // A favorite whose page has vanished, surely or not.
    void HandleGoneFavorite(FavoriteAhead& favorite, DWORD code, Verdict verdict,
                            const std::string& moved, CheckTally& tally);
    void HandleVanished(const char* shortcut, const char* url, const char* relativeName,
                        const char* caption, const char* moved, const char* reason, bool sure,
                        CheckTally& tally);
    // Lists a favorite that would have been recycled had the answer been sure, saying why not.
    void ListUnsure(const char* url, const char* relativeName, const char* moved,
                    const char* reason, CheckTally& tally);
    void SettleUnsureNames(CheckTally& tally);
    // The box about a proxy that failed, at its first failure in list order.
    void SayProxyTrouble(const ProbeFacts& facts, CheckTally& tally);
    // Notes a favorite's moves, to be applied at the end of the run when sure.
    void NoteMove(const FavoriteAhead& favorite, DWORD code, CheckTally& tally);
    // Updates the favorites whose move is sure, now that all the run's moves are known, and
    // lists every move.
    void SettleMoves(CheckTally& tally);
    // The vanished-pages report, created when first needed by a run that did not ask for it.
    ReportPage& VanishedReport(CheckTally& tally);
    void OpenInBrowser(const char* url);
    // A message box over the window, with what the run has done painted first.
    int Ask(const char* text, const char* caption, UINT type);

    RunView& view_;
    RunSettings settings_;
};
