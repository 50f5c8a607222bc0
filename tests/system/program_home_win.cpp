#include <windows.h>

#include "collector_harness_win.h"
#include "program_home.h"

const char kCollectorProgram[] = "QLOCollector";

struct CProgramHome::CState {
    CCollectorSandbox sandbox;
    CTempFolder output;
};

CProgramHome::CProgramHome() : m_state(std::make_unique<CState>()) {}
CProgramHome::~CProgramHome() = default;

std::string CProgramHome::Folder() const { return m_state->sandbox.AppDataFolder(); }

CShippedRun CProgramHome::Run(const std::string& program, const std::vector<std::string>& args,
                              bool terminalInput) const {
    const std::string path = ProgramBesideTest(program + ".exe");
    std::string commandLine = "\"" + path + "\"";
    for (const std::string& arg : args)
        commandLine += " \"" + arg + "\"";
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    const std::string out = m_state->output.File("out"), err = m_state->output.File("err");
    const auto create = [&inheritable](const std::string& file, DWORD access, DWORD disposition) {
        return CreateFileA(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    HANDLE handles[3] = {};
    if (!terminalInput) {
        handles[0] = create("NUL", GENERIC_READ, OPEN_EXISTING);
        handles[1] = create(out, GENERIC_WRITE, CREATE_ALWAYS);
        handles[2] = create(err, GENERIC_WRITE, CREATE_ALWAYS);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = handles[0];
        startup.hStdOutput = handles[1];
        startup.hStdError = handles[2];
    }
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, !terminalInput,
                                        terminalInput ? CREATE_NEW_CONSOLE : 0, nullptr, nullptr, &startup, &process);
    for (HANDLE handle : handles)
        if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    CShippedRun run;
    if (!started) return run;
    run.ended = WaitUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, 30000);
    if (!run.ended) {
        TerminateProcess(process.hProcess, 9);
        WaitForSingleObject(process.hProcess, 10000);
    }
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    run.status = static_cast<int>(code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    if (!terminalInput) {
        run.out = ReadFileBytes(out);
        run.err = ReadFileBytes(err);
    }
    return run;
}
