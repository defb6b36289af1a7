// What a proxy answers to CONNECT, read as the bytes come: whatever they are, nothing is read
// past them; an answer it takes has a status from 100 to 599 and a head that ends in a blank
// line within the limit, and any shorter piece of it is not yet an answer; the CONNECT request
// it would send for a host is one line of three parts, or none.
#include "probe/NetworkRules.h"

#include "FuzzCheck.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input input(data, size);
    const std::string host = input.Text(300);
    const int port = 1 + input.Byte();
    const std::string bytes = input.Rest();
    // Exactly as long as the bytes, so that a read past them is caught.
    fuzz::Area area(bytes.size());
    std::copy(bytes.begin(), bytes.end(), area.get());
    TunnelReply reply;
    const TunnelAnswer answer = ReadTunnelAnswer(area.get(), bytes.size(), reply);
    if (answer == TunnelAnswer::kOpen || answer == TunnelAnswer::kRefused) {
        FUZZ_CHECK(reply.statusCode >= 100 && reply.statusCode <= 599);
        FUZZ_CHECK((answer == TunnelAnswer::kOpen) ==
                   (reply.statusCode >= 200 && reply.statusCode <= 299));
        FUZZ_CHECK(reply.headLength >= 2 && reply.headLength <= bytes.size() &&
                   reply.headLength <= kTunnelHeadLimit);
        FUZZ_CHECK(bytes[reply.headLength - 1] == '\n');
        TunnelReply shorter;
        FUZZ_CHECK(ReadTunnelAnswer(area.get(), reply.headLength - 1, shorter) ==
                   TunnelAnswer::kIncomplete);
    }

    char request[2048];
    if (FormatConnectRequest(host.c_str(), port, request, sizeof request)) {
        const std::string sent = request;
        const std::string line = sent.substr(0, sent.find("\r\n"));
        FUZZ_CHECK(std::count(line.begin(), line.end(), ' ') == 2);
        FUZZ_CHECK(fuzz::StartsWith(line, "CONNECT " + host + ":"));
    }
    return 0;
}
