// Help in every form, made from the one declaration of the commands: the
// text of --help and of help COMMAND, the same as JSON, the manual page and
// the bash completion script.
#pragma once

#include <string>

#include "cli/command_line.h"

namespace rireve {

// A command as typed: its name, its arguments and the options it takes.
std::string usageOf(const CLI::App* command);

std::string helpText(const CLI::App& root, const std::string& program);
std::string commandHelpText(const CLI::App* command, const std::string& program);
Json helpJson(const CLI::App& root, const std::string& program);
Json commandHelpJson(const CLI::App* command, const std::string& program);

std::string manPage(const CLI::App& root, const std::string& version);
std::string bashCompletion(const CLI::App& root, const std::string& program);

}  // namespace rireve
