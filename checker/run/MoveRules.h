// When a favorite whose page moved is updated to its new address: only for a move that is sure.
// Pure text work, no windows.h, so that the rules are fuzzed natively as well.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What a favorite's moves come to.
enum class MoveCheck {
    kNone,        // no move for good: nothing to update
    kSure,        // every hop 301 or 308 and a 2xx at the new address: updated
    kTemporary,   // a temporary move (302, 303, 307) on the way
    kNotThere,    // the new address did not answer with a 2xx
    kToTopPage,   // a deep page sent to a site's top page, as for a page removed
    kSameAddress, // the new address differs only by case in the host or by a fragment
    kTooLong,     // the new address does not fit a shortcut's line
    kUnusable,    // the new address holds control bytes or cannot be read
    kShared,      // many favorites sent to one page (a login page, a notice)
};

// hopCodes are the statuses of the moves followed, in order, newAddress the last one's new
// address; completed tells that the last request was answered, with finalStatus. Fills newUrl,
// the address to write (the old one's fragment kept when the new one has none), for kSure and for
// every verdict that has a new address to show.
MoveCheck CheckMove(const char* oldUrl, const std::vector<int>& hopCodes, const char* newAddress,
                    bool completed, int finalStatus, std::string& newUrl);

// Favorites sent to one new address by this many different old addresses are not updated.
constexpr size_t kMostSharingMoves = 3;

// For each (old, new) pair of a run, whether its new address is shared by kMostSharingMoves or
// more different old addresses (fragments aside).
std::vector<bool> SharedMoves(const std::vector<std::pair<std::string, std::string>>& moves);

// Why a move was not applied, for the log and the report.
const char* MoveCheckText(MoveCheck check);
