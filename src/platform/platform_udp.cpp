// UDP datagrams for the FlightGear bridge: FlightGear's generic protocol sends one packet
// per line to a port of ours, on this machine or across the network.
// Owns: nothing beyond the sockets it hands out.
#include "platform/platform.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/udp_address.h"

int PlatformUdpListen(const std::string& host, int port, std::string* why)
{
    sockaddr_in address;
    if (port < 0 || port > 65535 || !FillAddress(host, port, &address)) {
        *why = "'" + host + "' is not a numeric IPv4 address of this machine";
        return -1;
    }
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (s < 0) {
        *why = std::string("cannot open a UDP socket: ") + std::strerror(errno);
        return -1;
    }
    // A bigger receive buffer rides out a scheduling pause of the bridge at high rates.
    int bytes = 1 << 20;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        *why = "cannot listen on UDP " + (host.empty() ? std::string("*") : host) + ":" + std::to_string(port) +
               ": " + std::strerror(errno);
        close(s);
        return -1;
    }
    return s;
}

int PlatformUdpLocalPort(int socket)
{
    sockaddr_in address;
    socklen_t length = sizeof address;
    if (getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    return ntohs(address.sin_port);
}

long PlatformUdpReceive(int socket, char* buffer, size_t capacity)
{
    for (;;) {
        ssize_t got = recv(socket, buffer, capacity, MSG_DONTWAIT | MSG_TRUNC);
        if (got >= 0)
            return static_cast<long>(got);
        if (errno == EINTR)
            continue;
        return -1;  // nothing waiting (or an error the next poll will show again)
    }
}

int PlatformUdpSender(const std::string& host, int port)
{
    sockaddr_in address;
    if (!FillAddress(host, port, &address))
        return -1;
    int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return -1;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(s);
        return -1;
    }
    return s;
}

bool PlatformUdpSend(int socket, const void* data, size_t length)
{
    return send(socket, data, length, 0) == static_cast<ssize_t>(length);
}

void PlatformUdpClose(int socket)
{
    if (socket >= 0)
        close(socket);
}
