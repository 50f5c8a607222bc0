#include "cli/command_line.h"

#include <iterator>
#include <sstream>

#include "cli/version.h"

namespace {
// Where the descriptions begin in the usage; a longer left column puts its
// description on the next line.
constexpr size_t kColumn = 24;
constexpr size_t kWidth = 80;

// An argument as a message shows it: control characters as \xNN (so that
// nothing typed or pasted can steer the terminal), at most kShownBytes.
std::string Shown(const std::string& argument) {
    constexpr size_t kShownBytes = 64;
    std::string text;
    for (const char c : argument.substr(0, kShownBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            text += escaped;
        } else {
            text += c;
        }
    }
    return argument.size() > kShownBytes ? text + "..." : text;
}

const CCommandSpec* FindCommand(const CProgramSpec& program, const std::string& name) {
    for (const CCommandSpec& command : program.commands)
        if (name == command.name) return &command;
    return nullptr;
}

const COptionSpec* FindOption(const CProgramSpec& program, const std::string& name) {
    for (const COptionSpec& option : program.options)
        if (name == option.name || (option.shortName && name == option.shortName)) return &option;
    return nullptr;
}

bool TakesOption(const COptionSpec& option, const std::string& command) {
    if (!option.commands || command.empty()) return true;
    std::istringstream names(option.commands);
    std::string name;
    while (names >> name)
        if (name == command) return true;
    return false;
}

// "a", "a and b", "a, b and c".
std::string Listed(const char* names) {
    std::istringstream words(names);
    std::vector<std::string> list{std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
    std::string text;
    for (size_t i = 0; i < list.size(); ++i)
        text += (i == 0 ? "" : i + 1 == list.size() ? " and " : ", ") + list[i];
    return text;
}

// One command or option: `left`, then `help` from the column on, its words
// wrapped at kWidth.
void AddEntry(std::string& text, const std::string& left, const std::string& help) {
    std::string line = "  " + left;
    if (line.size() + 1 > kColumn) {
        text += line + "\n";
        line.clear();
    }
    line.resize(kColumn, ' ');
    std::istringstream words(help);
    std::string word;
    size_t used = 0;  // the words on the line
    while (words >> word) {
        if (used > 0 && line.size() + 1 + word.size() > kWidth) {
            text += line + "\n";
            line.assign(kColumn, ' ');
            used = 0;
        }
        line += (used++ > 0 ? " " : "") + word;
    }
    text += line + "\n";
}

std::string Synopsis(const CProgramSpec& program, const CCommandSpec* command) {
    std::string text = std::string(program.name) + (program.commands.empty() ? "" : command ? " " : " COMMAND");
    if (command) {
        text += command->name;
        if (*command->arguments) text += std::string(" ") + command->arguments;
    }
    return text + " [OPTIONS]";
}
}  // namespace

std::string CCommandLine::Value(const std::string& option) const {
    const auto found = given.find(option);
    return found == given.end() ? "" : found->second;
}

std::vector<std::string> CCommandLine::Values(const std::string& option) const {
    std::vector<std::string> values;
    for (auto [it, end] = every.equal_range(option); it != end; ++it)
        values.push_back(it->second);
    return values;
}

bool ParseCommandLine(const CProgramSpec& program, int argc, const char* const* argv, CCommandLine& line,
                      std::string& error) {
    line = CCommandLine();
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") line.ask = ECommandLineAsk::Help;
        if (argument == "--version" && line.ask == ECommandLineAsk::Run) line.ask = ECommandLineAsk::Version;
    }
    const CCommandSpec* command = nullptr;
    std::string refusal;
    for (int i = 1; i < argc && refusal.empty(); ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h" || argument == "--version") continue;
        if (argument.size() < 2 || argument[0] != '-') {
            if (command || program.commands.empty()) {
                line.arguments.push_back(argument);
            } else if ((command = FindCommand(program, argument))) {
                line.command = argument;
            } else {
                refusal = "unknown command '" + Shown(argument) + "'";
            }
            continue;
        }
        const size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
        const std::string name = argument.substr(0, equals);
        const COptionSpec* option = FindOption(program, name);
        if (!option) {
            refusal = "unknown option '" + Shown(name) + "'";
        } else if (!option->value && equals != std::string::npos) {
            refusal = "option '" + name + "' takes no value";
        } else if (option->value && equals == std::string::npos && i + 1 >= argc) {
            refusal = "option '" + name + "' needs a value";
        } else {
            const std::string value = !option->value                ? ""
                                      : equals != std::string::npos ? argument.substr(equals + 1)
                                                                    : argv[++i];
            line.given[option->name] = value;
            line.every.emplace(option->name, value);
        }
    }
    // Help and the version answer whatever else the line holds.
    if (line.ask != ECommandLineAsk::Run) return true;
    if (refusal.empty() && !command && !program.commands.empty()) refusal = "no command given";
    if (refusal.empty()) {
        for (const auto& [name, value] : line.given) {
            const COptionSpec& option = *FindOption(program, name);
            if (!TakesOption(option, line.command)) {
                refusal = "'" + name + "' is an option of " + Listed(option.commands) + ", not of " + line.command;
                break;
            }
        }
    }
    const int count = static_cast<int>(line.arguments.size());
    if (refusal.empty() && !command && count > 0) refusal = "unexpected argument '" + Shown(line.arguments[0]) + "'";
    if (refusal.empty() && command && (count < command->minArguments || count > command->maxArguments)) {
        refusal = "'" + line.command + "' takes " +
                  (command->maxArguments == 0 ? std::string("no argument") : command->arguments);
        if (count > command->maxArguments && command->maxArguments > 0)
            refusal += ", not '" + Shown(line.arguments.back()) + "'";
    }
    error = refusal;
    return refusal.empty();
}

