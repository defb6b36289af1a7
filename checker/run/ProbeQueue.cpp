// The favorites probed ahead of the one at hand (ProbeQueue.h).
#include <winsock2.h>

#include "run/ProbeQueue.h"

#include "favorites/FavoritesWalk.h"
#include "favorites/StoreNames.h"
#include "framework/PaintHold.h"
#include "framework/RunFlags.h"
#include "probe/ProbeWorker.h"
#include "probe/ProxySetting.h"
#include "run/RunOptions.h"
#include "text/TextRoutines.h"

#include <map>
#include <set>
#include <string>

// The probes at work among those ahead: how many in all, how many through the proxy, how many on
// each host, and the hosts that one of them is connecting to and that have not yet accepted.
struct AtWork {
    size_t running = 0;
    size_t viaProxy = 0;
    std::map<std::string, int, std::less<>> onHost;
    std::set<std::string, std::less<>> connecting;
};

namespace {

// Reads the next favorite of the list and readies its probe.
std::unique_ptr<FavoriteAhead> ReadFavorite(FILE* list, DWORD updateOptions,
                                            UnreachableHosts& unreachable, ProxyRouter& router) {
    std::unique_ptr<FavoriteAhead> favorite(new FavoriteAhead);
    const ListEntry& entry = favorite->entry;
    ReadListEntry(list, favorite->entry);
    const bool named =
        BuildCopyPaths(userPrefix, entry.storeName, favorite->newCopyPath, favorite->copyFolder);
    UrlParts parts;
    favorite->check = SplitUrl(entry.url, parts);
    // What is not asked for anyway says why by its scheme; an http address cut short by the
    // list would name another page.
    favorite->tooLong = entry.urlCut && UrlProblemCode(favorite->check) != kProbeNotChecked;
    if (Probed(*favorite)) {
        CopyText(favorite->host, sizeof favorite->host, parts.host);
        ProbeRecord& probe = favorite->probe;
        char target[kListLineSize];
        CopyText(target, sizeof target, entry.url);
        StripScheme(target);
        probe.target = target;
        probe.scheme = parts.scheme;
        probe.port = DefaultPort(parts.scheme);
        probe.unreachable = &unreachable;
        probe.router = &router;
        favorite->viaProxy = router.MayGoThrough(parts);
        // Without a name in the store (a path too long for it) the page is probed but not kept.
        if (!OptionSet(updateOptions, kNoUpdateCheck) && named) {
            probe.saveCopy = true;
            probe.copyPath = favorite->newCopyPath;
            CreateFolderChain(favorite->copyFolder);
        }
    }
    return favorite;
}

AtWork ProbesAtWork(const std::deque<std::unique_ptr<FavoriteAhead>>& ahead) {
    AtWork work;
    for (const std::unique_ptr<FavoriteAhead>& favorite : ahead) {
        if (favorite->started && !favorite->probe.ended) {
            ++work.running;
            work.viaProxy += favorite->viaProxy;
            ++work.onHost[favorite->host];
            if (favorite->probe.connecting) {
                work.connecting.insert(favorite->host);
            }
        }
    }
    return work;
}

// Whether favorite's host may take another probe: a host gets so many at once, but none more
// while its connection is not yet accepted, so that one that never accepts holds one probe, not
// several, and the run's memory answers the others at once.
// A proxy is one server for every site behind it: it gets so many connections at once.
bool HostTakesMore(const FavoriteAhead& favorite, const AtWork& work) {
    if (favorite.viaProxy && work.viaProxy >= kProxyConnections) {
        return false;
    }
    const auto on = work.onHost.find(favorite.host);
    return on == work.onHost.end() ||
           (on->second < kProbesPerHost && work.connecting.count(favorite.host) == 0);
}

} // namespace

bool Probed(const FavoriteAhead& favorite) {
    return favorite.check == UrlCheck::kOk && !favorite.tooLong;
}

ProbeQueue::ProbeQueue(FILE* list, int count, DWORD updateOptions, DWORD probesAtOnce,
                       ProxyRouter& router)
    : list_(list), count_(count), updateOptions_(updateOptions), probesAtOnce_(probesAtOnce),
      router_(router), mostAhead_(AnswersWaiting(probesAtOnce)) {}

bool ProbeQueue::Start(FavoriteAhead& favorite, AtWork& work) {
    if (!Probed(favorite) || favorite.started) {
        return true;
    }
    if (work.running >= probesAtOnce_) {
        return false;
    }
    if (!HostTakesMore(favorite, work)) {
        return true;
    }
    // No thread to spare now: tried again later, at the latest at its turn.
    favorite.started = StartProbe(favorite.probe);
    if (favorite.started) {
        ++work.running;
        work.viaProxy += favorite.viaProxy;
        ++work.onHost[favorite.host];
        work.connecting.insert(favorite.host); // until it says otherwise
    }
    return favorite.started;
}

void ProbeQueue::ProbeAhead() {
    if (runFlag != 1) {
        return;
    }
    AtWork work = ProbesAtWork(ahead_);
    for (std::unique_ptr<FavoriteAhead>& favorite : ahead_) {
        if (!Start(*favorite, work)) {
            return;
        }
    }
    while (runFlag == 1 && read_ < count_ && ahead_.size() < mostAhead_) {
        ahead_.push_back(ReadFavorite(list_, updateOptions_, unreachable_, router_));
        ++read_;
        if (!Start(*ahead_.back(), work)) {
            return;
        }
    }
}

void ProbeQueue::Abandon(PaintHold& painting) {
    // They end within a moment of being left.
    for (std::unique_ptr<FavoriteAhead>& favorite : ahead_) {
        favorite->probe.abandoned = true;
    }
    for (std::unique_ptr<FavoriteAhead>& favorite : ahead_) {
        if (favorite->started) {
            WaitForProbe(favorite->probe, &painting);
        }
        if (favorite->probe.saveCopy) {
            DeleteFileA(favorite->probe.copyPath.c_str());
        }
    }
    ahead_.clear();
}
