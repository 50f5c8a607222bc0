// qloctl: controls the collector that runs on this desktop (close it in
// order, reload its rules, switch categorisation on and off), as the desktop
// application does, and installs the browser host's manifests. Run "qloctl
// --help" for the commands.
#include <cstdio>
#include <string>

#include "qloctl/browser_host_install.h"
#include "control/collector_control.h"
#include "qloctl/qloctl_command.h"

int main(int argc, char** argv) {
    EControlCommand command;
    std::string text;
    if (!ParseControlCommand(argc, argv, command, text)) {
        std::fprintf(stderr, "qloctl: %s\n%s", text.c_str(), kQloctlUsage);
        return 2;
    }
    if (command == EControlCommand::Help) {
        std::fputs(kQloctlUsage, stdout);
        return 0;
    }
    const int status = command == EControlCommand::InstallBrowserHost     ? InstallBrowserHost(text)
                       : command == EControlCommand::UninstallBrowserHost ? UninstallBrowserHost(text)
                                                                          : SendControlCommand(command, text);
    std::fprintf(status == 0 ? stdout : stderr, "qloctl: %s\n", text.c_str());
    return status;
}
