#include "probe/Unreachable.h"

#include "framework/Handles.h"

namespace {

std::string NameKey(const char* host, int port) {
    std::string key(host);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key + ":" + std::to_string(port);
}

} // namespace

unsigned long long UnreachableHosts::Key(const ServerAddress& server) {
    if (server.family == AF_INET6) {
        // Sixteen bytes and a port hashed (FNV-1a) into the half of the keys IPv4 never uses.
        const sockaddr_in6* in6 = reinterpret_cast<const sockaddr_in6*>(&server.bytes);
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&in6->sin6_addr);
        unsigned long long hash = 14695981039346656037ull;
        for (size_t i = 0; i < 16; ++i) {
            hash = (hash ^ bytes[i]) * 1099511628211ull;
        }
        hash = (hash ^ (in6->sin6_port & 0xFF)) * 1099511628211ull;
        hash = (hash ^ (in6->sin6_port >> 8)) * 1099511628211ull;
        return hash | (1ull << 63);
    }
    // The port is never 0 here, so neither is the key.
    const sockaddr_in* in = reinterpret_cast<const sockaddr_in*>(&server.bytes);
    return (static_cast<unsigned long long>(in->sin_addr.s_addr) << 16) | ntohs(in->sin_port);
}

bool UnreachableHosts::KnownByName(const char* host, int port, unsigned long long& key) {
    const Locked locked(lock_);
    const auto found = names_.find(NameKey(host, port));
    if (found == names_.end()) {
        return false;
    }
    key = found->second;
    return true;
}

bool UnreachableHosts::KnownByAddress(unsigned long long key) {
    const Locked locked(lock_);
    return addresses_.count(key) != 0;
}

void UnreachableHosts::Add(const char* host, int port, unsigned long long key) {
    const Locked locked(lock_);
    addresses_.insert(key);
    if (inet_addr(host) == INADDR_NONE) {
        names_[NameKey(host, port)] = key;
    }
}
