// The servers that never accepted a connection during one run. Another favorite on the same
// host name, or on the same address and port, gets the same answer at once instead of another
// wait of probeConnectMs: a collection of old favorites may hold many on one dead site.
#pragma once

#include <winsock2.h>

#include "probe/Connection.h"

#include <map>
#include <set>
#include <string>

class UnreachableHosts {
public:
    UnreachableHosts() { InitializeCriticalSection(&lock_); }
    ~UnreachableHosts() { DeleteCriticalSection(&lock_); }
    UnreachableHosts(const UnreachableHosts&) = delete;
    UnreachableHosts& operator=(const UnreachableHosts&) = delete;

    // The key of an address and its port, never 0 for an address the probe connects to.
    static unsigned long long Key(const ServerAddress& address);

    // Whether host:port (names compared without case) never accepted; key receives its
    // address's key.
    bool KnownByName(const char* host, int port, unsigned long long& key);
    bool KnownByAddress(unsigned long long key);
    // host:port at address never accepted a connection.
    void Add(const char* host, int port, unsigned long long key);

private:
    CRITICAL_SECTION lock_;
    std::map<std::string, unsigned long long> names_;
    std::set<unsigned long long> addresses_;
};
