#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "program_home.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

const char kCollectorProgram[] = "qlocollector";

struct CProgramHome::CState {
    CTempFolder home, output;
};

CProgramHome::CProgramHome() : m_state(std::make_unique<CState>()) {}
CProgramHome::~CProgramHome() = default;

std::string CProgramHome::Folder() const { return m_state->home.Str(); }

CShippedRun CProgramHome::Run(const std::string& program, const std::vector<std::string>& args,
                              bool terminalInput) const {
    const std::string path = std::string(QLO_PROGRAMS_DIR) + "/" + program;
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const std::string out = m_state->output.File("out"), err = m_state->output.File("err");
    int terminal = -1;
    if (terminalInput) {
        terminal = posix_openpt(O_RDWR | O_NOCTTY);
        if (terminal < 0 || grantpt(terminal) != 0 || unlockpt(terminal) != 0) return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        const int input = terminalInput ? open(ptsname(terminal), O_RDWR) : open("/dev/null", O_RDONLY);
        dup2(input, 0);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        setenv("HOME", Folder().c_str(), 1);
        for (const char* name :
             {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME", "QLO_REGISTRY_FILE"})
            unsetenv(name);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    CShippedRun run;
    int status = 0;
    run.ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 30000);
    if (!run.ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    if (terminal >= 0) close(terminal);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFileBytes(out);
    run.err = ReadFileBytes(err);
    return run;
}
