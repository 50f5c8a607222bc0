#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "support/silent_listener.h"

struct CSilentListener::CState {
    std::string name;
    int fd = -1;
};

CSilentListener::CSilentListener(const std::string& name) : m_state(std::make_unique<CState>()) {
    m_state->name = name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (name.size() >= sizeof(address.sun_path)) return;
    std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return;
    }
    m_state->fd = fd;
}

CSilentListener::~CSilentListener() { Close(); }

bool CSilentListener::Holding() const { return m_state->fd >= 0; }

void CSilentListener::Close() {
    if (m_state->fd < 0) return;
    // Connections never accepted are reset with the listening socket.
    close(m_state->fd);
    unlink(m_state->name.c_str());
    m_state->fd = -1;
}
