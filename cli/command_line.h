// The command line's one declaration of its commands and options (CLI11):
// what each takes, a line of help and an example each, and the function
// that runs it. Help, the man page and the shell completion are made from
// it (help.h).
#pragma once

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/output.h"

namespace rireve {

// Everything the command line was given, as the declaration binds it.
struct Invocation {
    bool json = false;
    bool reveal = false;
    bool version = false;
    bool man = false;
    std::string completion;
    bool user = false;
    bool system = false;
    bool verbose = false;
    bool replace = false;
    bool withDataSources = false;
    bool passwordStdin = false;
    std::vector<std::string> unset;
    std::vector<std::string> ignore;  // doctor: CODE or CODE:SUBJECT
    std::optional<std::string> connectionString;
    std::optional<std::string> userName;
    std::optional<std::string> timeout;
    std::optional<std::string> file;
    std::string name;      // a data source's or driver's NAME, a file data source's PATH
    std::string driver;    // DRIVER
    std::string state;     // on|off
    std::string stateFile;  // a state document's path, or - for standard input
    bool check = false;
    bool prune = false;
    bool diff = false;
    std::vector<std::string> optionalName;  // [NAME], [FOLDER]
    std::vector<std::string> pairs;         // KEY=VALUE ...
    std::vector<std::string> topic;         // help [COMMAND]
    // The name the program was run under, for help and examples.
    std::string program = "ri-reve";
    // The declaration itself, for help.
    const CLI::App* root = nullptr;
};

using Runner = int (*)(const Invocation&, Output&);

// The parser with its commands, and what runs each (none for a command that
// only groups others).
struct CommandLine {
    CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    CLI::App app;
    Invocation given;
    std::vector<std::pair<const CLI::App*, Runner>> runners;

    Runner runnerOf(const CLI::App* command) const;
};

// The command chosen: the deepest parsed one; the root when none was.
const CLI::App* chosenCommand(const CLI::App& root);

// The command of these words ("drivers install"), or null.
const CLI::App* findCommand(const CLI::App& root, const std::vector<std::string>& words);

// "drivers install" for that command; empty for the root.
std::string commandName(const CLI::App* command);

// Every command under the root, depth first, in declaration order.
std::vector<const CLI::App*> allCommands(const CLI::App& root);

}  // namespace rireve
