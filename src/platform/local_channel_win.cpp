// The local channel on Windows: a named pipe of the user, served by one
// thread with overlapped I/O on a fixed set of pipe instances.
#include <windows.h>
// After windows.h:
#include <aclapi.h>
#include <sddl.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/local_channel.h"

namespace {
constexpr char kPipePrefix[] = "\\\\.\\pipe\\QLOCollector.browser.";
constexpr DWORD kPipeBufferSize = 8192;
constexpr DWORD kBusyWaitMs = 500;
constexpr DWORD kCancelWaitMs = 1000;

// The current user's SID as a string ("S-1-5-21-..."); "" when it cannot be had.
std::string UserSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    std::string result;
    DWORD bytes = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &bytes);
    std::vector<char> information(bytes);
    char* text = nullptr;
    if (bytes > 0 && GetTokenInformation(token, TokenUser, information.data(), bytes, &bytes) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(information.data())->User.Sid, &text)) {
        result = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return result;
}

// False when the object behind `handle` is owned by another user than the
// one whose SID is `sid`. (Wine reports no owner at all: that passes.)
bool OwnedBy(HANDLE handle, const std::string& sid) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(handle, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                        &descriptor) != ERROR_SUCCESS)
        return false;
    char* text = nullptr;
    const bool same = !owner || (ConvertSidToStringSidA(owner, &text) && sid == text);
    if (text) LocalFree(text);
    LocalFree(descriptor);
    return same;
}

// Writes every byte, in as many writes as the pipe takes, through the
// client's overlapped handle; false when a write fails or the listener has
// not taken them all once `limit` has passed since `start` (the write in
// progress is cancelled).
bool WriteAll(HANDLE pipe, HANDLE event, const char* data, DWORD size, DWORD start, DWORD limit) {
    while (size > 0) {
        OVERLAPPED overlapped{};
        overlapped.hEvent = event;
        DWORD written = 0;
        if (!WriteFile(pipe, data, size, nullptr, &overlapped)) {
            if (GetLastError() != ERROR_IO_PENDING) return false;
            const DWORD spent = GetTickCount() - start;
            if (WaitForSingleObject(event, spent < limit ? limit - spent : 0) != WAIT_OBJECT_0) {
                CancelIo(pipe);
                GetOverlappedResult(pipe, &overlapped, &written, TRUE);
                return false;
            }
        }
        if (!GetOverlappedResult(pipe, &overlapped, &written, FALSE) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

struct CInstance {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    bool connected = false;      // else waiting for a client
    bool clientArrived = false;  // a client came before the wait began: no I/O to complete
    uint32_t number = 0;
    std::unique_ptr<CLocalChannelFramer> framer;
    char buffer[4096];
};
}  // namespace

std::string BrowserChannelName() {
    const char* configured = std::getenv("QLO_BROWSER_CHANNEL");
    if (configured && *configured) return configured;
    const std::string sid = UserSid();
    return sid.empty() ? std::string() : kPipePrefix + sid;
}

// ---- listener ----

struct CLocalChannelListener::CState {
    HANDLE stop = nullptr;
    std::vector<CInstance> instances;
    CLocalChannelReceiver* receiver = nullptr;
    uint32_t nextNumber = 1;
    std::thread thread;

    ~CState() {
        for (CInstance& instance : instances) {
            if (instance.pipe != INVALID_HANDLE_VALUE) CloseHandle(instance.pipe);
            if (instance.overlapped.hEvent) CloseHandle(instance.overlapped.hEvent);
        }
        if (stop) CloseHandle(stop);
    }

    // Every instance of the name, the first one claiming it: a name that
    // another process serves already is refused (-7).
    int Create(const std::string& name) {
        const std::string sid = UserSid();
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        const std::string sddl = "O:" + sid + "D:P(A;;GA;;;" + sid + ")";
        if (sid.empty() ||
            !ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
            return 0;
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
        instances.resize(kLocalChannelMaxConnections);
        int result = 1;
        for (size_t i = 0; i < instances.size() && result == 1; ++i) {
            const DWORD first = i == 0 ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0;
            instances[i].pipe =
                CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | first,
                                 PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
                                 kLocalChannelMaxConnections, 0, kPipeBufferSize, 0, &attributes);
            const DWORD error = GetLastError();
            instances[i].overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            if (instances[i].pipe == INVALID_HANDLE_VALUE)
                result = i == 0 && (error == ERROR_ACCESS_DENIED || error == ERROR_PIPE_BUSY) ? -7 : 0;
            else if (!instances[i].overlapped.hEvent)
                result = 0;
        }
        LocalFree(descriptor);
        return result;
    }

    // Waits for the next client on the instance.
    void Listen(CInstance& instance) {
        instance.connected = false;
        for (int attempt = 0; attempt < 2; ++attempt) {
            ResetEvent(instance.overlapped.hEvent);
            if (ConnectNamedPipe(instance.pipe, &instance.overlapped)) return;  // the event is set
            const DWORD error = GetLastError();
            if (error == ERROR_PIPE_CONNECTED) {
                instance.clientArrived = true;
                SetEvent(instance.overlapped.hEvent);
            }
            // ERROR_IO_PENDING: the event comes with the client. A client
            // that came and went before the wait: free the instance and wait
            // again. Anything else leaves the instance idle.
            if (error != ERROR_NO_DATA) return;
            DisconnectNamedPipe(instance.pipe);
        }
    }

    // Asks for the next bytes of the connected client; false when the
    // connection has ended.
    bool Receive(CInstance& instance) {
        ResetEvent(instance.overlapped.hEvent);
        if (ReadFile(instance.pipe, instance.buffer, sizeof(instance.buffer), nullptr, &instance.overlapped))
            return true;  // done already; the event is set
        return GetLastError() == ERROR_IO_PENDING;
    }

    void EndConnection(CInstance& instance) {
        DisconnectNamedPipe(instance.pipe);
        instance.framer.reset();
        receiver->OnDisconnected(instance.number);
        Listen(instance);
    }

    // What completed on the instance.
    void Complete(CInstance& instance) {
        DWORD bytes = 0;
        const bool done =
            instance.clientArrived || GetOverlappedResult(instance.pipe, &instance.overlapped, &bytes, FALSE);
        instance.clientArrived = false;
        if (!instance.connected) {
            if (!done) {
                DisconnectNamedPipe(instance.pipe);
                Listen(instance);
                return;
            }
            instance.connected = true;
            instance.number = nextNumber++;
            instance.framer = std::make_unique<CLocalChannelFramer>();
        } else {
            const bool whole =
                done && instance.framer->Feed(instance.buffer, bytes, [&](const char* data, uint32_t size) {
                    receiver->OnMessage(instance.number, data, size);
                });
            if (!whole) {
                EndConnection(instance);
                return;
            }
        }
        if (!Receive(instance)) EndConnection(instance);
    }

    void Serve() {
        for (CInstance& instance : instances)
            Listen(instance);
        std::vector<HANDLE> events{stop};
        for (CInstance& instance : instances)
            events.push_back(instance.overlapped.hEvent);
        for (;;) {
            const DWORD woken =
                WaitForMultipleObjects(static_cast<DWORD>(events.size()), events.data(), FALSE, INFINITE);
            if (woken == WAIT_OBJECT_0 || woken < WAIT_OBJECT_0 || woken >= WAIT_OBJECT_0 + events.size()) break;
            Complete(instances[woken - WAIT_OBJECT_0 - 1]);
        }
        // I/O is cancelled by the thread that started it, and waited for
        // (an instance left idle by a failure has none: the wait is bounded).
        for (CInstance& instance : instances) {
            CancelIo(instance.pipe);
            WaitForSingleObject(instance.overlapped.hEvent, kCancelWaitMs);
            if (instance.connected) {
                DisconnectNamedPipe(instance.pipe);
                receiver->OnDisconnected(instance.number);
            }
        }
    }
};

CLocalChannelListener::CLocalChannelListener() = default;

CLocalChannelListener::~CLocalChannelListener() { Stop(); }

int CLocalChannelListener::Start(const std::string& name, CLocalChannelReceiver& receiver) {
    if (m_state) return -7;
    if (name.empty()) return -1;
    auto state = std::make_unique<CState>();
    state->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!state->stop) return 0;
    const int created = state->Create(name);
    if (created != 1) return created;
    state->receiver = &receiver;
    CState* raw = state.get();
    state->thread = std::thread([raw] { raw->Serve(); });
    m_state = std::move(state);
    return 1;
}

void CLocalChannelListener::Stop() {
    if (!m_state) return;
    SetEvent(m_state->stop);
    m_state->thread.join();
    m_state.reset();
}

// ---- client ----

CLocalChannelClient::CLocalChannelClient() : m_handle(reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE)) {}

