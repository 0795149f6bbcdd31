#include "cli/help.h"

#include <algorithm>
#include <set>

#include "base/secret_keys.h"

namespace rireve {
namespace {

bool isHelpFlag(const CLI::App* command, const CLI::Option* option) { return option == command->get_help_ptr(); }

// The options a command itself takes, without its help flag and hidden ones.
std::vector<const CLI::Option*> ownOptions(const CLI::App* command) {
    std::vector<const CLI::Option*> own;
    for (const CLI::Option* option : command->get_options()) {
        if (!option->get_positional() && !isHelpFlag(command, option) && !option->get_group().empty()) own.push_back(option);
    }
    return own;
}

std::string longName(const CLI::Option* option) { return "--" + option->get_lnames().front(); }

std::string valueOf(const CLI::Option* option) {
    return option->get_type_name().empty() ? std::string() : " " + option->get_type_name();
}

std::string argumentOf(const CLI::App* command, const CLI::Option* positional) {
    std::string text = positional->get_name();
    if (positional->get_expected_max() > 1 || command->get_name() == "help") text += " ...";
    // help's topic is required only to the parser: help alone is the whole text.
    const bool required = positional->get_required() && command->get_name() != "help";
    return required ? text : "[" + text + "]";
}

// An option and its help, in a column as wide as `width`.
std::string optionLine(const std::string& named, const std::string& help, std::size_t width) {
    return "  " + named + std::string(width + 1 - std::min(width, named.size()), ' ') + help + "\n";
}

std::string optionLine(const CLI::Option* option, std::size_t width) {
    return optionLine(longName(option) + valueOf(option), option->get_description(), width);
}

std::size_t widestOf(const std::vector<const CLI::Option*>& options) {
    std::size_t width = 2;
    for (const CLI::Option* option : options) width = std::max(width, (longName(option) + valueOf(option)).size());
    return width;
}

std::string exampleOf(const CLI::App* command, const std::string& program) {
    return command->get_footer().empty() ? std::string() : program + " " + command->get_footer();
}

// Every option of the tree once, the root's first, in declaration order.
std::vector<const CLI::Option*> everyOption(const CLI::App& root) {
    std::vector<const CLI::Option*> every = ownOptions(&root);
    std::set<std::string> seen;
    for (const CLI::Option* option : every) seen.insert(longName(option));
    for (const CLI::App* command : allCommands(root)) {
        for (const CLI::Option* option : ownOptions(command)) {
            if (seen.insert(longName(option)).second) every.push_back(option);
        }
    }
    return every;
}

Json optionJson(const CLI::Option* option) {
    return {{"name", longName(option)}, {"value", option->get_type_name()},
            {"help", option->get_description()}};
}

// Roff text: a backslash or a minus taken literally.
std::string roff(const std::string& text) {
    std::string escaped;
    for (char c : text) escaped += c == '\\' ? "\\e" : c == '-' ? "\\-" : std::string(1, c);
    return escaped;
}

constexpr char kEndOfOptions[] = "end of the options: what follows is a name, even if it starts with -";

}  // namespace

std::string usageOf(const CLI::App* command) {
    std::string usage = commandName(command);
    for (const CLI::Option* option : command->get_options()) {
        if (option->get_positional()) usage += " " + argumentOf(command, option);
    }
    for (const CLI::Option* option : ownOptions(command)) usage += " [" + longName(option) + valueOf(option) + "]";
    return usage;
}

std::string helpText(const CLI::App& root, const std::string& program) {
    std::string text = "Usage: " + program + " [OPTIONS] COMMAND [--] [ARGUMENTS]\n" + root.get_description() +
                       "\n\nCommands:\n";
    for (const CLI::App* command : allCommands(root)) {
        text += "  " + usageOf(command) + "\n      " + command->get_description() + "\n";
    }
    text += "\nOptions:\n";
    const std::vector<const CLI::Option*> options = everyOption(root);
    for (const CLI::Option* option : options) text += optionLine(option, widestOf(options));
    return text + optionLine("--", kEndOfOptions, widestOf(options));
}

std::string commandHelpText(const CLI::App* command, const std::string& program) {
    std::string text = "Usage: " + program + " [--json] " + usageOf(command) + "\n" + command->get_description() + "\n";
    const std::vector<const CLI::Option*> options = ownOptions(command);
    for (const CLI::Option* option : options) text += optionLine(option, widestOf(options));
    const auto subcommands = command->get_subcommands({});
    if (!subcommands.empty()) text += "Commands:\n";
    for (const CLI::App* sub : subcommands) text += "  " + usageOf(sub) + "\n      " + sub->get_description() + "\n";
    const std::string example = exampleOf(command, program);
    return example.empty() ? text : text + "Example: " + example + "\n";
}

Json commandHelpJson(const CLI::App* command, const std::string& program) {
    Json options = Json::array();
    for (const CLI::Option* option : ownOptions(command)) options.push_back(optionJson(option));
    Json json = {{"name", commandName(command)}, {"usage", usageOf(command)}, {"help", command->get_description()},
                 {"example", exampleOf(command, program)}, {"options", options}};
    Json subcommands = Json::array();
    for (const CLI::App* sub : command->get_subcommands({})) subcommands.push_back(commandName(sub));
    if (!subcommands.empty()) json["commands"] = subcommands;
    return json;
}

Json helpJson(const CLI::App& root, const std::string& program) {
    Json commands = Json::array();
    for (const CLI::App* command : allCommands(root)) commands.push_back(commandHelpJson(command, program));
    Json options = Json::array();
    for (const CLI::Option* option : everyOption(root)) options.push_back(optionJson(option));
    options.push_back({{"name", "--"}, {"value", ""}, {"help", kEndOfOptions}});
    // The keys whose values print masked, for a program that must hide them too.
    Json secrets = Json::array();
    for (std::string_view key : secretKeys()) secrets.push_back(key);
    return {{"usage", program + " [OPTIONS] COMMAND [--] [ARGUMENTS]"}, {"help", root.get_description()},
            {"commands", commands}, {"options", options}, {"secrets", secrets}};
}

std::string manPage(const CLI::App& root, const std::string& version) {
    std::string page = ".TH RI\\-REVE 1 \"\" \"ri\\-reve " + roff(version) + "\" \"User Commands\"\n.SH NAME\n"
                       "ri\\-reve \\- " + roff(root.get_description()) + "\n.SH SYNOPSIS\n.B ri\\-reve\n"
                       "[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\-\\-] [\\fIARGUMENTS\\fR]\n.SH COMMANDS\n";
    for (const CLI::App* command : allCommands(root)) {
        page += ".TP\n.B " + roff(usageOf(command)) + "\n" + roff(command->get_description()) + ".\n";
        if (!command->get_footer().empty()) page += ".br\nExample: \\fBri\\-reve " + roff(command->get_footer()) + "\\fR\n";
    }
    page += ".SH OPTIONS\n";
    for (const CLI::Option* option : everyOption(root)) {
        page += ".TP\n.B " + roff(longName(option) + valueOf(option)) + "\n" + roff(option->get_description()) + ".\n";
    }
    page += ".TP\n.B \\-\\-\n" + roff(kEndOfOptions) + ".\n.SH SECRETS\nThe values of these keys print as " +
            roff(std::string(kMaskedValue)) + " unless \\fB\\-\\-reveal\\fR is given (letter case ignored):";
    for (std::string_view key : secretKeys()) page += " " + roff(std::string(key));
    return page + ".\n.SH EXIT STATUS\n0 on success; 1 when the ODBC configuration refused the request (an apply "
                  "whose files were put back, a reference that cannot be resolved), a test did not connect, the doctor "
                  "found an error, or standard output could not be written; 2 for a usage error or an invalid state "
                  "document.\n.SH ENVIRONMENT\n.B ODBCSYSINI, ODBCINI, ODBCINSTINI, ODBCSEARCH, HOME\n"
                  "where unixODBC's configuration files are, as unixODBC reads them.\n";
}

std::string bashCompletion(const CLI::App& root, const std::string& program) {
    // Each command's words: its subcommands and options; the root's with the global ones.
    std::string cases = "        \"\") words=\"";
    for (const CLI::App* sub : root.get_subcommands({})) cases += sub->get_name() + " ";
    for (const CLI::Option* option : ownOptions(&root)) cases += longName(option) + " ";
    cases += "--help\" ;;\n";
    std::string known;
    for (const CLI::App* command : allCommands(root)) {
        known += (known.empty() ? "\"" : "|\"") + commandName(command) + "\"";
        cases += "        \"" + commandName(command) + "\") words=\"";
        for (const CLI::App* sub : command->get_subcommands({})) cases += sub->get_name() + " ";
        for (const CLI::Option* option : ownOptions(command)) cases += longName(option) + " ";
        cases += "--json --help\" ;;\n";
    }
    std::string function = "_" + program;
    for (char& c : function) c = c == '-' ? '_' : c;
    return "# bash completion for " + program + ", made by " + program + " --completion bash\n" + function +
           "() {\n    local cur=\"${COMP_WORDS[COMP_CWORD]}\" path=\"\" word words i\n"
           "    for ((i = 1; i < COMP_CWORD; i++)); do\n        word=\"${COMP_WORDS[i]}\"\n"
           "        case \"${path:+$path }$word\" in\n            " + known +
           ") path=\"${path:+$path }$word\" ;;\n        esac\n    done\n    case \"$path\" in\n" + cases +
           "        *) words=\"\" ;;\n    esac\n    COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n}\ncomplete -F " +
           function + " -o default " + program + "\n";
}

}  // namespace rireve
