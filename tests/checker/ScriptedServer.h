// A scripted HTTP peer on loopback for byte-exact probe tests: it takes one connection (or one
// for each conversation it is given, in turn), records the request, then sends its blocks with
// the given pauses, and closes, resets or keeps the connection open until the client closes it.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

struct ServerStep {
    DWORD pauseMs; // before this block is sent
    std::string data;
};

class ScriptedServer {
public:
    // Reset: the connection is aborted (a TCP reset) instead of closed.
    enum class End { Close, WaitForClient, Reset };

    ScriptedServer(std::vector<ServerStep> steps, End end = End::Close);
    // One connection per conversation, each ended as end says; on the address given (host
    // byte order), 127.0.0.1 unless another.
    ScriptedServer(std::vector<std::vector<ServerStep>> conversations, End end,
                   unsigned long address = INADDR_LOOPBACK);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int Port() const { return port_; }
    // The request bytes as received (complete once the server thread has ended): the first
    // connection's, or every connection's in turn.
    std::string Request();
    std::vector<std::string> Requests();

private:
    void Serve();
    void Converse(const std::vector<ServerStep>& steps);

    std::vector<std::vector<ServerStep>> conversations_;
    End end_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::vector<std::string> requests_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A loopback port on which nothing listens, so that a connection is refused at once.
int UnusedPort();
