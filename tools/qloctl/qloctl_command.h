#pragma once
// The command line of qloctl, the control program of the collector: its
// commands, and which one a parsed line asks for.

#include <string>

#include "cli/command_line.h"

enum class EControlCommand {
    Close,                 // close: an orderly stop of the collector
    ReloadRules,           // reload-rules: read the categorisation rules again
    RulesOn,               // rules on: categorise new activities
    RulesOff,              // rules off: store new activities without project and task
    InstallBrowserHost,    // install-browser-host: the browsers' manifests of qlo-browser-host
    UninstallBrowserHost,  // uninstall-browser-host: those manifests removed
};

extern const CProgramSpec kQloctlCommandLine;

// The command of a line parsed against kQloctlCommandLine that asks to run
// one. False, with a one-line reason in `error`, when "rules" is given
// neither "on" nor "off".
bool ReadControlCommand(const CCommandLine& line, EControlCommand& command, std::string& error);
