#pragma once
// The local channel: a place where one listening process receives messages
// from client processes of the same user, and nobody else's. The browser
// extension's native messaging host hands its reports to the collector
// through it.
//
// Linux: a Unix stream socket. Its default place is the user's runtime
// folder, found without the environment: /run/user/<uid> when it is a folder
// the user owns that nobody else may write to, else /tmp/qlo-<uid>, made
// private (mode 0700) and refused unless it is a real folder of the user's
// with that mode. The socket itself has mode 0600, and a connection whose
// peer is another user is closed at once. A socket path holds at most 107
// bytes.
// Windows: a named pipe whose name carries the user's SID, created with a
// security descriptor that grants access to that user alone, as the first
// instance of its name, refusing remote clients.
//
// Messages are framed: a 32-bit little-endian length (1 to
// kLocalChannelMaxMessage) and that many bytes. A connection that sends a
// length outside that range is closed.

#include <cstdint>
#include <memory>
#include <string>

inline constexpr uint32_t kLocalChannelMaxMessage = 8192;
// Connections served at the same time; further ones are closed at once.
inline constexpr int kLocalChannelMaxConnections = 8;
// A client gives up a message that the listener does not take within this
// time (a listener that hangs must not hold its clients).
inline constexpr uint32_t kLocalChannelSendLimitMs = 2000;

// The channel through which the browser host reaches this user's collector:
// $QLO_BROWSER_CHANNEL when set (a socket path or pipe name, for tests and
// unusual set-ups: both sides must then see it), else the default place
// above, "qlocollector-browser.sock" in the runtime folder on Linux (the
// folder is made when missing). "" when no place can be had.
std::string BrowserChannelName();

// Receives what the listener's clients send. Called on the listener's thread
// only, one call at a time.
class CLocalChannelReceiver {
public:
    virtual ~CLocalChannelReceiver() = default;
    // One whole message of the connection numbered `connection` (numbers are
    // never reused within a listener's life).
    virtual void OnMessage(uint32_t connection, const char* data, uint32_t size) = 0;
    // The connection ended: closed by its client, broken, refused for a bad
    // frame, or closed because the listener stops.
    virtual void OnDisconnected(uint32_t connection) = 0;
};

class CLocalChannelListener {
public:
    CLocalChannelListener();
    // Stops the listener.
    ~CLocalChannelListener();
    CLocalChannelListener(const CLocalChannelListener&) = delete;
    CLocalChannelListener& operator=(const CLocalChannelListener&) = delete;

    // Listens at `name` and starts the thread that serves the connections and
    // calls `receiver` (which must outlive the listener's running). Results:
    // 1 listening; -1 no name; -5 the name is too long for a socket; -7
    // already listening, or another live listener holds the name; 0 the
    // system refused (a folder that is not private, a failed bind).
    int Start(const std::string& name, CLocalChannelReceiver& receiver);
    // Closes every connection (each reported to the receiver), ends the
    // thread and gives the name up. Nothing happens when not listening.
    void Stop();

private:
    struct CState;
    std::unique_ptr<CState> m_state;
};

// One connection to a listener. Not thread-safe: the owner serialises calls.
class CLocalChannelClient {
public:
    CLocalChannelClient();
    ~CLocalChannelClient();
    CLocalChannelClient(const CLocalChannelClient&) = delete;
    CLocalChannelClient& operator=(const CLocalChannelClient&) = delete;

    // 1 connected; 0 nobody listens there (or the place is not the user's);
    // -1 no name; -7 already connected.
    int Connect(const std::string& name);
    bool IsConnected() const;
    // Sends one message. 1 sent; 0 the connection is lost, or the listener
    // did not take the message within kLocalChannelSendLimitMs (closed now
    // either way); -1 an empty or too long message; -8 not connected.
    int Send(const char* data, uint32_t size);
    // Without waiting: 1 still connected; 0 the listener has closed the
    // connection (closed here too now); -8 not connected.
    int Check();
    void Close();

private:
    intptr_t m_handle;
};

// Collects the messages of one connection from the bytes it delivers, in
// whatever pieces they arrive. Shared by the listeners of both systems.
class CLocalChannelFramer {
public:
    // Takes `size` bytes and calls `onMessage(data, size)` for every message
    // they complete. False when a frame's length is out of range: the
    // connection must then be closed.
    template <class OnMessage>
    bool Feed(const char* data, size_t size, OnMessage&& onMessage);

private:
    // Copies bytes of `data` into the frame being built; true when it is complete.
    bool Take(const char*& data, size_t& size);

    char m_header[4] = {};
    uint32_t m_headerBytes = 0;
    uint32_t m_length = 0;  // of the message being collected, once the header is whole
    uint32_t m_bodyBytes = 0;
    char m_body[kLocalChannelMaxMessage] = {};
    bool m_broken = false;
};

template <class OnMessage>
bool CLocalChannelFramer::Feed(const char* data, size_t size, OnMessage&& onMessage) {
    while (size > 0 && !m_broken) {
        if (!Take(data, size)) continue;
        onMessage(static_cast<const char*>(m_body), m_length);
        m_headerBytes = m_bodyBytes = m_length = 0;
    }
    return !m_broken;
}

// The 4-byte little-endian length of a frame.
void EncodeFrameLength(uint32_t length, char out[4]);