std::string UsageText(const CProgramSpec& program, const std::string& commandName) {
    const CCommandSpec* command = FindCommand(program, commandName);
    std::string text =
        "usage: " + Synopsis(program, command) + "\n" + (command ? command->help : program.purpose) + "\n";
    if (!command && !program.commands.empty()) {
        text += "\ncommands:\n";
        for (const CCommandSpec& each : program.commands)
            AddEntry(text, std::string(each.name) + (*each.arguments ? " " : "") + each.arguments, each.help);
    }
    text += "\noptions:\n";
    for (const COptionSpec& option : program.options) {
        if (command && !TakesOption(option, command->name)) continue;
        std::string left = option.shortName ? std::string(option.shortName) + ", " + option.name : option.name;
        if (option.value) left += std::string(" ") + option.value;
        const bool restricted = option.commands && !command;
        AddEntry(text, left, restricted ? Listed(option.commands) + ": " + option.help : option.help);
    }
    AddEntry(text, "-h, --help",
             program.commands.empty() ? "show this text" : "show this text; after a command, that command's options");
    AddEntry(text, "--version", "show the version of " + std::string(program.name));
    if (program.notes && *program.notes) text += std::string("\n") + program.notes;
    return text;
}

int AnswerCommandLine(const CProgramSpec& program, bool parsed, const CCommandLine& line, const std::string& error,
                      FILE* out, FILE* err) {
    if (!parsed) {
        const std::string help = std::string(program.name) + (line.command.empty() ? "" : " " + line.command);
        std::fprintf(err, "%s: %s\nusage: %s (%s --help tells more)\n", program.name, error.c_str(),
                     Synopsis(program, FindCommand(program, line.command)).c_str(), help.c_str());
        return 2;
    }
    if (line.ask == ECommandLineAsk::Help) {
        std::fputs(UsageText(program, line.command).c_str(), out);
        return 0;
    }
    if (line.ask == ECommandLineAsk::Version) {
        std::fputs(VersionText(program.name).c_str(), out);
        return 0;
    }
    return -1;
}
