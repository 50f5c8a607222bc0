#include <windows.h>

#include "support/silent_listener.h"

struct CSilentListener::CState {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
};

CSilentListener::CSilentListener(const std::string& name) : m_state(std::make_unique<CState>()) {
    m_state->overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // One instance with no buffer of its own to speak of: the first writes
    // already wait for a reader.
    m_state->pipe =
        CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
    // The client is taken when it comes; nothing is ever read.
    if (m_state->pipe != INVALID_HANDLE_VALUE) ConnectNamedPipe(m_state->pipe, &m_state->overlapped);
}

CSilentListener::~CSilentListener() {
    Close();
    if (m_state->overlapped.hEvent) CloseHandle(m_state->overlapped.hEvent);
}

bool CSilentListener::Holding() const { return m_state->pipe != INVALID_HANDLE_VALUE; }

void CSilentListener::Close() {
    if (m_state->pipe == INVALID_HANDLE_VALUE) return;
    CancelIo(m_state->pipe);
    DisconnectNamedPipe(m_state->pipe);
    CloseHandle(m_state->pipe);
    m_state->pipe = INVALID_HANDLE_VALUE;
}
