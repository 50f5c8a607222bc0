#include "support/child_process_linux.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

CChildProcess::CChildProcess(const std::string& path, const std::vector<std::string>& argv) {
    // A write to a child that has ended must fail, not end the test.
    signal(SIGPIPE, SIG_IGN);
    int toChild[2], fromChild[2];
    if (pipe2(toChild, O_CLOEXEC) != 0) return;
    if (pipe2(fromChild, O_CLOEXEC) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toChild[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromChild[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, path.c_str(), &actions, nullptr, args.data(), environ) == 0) m_pid = pid;
    posix_spawn_file_actions_destroy(&actions);
    close(toChild[0]);
    close(fromChild[1]);
    m_input = toChild[1];
    m_output = fromChild[0];
}

CChildProcess::~CChildProcess() {
    if (m_pid > 0) {
        // A reaped process's id may belong to another one by now.
        if (!m_ended) kill(m_pid, SIGKILL);
        Wait();
    }
    CloseInput();
    if (m_output >= 0) close(m_output);
}

bool CChildProcess::WriteLine(const std::string& line) { return Write(line + '\n'); }

bool CChildProcess::Write(const std::string& text) {
    size_t written = 0;
    while (m_input >= 0 && written < text.size()) {
        const ssize_t n = write(m_input, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<size_t>(n);
    }
    return m_input >= 0;
}

bool CChildProcess::ReadLine(std::string& line, int timeoutMs, char end) {
    for (;;) {
        const size_t newline = m_pending.find(end);
        if (newline != std::string::npos) {
            line = m_pending.substr(0, newline);
            m_pending.erase(0, newline + 1);
            return true;
        }
        if (!ReadMore(timeoutMs)) return false;
    }
}

bool CChildProcess::Read(std::string& bytes, size_t count, int timeoutMs) {
    while (m_pending.size() < count)
        if (!ReadMore(timeoutMs)) return false;
    bytes = m_pending.substr(0, count);
    m_pending.erase(0, count);
    return true;
}

bool CChildProcess::ReadMore(int timeoutMs) {
    for (;;) {
        pollfd ready{m_output, POLLIN, 0};
        const int polled = poll(&ready, 1, timeoutMs);
        if (polled < 0 && errno == EINTR) continue;
        if (polled <= 0) return false;
        char buffer[512];
        const ssize_t n = read(m_output, buffer, sizeof(buffer));
        if (n <= 0) return false;
        m_pending.append(buffer, static_cast<size_t>(n));
        return true;
    }
}

void CChildProcess::CloseInput() {
    if (m_input >= 0) close(m_input);
    m_input = -1;
}

int CChildProcess::Wait() {
    if (m_pid <= 0) return -1;
    int status = m_status;
    if (!m_ended) {
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    m_pid = -1;
    m_ended = false;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool CChildProcess::WaitForEnd(int timeoutMs) {
    if (m_pid <= 0 || m_ended) return true;
    const timespec pause{0, 10 * 1000000L};
    for (int waited = 0;; waited += 10) {
        const pid_t ended = waitpid(m_pid, &m_status, WNOHANG);
        if (ended == m_pid) return m_ended = true;
        if (ended < 0 && errno != EINTR) return false;
        if (waited >= timeoutMs) return false;
        nanosleep(&pause, nullptr);
    }
}
