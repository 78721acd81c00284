// The FlightGear bridge's address rule, the same on both systems: an empty host is every
// interface, anything else must be a numeric IPv4 address. Included after the system's own
// socket headers (POSIX or Winsock), which give sockaddr_in, htons and inet_pton.
#pragma once

#include <cstring>
#include <string>

static inline bool FillAddress(const std::string& host, int port, sockaddr_in* address)
{
    std::memset(address, 0, sizeof *address);
    address->sin_family = AF_INET;
    address->sin_port = htons(static_cast<uint16_t>(port));
    if (host.empty()) {
        address->sin_addr.s_addr = htonl(INADDR_ANY);
        return true;
    }
    return inet_pton(AF_INET, host.c_str(), &address->sin_addr) == 1;
}
