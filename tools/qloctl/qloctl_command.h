#pragma once
// The command line of qloctl, the control program of the collector: its
// commands, and which one a parsed line asks for.

#include <string>

#include "cli/command_line.h"
#include "control/control_command.h"

extern const CProgramSpec kQloctlCommandLine;

// The command of a line parsed against kQloctlCommandLine that asks to run
// one. False, with a one-line reason in `error`, when "rules" is given
// neither "on" nor "off".
bool ReadControlCommand(const CCommandLine& line, EControlCommand& command, std::string& error);
