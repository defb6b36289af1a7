// A body in chunks decoded as the probe receives it: cut into blocks at places the input
// chooses, it must give the same page bytes and the same end as decoded in one piece, never more
// bytes than it took, and never a byte written past the area it was given.
#include "probe/Chunks.h"

#include "FuzzCheck.h"

#include <vector>

namespace {

struct Decoded {
    std::string page;
    bool done;
    bool failed;
};

Decoded Decode(const std::vector<std::string>& blocks) {
    ChunkDecoder decoder;
    Decoded result{"", false, false};
    for (const std::string& block : blocks) {
        fuzz::Area in = fuzz::Copy(block);
        fuzz::Area out(block.size() + 1);
        const size_t written = decoder.Take(in.get(), block.size(), out.get());
        FUZZ_CHECK(written <= block.size());
        result.page.append(out.get(), written);
    }
    result.done = decoder.Done();
    result.failed = decoder.Failed();
    FUZZ_CHECK(!(result.done && result.failed));
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    std::vector<size_t> cuts;
    for (int i = 0; i < 4; ++i) {
        cuts.push_back(input.Byte());
    }
    const std::string body = input.Rest();
    const Decoded whole = Decode({body});

    std::vector<std::string> blocks;
    size_t at = 0;
    for (size_t cut : cuts) {
        const size_t length = std::min(cut, body.size() - at);
        blocks.push_back(body.substr(at, length));
        at += length;
    }
    blocks.push_back(body.substr(at));
    const Decoded pieces = Decode(blocks);
    FUZZ_CHECK(pieces.page == whole.page);
    FUZZ_CHECK(pieces.done == whole.done && pieces.failed == whole.failed);
    return 0;
}
