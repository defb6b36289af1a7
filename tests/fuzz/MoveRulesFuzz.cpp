// The rules for a moved favorite over any addresses and answers: an update is only ever sure for
// a chain of 301 and 308 that ends in a 2xx, to an address a shortcut line holds, that is not the
// old one and not a site's top page for a deep one; and a new address is shared exactly when
// three different old addresses lead to it.
#include "favorites/ShortcutRewrite.h"
#include "probe/Target.h"
#include "run/MoveRules.h"

#include "FuzzCheck.h"

#include <set>

namespace {

std::string Bare(const std::string& url) {
    return url.substr(0, url.find('#'));
}

std::string PathOf(const std::string& url) {
    UrlParts parts;
    fuzz::Area text = fuzz::Copy(url);
    FUZZ_CHECK(SplitUrl(text.get(), parts) == UrlCheck::kOk);
    return Bare(parts.path);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const std::string oldUrl = input.Text();
    const std::string newAddress = input.Text();
    static const int kCodes[] = {301, 308, 302, 303, 307, 200, 404};
    std::vector<int> hops(input.Byte() % 5);
    for (int& code : hops) {
        code = kCodes[input.Byte() % 7];
    }
    const bool completed = input.Byte() & 1;
    const int finalStatus = 100 + input.Byte() * 2;
    std::string newUrl = "left";
    fuzz::Area oldText = fuzz::Copy(oldUrl);
    fuzz::Area newText = fuzz::Copy(newAddress);
    const MoveCheck check =
        CheckMove(oldText.get(), hops, newText.get(), completed, finalStatus, newUrl);
    if (hops.empty()) {
        FUZZ_CHECK(check == MoveCheck::kNone && newUrl.empty());
    } else {
        FUZZ_CHECK(check != MoveCheck::kNone && check != MoveCheck::kShared);
        FUZZ_CHECK(fuzz::StartsWith(newUrl, newAddress));
    }
    if (check == MoveCheck::kSure) {
        for (const int code : hops) {
            FUZZ_CHECK(code == 301 || code == 308);
        }
        FUZZ_CHECK(completed && finalStatus >= 200 && finalStatus <= 299);
        FUZZ_CHECK(!newUrl.empty() && newUrl.size() <= kMostShortcutUrl);
        for (const char c : newUrl) {
            FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
        }
        const std::string oldPath = PathOf(oldUrl);
        const std::string newPath = PathOf(newUrl);
        FUZZ_CHECK(oldPath == "/" || newPath != "/");
        FUZZ_CHECK(Bare(oldUrl) != Bare(newUrl));
    }

    // The rest as pairs of short addresses, so that they meet often.
    std::vector<std::pair<std::string, std::string>> moves;
    while (!input.Empty() && moves.size() < 16) {
        const uint8_t from = input.Byte();
        const uint8_t to = input.Byte();
        moves.emplace_back("http://o/" + std::to_string(from % 8) + (from & 8 ? "#f" : ""),
                           "http://n/" + std::to_string(to % 3) + (to & 8 ? "#g" : ""));
    }
    const std::vector<bool> shared = SharedMoves(moves);
    FUZZ_CHECK(shared.size() == moves.size());
    for (size_t i = 0; i < moves.size(); ++i) {
        std::set<std::string> sources;
        for (const auto& move : moves) {
            if (Bare(move.second) == Bare(moves[i].second)) {
                sources.insert(Bare(move.first));
            }
        }
        FUZZ_CHECK(shared[i] == (sources.size() >= kMostSharingMoves));
    }
    return 0;
}
