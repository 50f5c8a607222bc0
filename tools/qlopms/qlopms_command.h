#pragma once
// The command line of qlopms, the link between the collector's catalogue and
// a JIRA server: which command it was asked for, with which options, and its
// help text.

#include <cstdint>
#include <string>

#include "cli/command_line.h"

enum class EPmsCommand {
    Check,    // check: log in and say whether the session works
    Sync,     // sync: JIRA's projects and the user's issues into the catalogue
    Worklog,  // worklog [DAY] [--post]: the day's time per JIRA issue; --post sends it
    Due,      // worklog --due: whether the day's worklog reminder is due
};

struct CPmsCommandLine {
    EPmsCommand command = EPmsCommand::Check;
    std::string server;  // --server URL: instead of "JIRA Server URL"
    std::string user;    // --user NAME: instead of "JIRA Username"
    std::string caFile;  // --ca-file FILE: the authorities a server's certificate is checked against
    int64_t day = 0;     // worklog: the packed first second of DAY (today when none is given)
    bool post = false;   // worklog --post
};

extern const CProgramSpec kQlopmsCommandLine;

// Reads the arguments after the program name (`argv[1]` .. `argv[argc - 1]`)
// into `line` and, when it asks to run a command, into `out`. `today` (a
// packed date-time) gives the meaning of "today" and "yesterday". False,
// with a one-line reason in `error`, for a bad command line, among them any
// attempt to give a password there (the reason never repeats it).
bool ParsePmsCommandLine(int argc, const char* const* argv, int64_t today, CCommandLine& line, CPmsCommandLine& out,
                         std::string& error);
