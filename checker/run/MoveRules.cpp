// The rules that tell a sure move from one that only looks like it.
#include "run/MoveRules.h"

#include "favorites/ShortcutRewrite.h"
#include "probe/Target.h"
#include "text/TextRoutines.h"

#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace {

bool IsTemporaryMove(int status) {
    return status == 302 || status == 303 || status == 307;
}

std::string WithoutFragment(const std::string& url) {
    return url.substr(0, url.find('#'));
}

std::string Fragment(const std::string& url) {
    const size_t hash = url.find('#');
    return hash == std::string::npos ? std::string() : url.substr(hash);
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool HasControlBytes(const std::string& text) {
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

} // namespace

MoveCheck CheckMove(const char* oldUrl, const std::vector<int>& hopCodes, const char* newAddress,
                    bool completed, int finalStatus, std::string& newUrl) {
    newUrl.clear();
    if (hopCodes.empty()) {
        return MoveCheck::kNone;
    }
    newUrl = newAddress;
    if (Fragment(newUrl).empty()) {
        newUrl += Fragment(oldUrl); // as a browser keeps the place on the page
    }
    for (const int status : hopCodes) {
        if (status != 301 && status != 308) {
            return MoveCheck::kTemporary;
        }
    }
    if (completed && IsTemporaryMove(finalStatus)) {
        return MoveCheck::kTemporary;
    }
    if (!completed || finalStatus < 200 || finalStatus > 299) {
        return MoveCheck::kNotThere;
    }
    if (HasControlBytes(newUrl)) {
        return MoveCheck::kUnusable;
    }
    // The parts are large: kept off the stack of the run.
    std::unique_ptr<UrlParts> before(new UrlParts);
    std::unique_ptr<UrlParts> after(new UrlParts);
    if (SplitUrl(oldUrl, *before) != UrlCheck::kOk ||
        SplitUrl(newUrl.c_str(), *after) != UrlCheck::kOk) {
        return MoveCheck::kUnusable;
    }
    const std::string oldPath = WithoutFragment(before->path);
    const std::string newPath = WithoutFragment(after->path);
    if (before->scheme == after->scheme && before->port == after->port &&
        LowerAscii(before->host) == LowerAscii(after->host) && oldPath == newPath) {
        return MoveCheck::kSameAddress;
    }
    if (oldPath != "/" && newPath == "/") {
        return MoveCheck::kToTopPage;
    }
    if (newUrl.size() > kMostShortcutUrl) {
        return MoveCheck::kTooLong;
    }
    return MoveCheck::kSure;
}

std::vector<bool> SharedMoves(const std::vector<std::pair<std::string, std::string>>& moves) {
    std::map<std::string, std::set<std::string>> sources;
    for (const auto& move : moves) {
        sources[WithoutFragment(move.second)].insert(WithoutFragment(move.first));
    }
    std::vector<bool> shared;
    shared.reserve(moves.size());
    for (const auto& move : moves) {
        shared.push_back(sources[WithoutFragment(move.second)].size() >= kMostSharingMoves);
    }
    return shared;
}

const char* MoveCheckText(MoveCheck check) {
    switch (check) {
    case MoveCheck::kNone:
    case MoveCheck::kSure:
        return "";
    case MoveCheck::kTemporary:
        return "一時的な移転を経由しています";
    case MoveCheck::kNotThere:
        return "移転先のページが正常に応答しません";
    case MoveCheck::kToTopPage:
        return "移転先がサイトのトップページです";
    case MoveCheck::kSameAddress:
        return "移転先が元のアドレスと同じです";
    case MoveCheck::kTooLong:
        return "移転先のURLが長すぎます";
    case MoveCheck::kUnusable:
        return "移転先のURLを書き込めません";
    case MoveCheck::kShared:
        return "多くのお気に入りが同じページに移転しています";
    }
    return "";
}
