// UDP datagrams for the FlightGear bridge on Windows, through Winsock: the same packets,
// the same non-blocking reads, so a Windows user with FlightGear has the bridge too.
// Owns: Winsock's start-up for the process and the sockets it hands out.
#include "platform/platform.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/udp_address.h"

#include <cstring>

// Socket handles are kernel handles, whose values fit 32 bits on every Windows.
static SOCKET SocketOf(int socket)
{
    return static_cast<SOCKET>(static_cast<unsigned>(socket));
}

static bool StartWinsock()
{
    static bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

static std::string WinsockMessage(int code)
{
    char text[256] = {};
    if (!FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(code), 0,
                        text, sizeof text, nullptr))
        return "Winsock error " + std::to_string(code);
    std::string message = text;
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

int PlatformUdpListen(const std::string& host, int port, std::string* why)
{
    sockaddr_in address;
    if (port < 0 || port > 65535 || !FillAddress(host, port, &address)) {
        *why = "'" + host + "' is not a numeric IPv4 address of this machine";
        return -1;
    }
    if (!StartWinsock()) {
        *why = "cannot start Winsock";
        return -1;
    }
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        *why = "cannot open a UDP socket: " + WinsockMessage(WSAGetLastError());
        return -1;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    // A bigger receive buffer rides out a scheduling pause of the bridge at high rates.
    int bytes = 1 << 20;
    setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes), sizeof bytes);
    // Another program already on the port is an error, not a port shared with it.
    BOOL exclusive = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        *why = "cannot listen on UDP " + (host.empty() ? std::string("*") : host) + ":" + std::to_string(port) + ": " +
               WinsockMessage(WSAGetLastError());
        closesocket(s);
        return -1;
    }
    return static_cast<int>(s);
}

int PlatformUdpLocalPort(int socket)
{
    sockaddr_in address;
    int length = sizeof address;
    if (getsockname(SocketOf(socket), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    return ntohs(address.sin_port);
}

long PlatformUdpReceive(int socket, char* buffer, size_t capacity)
{
    // Winsock reports a datagram longer than the buffer as WSAEMSGSIZE, with the first
    // `capacity` bytes delivered and the rest dropped: said here as a length beyond it.
    int got = recv(SocketOf(socket), buffer, static_cast<int>(capacity), 0);
    if (got >= 0)
        return got;
    if (WSAGetLastError() == WSAEMSGSIZE)
        return static_cast<long>(capacity) + 1;
    return -1;  // nothing waiting (or an error the next poll will show again)
}

int PlatformUdpSender(const std::string& host, int port)
{
    sockaddr_in address;
    if (!FillAddress(host, port, &address) || !StartWinsock())
        return -1;
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET)
        return -1;
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        closesocket(s);
        return -1;
    }
    return static_cast<int>(s);
}

bool PlatformUdpSend(int socket, const void* data, size_t length)
{
    return send(SocketOf(socket), static_cast<const char*>(data), static_cast<int>(length), 0) ==
           static_cast<int>(length);
}

void PlatformUdpClose(int socket)
{
    if (socket >= 0)
        closesocket(SocketOf(socket));
}
