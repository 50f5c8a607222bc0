#include <winsock2.h>
#include <ws2tcpip.h>

#include "support/loopback_socket.h"

namespace {
// Winsock must be started once per process before the first socket call.
bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

LoopbackSocket FromWinsock(SOCKET s) { return s == INVALID_SOCKET ? kNoSocket : static_cast<LoopbackSocket>(s); }
SOCKET ToWinsock(LoopbackSocket s) { return static_cast<SOCKET>(s); }
}  // namespace

LoopbackSocket ListenOnLoopback(int* port) {
    if (!StartWinsock()) return kNoSocket;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return kNoSocket;
    sockaddr_in address = Loopback(*port);
    int length = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    *port = ntohs(address.sin_port);
    return FromWinsock(s);
}

LoopbackSocket AcceptConnection(LoopbackSocket listener) {
    return FromWinsock(accept(ToWinsock(listener), nullptr, nullptr));
}

LoopbackSocket ConnectToLoopback(int port) {
    if (!StartWinsock()) return kNoSocket;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return kNoSocket;
    const sockaddr_in address = Loopback(port);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        closesocket(s);
        return kNoSocket;
    }
    return FromWinsock(s);
}

int ReceiveSome(LoopbackSocket socket, char* buffer, int size) { return recv(ToWinsock(socket), buffer, size, 0); }

bool SendAll(LoopbackSocket socket, const char* data, size_t size) {
    while (size > 0) {
        const int chunk = size > 65536 ? 65536 : static_cast<int>(size);
        const int sent = send(ToWinsock(socket), data, chunk, 0);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

void CloseSocket(LoopbackSocket socket) {
    if (socket != kNoSocket) closesocket(ToWinsock(socket));
}
