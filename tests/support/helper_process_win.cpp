#include <windows.h>

#include <deque>
#include <mutex>
#include <thread>

#include "support/helper_process.h"

namespace {
// One argument as the C runtime of the started program splits it back.
std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
    std::string quoted = "\"";
    for (size_t i = 0;; ++i) {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == '\\') {
            ++i;
            ++backslashes;
        }
        if (i == argument.size()) {
            quoted.append(backslashes * 2, '\\');
            break;
        }
        if (argument[i] == '"') {
            quoted.append(backslashes * 2 + 1, '\\');
        } else {
            quoted.append(backslashes, '\\');
        }
        quoted.push_back(argument[i]);
    }
    quoted.push_back('"');
    return quoted;
}

std::string CommandLine(const std::string& path, const std::vector<std::string>& arguments) {
    std::string commandLine = QuoteArgument(path);
    for (const auto& argument : arguments) {
        commandLine += ' ';
        commandLine += QuoteArgument(argument);
    }
    return commandLine;
}

void CloseIfOpen(HANDLE& handle) {
    if (handle) CloseHandle(handle);
    handle = nullptr;
}

// Dispatches the calling thread's messages until `event` is signalled or the
// time is up; false on time-out.
bool WaitDispatching(HANDLE event, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        const DWORD woke = MsgWaitForMultipleObjects(1, &event, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
        if (woke == WAIT_OBJECT_0) return true;
        if (woke != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}
}  // namespace

struct CHelperProcess::CState {
    PROCESS_INFORMATION process{};
    HANDLE input = nullptr;   // the write end of the program's standard input
    HANDLE output = nullptr;  // the read end of its standard output and error
    HANDLE lineEvent = nullptr;
    std::thread reader;
    std::mutex mutex;
    std::deque<std::string> lines;
    bool ended = false;
    std::string readyLine;

    ~CState() {
        CloseIfOpen(input);
        if (reader.joinable()) reader.join();
        CloseIfOpen(output);
        CloseIfOpen(lineEvent);
        CloseIfOpen(process.hProcess);
        CloseIfOpen(process.hThread);
    }

    // Splits the program's output into lines until it closes its end.
    void Read() {
        std::string partial;
        char chunk[512];
        DWORD count = 0;
        while (ReadFile(output, chunk, sizeof(chunk), &count, nullptr) && count > 0) {
            partial.append(chunk, count);
            for (size_t end; (end = partial.find('\n')) != std::string::npos; partial.erase(0, end + 1)) {
                std::string line = partial.substr(0, end);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                std::lock_guard<std::mutex> lock(mutex);
                lines.push_back(std::move(line));
                SetEvent(lineEvent);
            }
        }
        std::lock_guard<std::mutex> lock(mutex);
        ended = true;
        SetEvent(lineEvent);
    }
};

CHelperProcess::CHelperProcess() = default;
CHelperProcess::~CHelperProcess() { Stop(); }

bool CHelperProcess::Start(const std::string& path, const std::vector<std::string>& arguments, uint32_t timeoutMs) {
    if (m_state) return false;
    auto state = std::make_unique<CState>();
    // Only the program's ends of the two pipes are inherited.
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE childInput = nullptr, childOutput = nullptr;
    if (!CreatePipe(&childInput, &state->input, &inheritable, 0)) return false;
    if (!CreatePipe(&state->output, &childOutput, &inheritable, 0)) {
        CloseHandle(childInput);
        return false;
    }
    SetHandleInformation(state->input, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(state->output, HANDLE_FLAG_INHERIT, 0);
    state->lineEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);

    std::string commandLine = CommandLine(path, arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childOutput;
    const BOOL started = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &state->process);
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (!started || !state->lineEvent) return false;

    CState* raw = state.get();
    state->reader = std::thread([raw] { raw->Read(); });
    m_state = std::move(state);
    std::string line;
    while (ReadLine(line, timeoutMs)) {
        if (line.rfind("ready", 0) == 0) {
            m_state->readyLine = line;
            return true;
        }
    }
    return false;
}

uint32_t CHelperProcess::ProcessId() const { return m_state ? m_state->process.dwProcessId : 0; }

std::string CHelperProcess::ReadyValue(const std::string& name) const {
    if (!m_state) return "";
    const std::string& ready = m_state->readyLine;
    const std::string key = " " + name + "=";
    const size_t at = ready.find(key);
    if (at == std::string::npos) return "";
    const size_t start = at + key.size();
    return ready.substr(start, ready.find(' ', start) - start);
}

bool CHelperProcess::ReadLine(std::string& line, uint32_t timeoutMs) {
    if (!m_state) return false;
    const DWORD start = GetTickCount();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            if (!m_state->lines.empty()) {
                line = std::move(m_state->lines.front());
                m_state->lines.pop_front();
                return true;
            }
            if (m_state->ended) return false;
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs || !WaitDispatching(m_state->lineEvent, timeoutMs - elapsed)) return false;
    }
}

std::string CHelperProcess::Command(const std::string& line, uint32_t timeoutMs) {
    if (!m_state || !m_state->input) return "";
    const std::string text = line + "\n";
    DWORD written = 0;
    if (!WriteFile(m_state->input, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) return "";
    std::string answer;
    return ReadLine(answer, timeoutMs) ? answer : "";
}

void CHelperProcess::Kill() {
    if (!m_state) return;
    TerminateProcess(m_state->process.hProcess, 1);
    WaitForSingleObject(m_state->process.hProcess, 5000);
    m_state.reset();
}

bool CHelperProcess::Stop() {
    if (!m_state) return false;
    bool quit =
        Command("quit", 5000) == "ok quit" && WaitForSingleObject(m_state->process.hProcess, 5000) == WAIT_OBJECT_0;
    if (!quit) {
        TerminateProcess(m_state->process.hProcess, 1);
        WaitForSingleObject(m_state->process.hProcess, 5000);
    }
    m_state.reset();
    return quit;
}

std::string ProgramBesideTest(const std::string& fileName) {
    char self[MAX_PATH * 4] = {};
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof(self));
    std::string folder(self, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + fileName;
}

CProgramRun RunProgram(const std::string& path, const std::vector<std::string>& arguments, uint32_t timeoutMs) {
    CProgramRun run;
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) return run;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nothing =
        CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    std::string commandLine = CommandLine(path, arguments);
    const BOOL started = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(writeEnd);
    if (nothing != INVALID_HANDLE_VALUE) CloseHandle(nothing);
    if (!started) {
        CloseHandle(readEnd);
        return run;
    }
    // The output is read on a thread of its own, so a program that writes
    // more than the pipe holds does not block.
    std::thread reader([&run, readEnd] {
        char chunk[512];
        DWORD count = 0;
        while (ReadFile(readEnd, chunk, sizeof(chunk), &count, nullptr) && count > 0)
            run.output.append(chunk, count);
    });
    run.ended = WaitDispatching(process.hProcess, timeoutMs);
    if (!run.ended) {
        TerminateProcess(process.hProcess, 1);
        WaitForSingleObject(process.hProcess, 5000);
    }
    reader.join();
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.exitCode = code;
    CloseHandle(readEnd);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return run;
}
