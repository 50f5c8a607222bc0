#pragma once
// The command line of every shipped program, read one way: a program
// describes its commands and options in a CProgramSpec, and the parser and
// the usage text follow from it.
//
// Form: PROGRAM COMMAND [OPTIONS] (a program without commands: PROGRAM
// [OPTIONS]). Options stand before or after the command, in any order;
// "--name value" and "--name=value" are the same, and the last one given
// counts. --help (or -h) asks for the usage, of one command when a command
// is given too; --version for the version. An option may be repeated where
// its program reads every value (CCommandLine::Values). Both win over anything else on
// the line, so that they always answer.
//
// Exit status of the programs: 0 done (and after --help or --version), 2 a
// bad command line; 1 is each program's own failure.

#include <cstdio>
#include <map>
#include <string>
#include <vector>

struct CCommandSpec {
    const char* name;
    const char* arguments;  // as the usage shows them ("[DAY]", "on|off"); "" for none
    int minArguments;
    int maxArguments;
    const char* help;  // wrapped to the width of a terminal
};

struct COptionSpec {
    const char* name;       // "--from"
    const char* shortName;  // "-o", or nullptr
    const char* value;      // the value's name in the usage ("DIR"), or nullptr for a switch
    const char* commands;   // the commands that take it, separated by spaces; nullptr: every command
    const char* help;       // wrapped to the width of a terminal
};

struct CProgramSpec {
    const char* name;
    const char* purpose;                 // one line
    std::vector<CCommandSpec> commands;  // none: the program has no commands
    std::vector<COptionSpec> options;    // besides --help and --version
    const char* notes;                   // printed after the options: what the values mean, the exit status
};

enum class ECommandLineAsk { Run, Help, Version };

struct CCommandLine {
    ECommandLineAsk ask = ECommandLineAsk::Run;
    std::string command;                            // empty for a program without commands (or help without one)
    std::vector<std::string> arguments;             // the command's own arguments, in order
    std::map<std::string, std::string> given;       // the options given, by long name; a switch maps to ""
    std::multimap<std::string, std::string> every;  // each option each time it was given, in order

    bool Has(const std::string& option) const { return given.count(option) != 0; }
    // The option's value; "" when it was not given.
    std::string Value(const std::string& option) const;
    // Every value the option was given, in the order given.
    std::vector<std::string> Values(const std::string& option) const;
};

// Reads argv[1] .. argv[argc - 1]. False, with a one-line reason in `error`,
// for an unknown command or option, an option without its value or with a
// value it does not take, an option of another command, no command, or too
// few or too many arguments for the command. `line.command` names the
// command as soon as it is known, also when the line is refused.
bool ParseCommandLine(const CProgramSpec& program, int argc, const char* const* argv, CCommandLine& line,
                      std::string& error);

// The usage text: the program's, or one command's (its options only) when
// `command` names one.
std::string UsageText(const CProgramSpec& program, const std::string& command = "");

// What a program does with its command line before it runs anything:
// -1 when `line` is to run; otherwise the exit status after answering it:
// 0 with the usage or the version on `out`, or (when `parsed` is false) 2
// with "PROGRAM: <error>" and a usage line on `err`.
int AnswerCommandLine(const CProgramSpec& program, bool parsed, const CCommandLine& line, const std::string& error,
                      FILE* out, FILE* err);
