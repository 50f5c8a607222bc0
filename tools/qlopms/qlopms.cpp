// qlopms: links the collector's catalogue with a JIRA server (check, sync)
// and turns recorded time into JIRA worklogs. Run "qlopms --help".
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "control/collector_control.h"
#include "platform/console.h"
#include "platform/password_prompt.h"
#include "platform/private_file.h"
#include "qlopms/pms_commands.h"
#include "qlopms/qlopms_command.h"
#include "sensing/time_stamp.h"

int main(int argc, char** argv) {
    // The worklog store, the session cookie and the server's answers it
    // keeps are private.
    KeepNewFilesOwnerOnly();
    UseUtf8Console();
    CCommandLine parsed;
    CPmsCommandLine line;
    std::string error;
    const int64_t now = NowTimeStamp();
    const bool read = ParsePmsCommandLine(argc, argv, now, parsed, line, error);
    if (const int answered = AnswerCommandLine(kQlopmsCommandLine, read, parsed, error, stdout, stderr); answered >= 0)
        return answered;
    CPmsRun run;
    run.out = &std::cout;
    run.err = &std::cerr;
    run.now = now;
    if (LoadPmsSettings(run.settings, error) != 1) {
        std::fprintf(stderr, "qlopms: %s\n", error.c_str());
        return 1;
    }
    ApplyCommandLine(line, run.settings);
    run.reloadRules = [](std::string& message) { return SendControlCommand(EControlCommand::ReloadRules, message); };

    const bool needsServer = line.command == EPmsCommand::Check || line.command == EPmsCommand::Sync || line.post;
    if (needsServer) {
        const std::string prompt = "JIRA password for " + run.settings.userName + ": ";
        const auto ask = [&prompt](std::string& password) { return ReadSecretLine(prompt.c_str(), password); };
        if (ResolvePassword(run.settings, std::getenv("QLO_JIRA_PASSWORD"), ask, run.password, error) != 1) {
            std::fprintf(stderr, "qlopms: %s\n", error.c_str());
            return 1;
        }
    }
    switch (line.command) {
        case EPmsCommand::Check:
            return RunCheck(run);
        case EPmsCommand::Sync:
            return RunSync(run);
        case EPmsCommand::Worklog:
            return RunWorklog(run, line.day, line.post);
        case EPmsCommand::Due:
            break;
    }
    return RunWorklogDue(run);
}
