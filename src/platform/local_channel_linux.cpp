// The local channel on Linux: a Unix stream socket in the user's runtime
// folder, served by one thread that polls the listening socket, the open
// connections and an eventfd that asks it to stop.
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/local_channel.h"

namespace {
constexpr char kSocketName[] = "qlocollector-browser.sock";

// A folder of this user that only this user may change: not a link, owned by
// the user, writable by nobody else (with `privateOnly`, no access for
// anybody else at all).
bool IsUsersFolder(const std::string& path, bool privateOnly) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != geteuid()) return false;
    return (info.st_mode & (privateOnly ? 077 : 022)) == 0;
}

// /run/user/<uid> when it is the user's, else /tmp/qlo-<uid> made private;
// "" when neither can be had.
std::string RuntimeFolder() {
    const std::string uid = std::to_string(geteuid());
    const std::string run = "/run/user/" + uid;
    if (IsUsersFolder(run, false)) return run;
    const std::string fallback = "/tmp/qlo-" + uid;
    if (mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return IsUsersFolder(fallback, true) ? fallback : std::string();
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size());
    return true;
}

// The user id of the process at the other end of a connected socket.
bool PeerIsThisUser(int fd) {
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && credentials.uid == geteuid();
}

// A connected stream socket to `path`; -1 when nobody listens there.
int ConnectTo(const std::string& path) {
    sockaddr_un address;
    if (!MakeAddress(path, address)) return -1;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}
}  // namespace

std::string BrowserChannelName() {
    const char* configured = std::getenv("QLO_BROWSER_CHANNEL");
    if (configured && *configured) return configured;
    const std::string folder = RuntimeFolder();
    return folder.empty() ? std::string() : folder + "/" + kSocketName;
}

// ---- listener ----

struct CLocalChannelListener::CState {
    struct CConnection {
        int fd;
        uint32_t number;
        std::unique_ptr<CLocalChannelFramer> framer;
    };

    int listener = -1;
    int stop = -1;  // eventfd
    std::string path;
    struct stat bound {};  // the socket file this listener made
    CLocalChannelReceiver* receiver = nullptr;
    std::vector<CConnection> connections;
    uint32_t nextNumber = 1;
    // Set when a connection could not be taken for want of descriptors or
    // memory: the waiting connection keeps the listener readable, so it is
    // left out of the wait until a connection ends or a second has passed.
    bool acceptPaused = false;
    std::thread thread;

    ~CState() {
        if (listener >= 0) close(listener);
        if (stop >= 0) close(stop);
    }

    int Bind(const std::string& name) {
        sockaddr_un address;
        if (name.empty()) return -1;
        if (!MakeAddress(name, address)) return -5;
        listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (listener < 0) return 0;
        auto bind = [&] { return ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)); };
        if (bind() != 0) {
            if (errno != EADDRINUSE) return 0;
            // A socket is there: a live listener keeps it; one left by a
            // process that ended is replaced. Anything else stays.
            const int probe = ConnectTo(name);
            if (probe >= 0) {
                close(probe);
                return -7;
            }
            struct stat found;
            if (lstat(name.c_str(), &found) != 0 || !S_ISSOCK(found.st_mode)) return 0;
            if (unlink(name.c_str()) != 0 || bind() != 0) return 0;
        }
        if (chmod(name.c_str(), 0600) != 0 || listen(listener, kLocalChannelMaxConnections) != 0 ||
            stat(name.c_str(), &bound) != 0) {
            unlink(name.c_str());
            return 0;
        }
        path = name;
        return 1;
    }

    void Accept() {
        const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            acceptPaused = errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM;
            return;
        }
        if (!PeerIsThisUser(fd) || static_cast<int>(connections.size()) >= kLocalChannelMaxConnections) {
            close(fd);
            return;
        }
        connections.push_back({fd, nextNumber++, std::make_unique<CLocalChannelFramer>()});
    }

    // Reads what the connection has; false when it must be closed.
    bool Read(CConnection& connection) {
        char buffer[4096];
        for (;;) {
            const ssize_t got = recv(connection.fd, buffer, sizeof(buffer), 0);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK;
            if (got == 0) return false;
            const bool whole = connection.framer->Feed(
                buffer, static_cast<size_t>(got),
                [&](const char* data, uint32_t size) { receiver->OnMessage(connection.number, data, size); });
            if (!whole) return false;
        }
    }

    void Drop(size_t index) {
        close(connections[index].fd);
        const uint32_t number = connections[index].number;
        connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(index));
        acceptPaused = false;
        receiver->OnDisconnected(number);
    }

    void Serve() {
        std::vector<pollfd> watched;
        for (;;) {
            // poll() passes over a negative descriptor: a paused listener.
            watched.assign({{stop, POLLIN, 0}, {acceptPaused ? -1 : listener, POLLIN, 0}});
            for (const CConnection& connection : connections)
                watched.push_back({connection.fd, POLLIN, 0});
            const int ready = poll(watched.data(), watched.size(), acceptPaused ? 1000 : -1);
            if (ready < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (ready == 0) acceptPaused = false;
            if (watched[0].revents) break;
            // Connections first, newest last, so that indexes stay valid.
            for (size_t i = watched.size(); i-- > 2;) {
                if (watched[i].revents == 0) continue;
                if (!Read(connections[i - 2])) Drop(i - 2);
            }
            if (watched[1].revents) Accept();
        }
        while (!connections.empty())
            Drop(connections.size() - 1);
    }
};

