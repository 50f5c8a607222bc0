#pragma once
// The shipped programs run by a test to their end, as a user runs them from
// a shell, with a home of their own: per-user folders point into an empty
// folder, so that a test sees anything a program makes there.

#include <memory>
#include <string>
#include <vector>

// The collector's program name on this target.
extern const char kCollectorProgram[];

struct CShippedRun {
    bool ended = false;  // false: still running after 30 s, then ended by force
    int status = -1;
    std::string out, err;
};

class CProgramHome {
public:
    // Linux: HOME is the folder, the XDG folder variables and
    // QLO_REGISTRY_FILE are unset. Windows: the application-data folder is
    // the folder, and the test registry holds the collector's settings, so
    // that a collector that started would run (the test registry lock).
    CProgramHome();
    ~CProgramHome();
    CProgramHome(const CProgramHome&) = delete;
    CProgramHome& operator=(const CProgramHome&) = delete;

    std::string Folder() const;
    // Runs the built program `program` (a name without ".exe") with `args`
    // and nothing on its standard input, or a terminal when `terminalInput`
    // (Windows: a console of its own, whose output the run does not hold).
    CShippedRun Run(const std::string& program, const std::vector<std::string>& args, bool terminalInput = false) const;

private:
    struct CState;
    std::unique_ptr<CState> m_state;
};
