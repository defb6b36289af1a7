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

unsigned long long UnreachableHosts::Key(u_long address, int port) {
    // The port is never 0 here, so neither is the key.
    return (static_cast<unsigned long long>(address) << 16) | static_cast<unsigned>(port & 0xFFFF);
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
