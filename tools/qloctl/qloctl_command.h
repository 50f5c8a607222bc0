#pragma once
// The command line of qloctl, the control program of the collector: its
// commands, and which one a parsed line asks for.

#include <cstdint>
#include <string>

#include "cli/command_line.h"
#include "control/control_command.h"

extern const CProgramSpec kQloctlCommandLine;

// The command of a line parsed against kQloctlCommandLine that asks to run
// one, and for "pause" its length in `pauseSeconds` (0: no length given, the
// rest of the day). False, with a one-line reason in `error`, when "rules" is
// given neither "on" nor "off", or "pause" a length it cannot read
// (control/pause_duration.h); nothing is changed then.
bool ReadControlCommand(const CCommandLine& line, EControlCommand& command, int64_t& pauseSeconds, std::string& error);
