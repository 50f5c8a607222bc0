#pragma once
// Minimal blocking TCP sockets on the loopback address 127.0.0.1, for servers
// that tests start inside their own process (Winsock on Windows, BSD sockets
// on Linux). Handles are plain integers; kNoSocket marks a failure.

#include <cstddef>
#include <cstdint>

using LoopbackSocket = intptr_t;
inline constexpr LoopbackSocket kNoSocket = -1;

// Listens on 127.0.0.1 at `port` (0: a free port chosen by the system, which
// is written back into `port`).
LoopbackSocket ListenOnLoopback(int* port);
// Waits for the next connection on a listening socket.
LoopbackSocket AcceptConnection(LoopbackSocket listener);
// Connects to 127.0.0.1:port.
LoopbackSocket ConnectToLoopback(int port);
// Receives at most `size` bytes; the count received, 0 when the peer closed,
// below 0 on failure.
int ReceiveSome(LoopbackSocket socket, char* buffer, int size);
// Sends every byte; false when the connection failed first.
bool SendAll(LoopbackSocket socket, const char* data, size_t size);
void CloseSocket(LoopbackSocket socket);