CLocalChannelListener::CLocalChannelListener() = default;

CLocalChannelListener::~CLocalChannelListener() { Stop(); }

int CLocalChannelListener::Start(const std::string& name, CLocalChannelReceiver& receiver) {
    if (m_state) return -7;
    auto state = std::make_unique<CState>();
    const int bound = state->Bind(name);
    if (bound != 1) return bound;
    state->stop = eventfd(0, EFD_CLOEXEC);
    if (state->stop < 0) {
        unlink(name.c_str());
        return 0;
    }
    state->receiver = &receiver;
    CState* raw = state.get();
    state->thread = std::thread([raw] { raw->Serve(); });
    m_state = std::move(state);
    return 1;
}

void CLocalChannelListener::Stop() {
    if (!m_state) return;
    const uint64_t one = 1;
    if (write(m_state->stop, &one, sizeof(one)) != sizeof(one)) {
        // An eventfd write fails only when its counter is full: it is signalled already.
    }
    m_state->thread.join();
    // The name is given up only while it is still this listener's socket.
    struct stat now;
    if (stat(m_state->path.c_str(), &now) == 0 && now.st_ino == m_state->bound.st_ino &&
        now.st_dev == m_state->bound.st_dev)
        unlink(m_state->path.c_str());
    m_state.reset();
}

// ---- client ----

CLocalChannelClient::CLocalChannelClient() : m_handle(-1) {}

CLocalChannelClient::~CLocalChannelClient() { Close(); }

int CLocalChannelClient::Connect(const std::string& name) {
    if (name.empty()) return -1;
    if (m_handle >= 0) return -7;
    const int fd = ConnectTo(name);
    if (fd < 0) return 0;
    // The listener must be this user's too.
    const timeval timeout{kLocalChannelSendLimitMs / 1000, (kLocalChannelSendLimitMs % 1000) * 1000};
    if (!PeerIsThisUser(fd) || setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout)) != 0) {
        close(fd);
        return 0;
    }
    m_handle = fd;
    return 1;
}

bool CLocalChannelClient::IsConnected() const { return m_handle >= 0; }

int CLocalChannelClient::Send(const char* data, uint32_t size) {
    if (!data || size == 0 || size > kLocalChannelMaxMessage) return -1;
    if (m_handle < 0) return -8;
    char header[4];
    EncodeFrameLength(size, header);
    const int fd = static_cast<int>(m_handle);
    if (SendAll(fd, header, sizeof(header)) && SendAll(fd, data, size)) return 1;
    Close();
    return 0;
}

int CLocalChannelClient::Check() {
    if (m_handle < 0) return -8;
    // The listener never writes: anything to read is the end of the connection.
    pollfd watched{static_cast<int>(m_handle), POLLIN, 0};
    if (poll(&watched, 1, 0) == 0) return 1;
    Close();
    return 0;
}

void CLocalChannelClient::Close() {
    if (m_handle >= 0) close(static_cast<int>(m_handle));
    m_handle = -1;
}
