#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "support/loopback_socket.h"

namespace {
sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}
}  // namespace

LoopbackSocket ListenOnLoopback(int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return kNoSocket;
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    sockaddr_in address = Loopback(*port);
    socklen_t length = sizeof(address);
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 16) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return kNoSocket;
    }
    *port = ntohs(address.sin_port);
    return fd;
}

LoopbackSocket AcceptConnection(LoopbackSocket listener) {
    for (;;) {
        const int fd = accept(static_cast<int>(listener), nullptr, nullptr);
        if (fd >= 0 || errno != EINTR) return fd >= 0 ? fd : kNoSocket;
    }
}

LoopbackSocket ConnectToLoopback(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return kNoSocket;
    const sockaddr_in address = Loopback(port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return kNoSocket;
    }
    return fd;
}

int ReceiveSome(LoopbackSocket socket, char* buffer, int size) {
    for (;;) {
        const ssize_t received = recv(static_cast<int>(socket), buffer, static_cast<size_t>(size), 0);
        if (received >= 0 || errno != EINTR) return static_cast<int>(received);
    }
}

bool SendAll(LoopbackSocket socket, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = send(static_cast<int>(socket), data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

void CloseSocket(LoopbackSocket socket) {
    if (socket != kNoSocket) close(static_cast<int>(socket));
}