CLocalChannelClient::~CLocalChannelClient() { Close(); }

int CLocalChannelClient::Connect(const std::string& name) {
    if (name.empty()) return -1;
    if (IsConnected()) return -7;
    HANDLE pipe = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 2 && pipe == INVALID_HANDLE_VALUE; ++attempt) {
        pipe = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE | READ_CONTROL, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr);
        if (pipe == INVALID_HANDLE_VALUE &&
            (GetLastError() != ERROR_PIPE_BUSY || !WaitNamedPipeA(name.c_str(), kBusyWaitMs)))
            break;
    }
    if (pipe == INVALID_HANDLE_VALUE) return 0;
    // A pipe of that name made by another user is not the collector's.
    if (!OwnedBy(pipe, UserSid())) {
        CloseHandle(pipe);
        return 0;
    }
    m_handle = reinterpret_cast<intptr_t>(pipe);
    return 1;
}

bool CLocalChannelClient::IsConnected() const { return m_handle != reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE); }

int CLocalChannelClient::Send(const char* data, uint32_t size) {
    if (!data || size == 0 || size > kLocalChannelMaxMessage) return -1;
    if (!IsConnected()) return -8;
    char header[4];
    EncodeFrameLength(size, header);
    const auto pipe = reinterpret_cast<HANDLE>(m_handle);
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const DWORD start = GetTickCount();
    const bool sent = event && WriteAll(pipe, event, header, sizeof(header), start, kLocalChannelSendLimitMs) &&
                      WriteAll(pipe, event, data, size, start, kLocalChannelSendLimitMs);
    if (event) CloseHandle(event);
    if (sent) return 1;
    Close();
    return 0;
}

int CLocalChannelClient::Check() {
    if (!IsConnected()) return -8;
    DWORD available = 0;
    if (PeekNamedPipe(reinterpret_cast<HANDLE>(m_handle), nullptr, 0, nullptr, &available, nullptr)) return 1;
    Close();
    return 0;
}

void CLocalChannelClient::Close() {
    if (IsConnected()) CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = reinterpret_cast<intptr_t>(INVALID_HANDLE_VALUE);
}
