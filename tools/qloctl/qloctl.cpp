// qloctl: controls the collector that runs on this desktop (close it in
// order, reload its rules, switch categorisation on and off, pause and
// resume its capture), as the desktop
// application does, and installs the browser host's manifests. Run "qloctl
// --help" for the commands.
#include <cstdio>
#include <string>

#include "control/collector_control.h"
#include "qloctl/browser_host_install.h"
#include "qloctl/qloctl_command.h"

int main(int argc, char** argv) {
    CCommandLine line;
    std::string text;
    EControlCommand command = EControlCommand::Close;
    int64_t pauseSeconds = 0;
    bool parsed = ParseCommandLine(kQloctlCommandLine, argc, argv, line, text);
    if (parsed && line.ask == ECommandLineAsk::Run) parsed = ReadControlCommand(line, command, pauseSeconds, text);
    if (const int answered = AnswerCommandLine(kQloctlCommandLine, parsed, line, text, stdout, stderr); answered >= 0)
        return answered;
    const int status = command == EControlCommand::InstallBrowserHost ? InstallBrowserHost(text)
                       : command == EControlCommand::UninstallBrowserHost
                           ? UninstallBrowserHost(text)
                           : SendControlCommand(command, text, pauseSeconds);
    std::fprintf(status == 0 ? stdout : stderr, "qloctl: %s\n", text.c_str());
    return status;
}
