// ri-reve: the command line over the library's core, as a program of its own.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/help.h"
#include "cli/runners.h"
#include "cli/stream_write.h"

namespace rireve {
namespace {

bool givenBeforeEnd(int argc, char** argv, const char* option) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], option) == 0) return true;
    }
    return false;
}

std::string environmentOr(const char* name, const char* otherwise) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : otherwise;
}

// Arguments that the launcher received already broken (a JVM under a locale
// that is not UTF-8 makes U+FFFD of what it cannot decode): refused, naming them.
bool refuseLostArguments(int argc, char** argv, Output& out, int& status) {
    const char* lost = std::getenv("RIREVE_LOST_ARGUMENTS");
    if (lost == nullptr || *lost == '\0') return false;
    const long index = std::strtol(lost, nullptr, 10);
    const std::string argument = index > 0 && index < argc ? argv[index] : lost;
    status = out.usage("the argument " + argument + " holds characters that the locale's character set (" +
                       environmentOr("RIREVE_LAUNCHER_CHARSET", "?") + ", LANG=" + environmentOr("LANG", "") +
                       ") cannot carry, so they were lost; nothing was changed: run with a UTF-8 locale, such as "
                       "LANG=C.UTF-8");
    return true;
}

bool declaredAnywhere(const CLI::App& root, const std::string& option) {
    std::vector<const CLI::App*> commands = allCommands(root);
    commands.push_back(&root);
    for (const CLI::App* command : commands) {
        for (const CLI::Option* each : command->get_options()) {
            if (!each->get_positional() && each->check_name(option)) return true;
        }
    }
    return false;
}

// What the parser left over: an option no command takes, or one this
// command does not; then words it has no place for.
bool refuseExtras(const CLI::App& root, const CLI::App* chosen, Output& out, int& status) {
    std::vector<std::string> words;
    bool ended = false;
    for (const std::string& extra : root.remaining(true)) {
        if (extra == "--") {
            ended = true;
        } else if (!ended && extra.size() > 1 && extra[0] == '-') {
            if (!declaredAnywhere(root, extra)) {
                status = out.usage("unknown option " + extra);
            } else if (chosen == &root) {
                status = out.usage("no command given");
            } else {
                status = out.usage(commandName(chosen) + " takes no option " + extra);
            }
            return true;
        } else {
            words.push_back(extra);
        }
    }
    if (words.empty()) return false;
    status = out.usage(chosen == &root ? "unknown command " + words.front() : "wrong arguments for " + commandName(chosen));
    return true;
}

std::vector<std::string> platforms() {
    const std::string listed = environmentOr("RIREVE_PLATFORMS", RIREVE_PLATFORM);
    std::vector<std::string> each;
    for (std::size_t at = 0; at <= listed.size();) {
        const std::size_t comma = std::min(listed.find(',', at), listed.size());
        if (comma > at) each.push_back(listed.substr(at, comma - at));
        at = comma + 1;
    }
    return each;
}

int printVersion(Output& out) {
    const std::vector<std::string> carried = platforms();
    if (out.json()) {
        out.print({{"version", RIREVE_VERSION}, {"platforms", carried}});
        return kOk;
    }
    std::string line;
    for (const std::string& platform : carried) line += (line.empty() ? "" : ", ") + platform;
    out.line(std::string("ri-reve ") + RIREVE_VERSION);
    out.line("platforms: " + line);
    return kOk;
}

int printHelp(const CLI::App* command, const Invocation& given, Output& out) {
    const bool root = command == given.root;
    if (out.json()) {
        out.print(root ? helpJson(*given.root, given.program) : commandHelpJson(command, given.program));
    } else {
        const std::string text = root ? helpText(*given.root, given.program) : commandHelpText(command, given.program);
        out.line(text.substr(0, text.size() - 1));
    }
    return kOk;
}

// The parse's own failures, in the command line's words.
int refuseParse(const CLI::ParseError& error, const CommandLine& line, Output& out) {
    const CLI::App* chosen = chosenCommand(line.app);
    int status = kUsage;
    if (refuseExtras(line.app, chosen, out, status)) return status;
    const std::string what = error.what();
    if (error.get_name() == "RequiredError" && chosen == findCommand(line.app, {"help"})) {
        return printHelp(&line.app, line.given, out);
    }
    if (error.get_name() == "ExcludesError") return out.usage("--user and --system exclude each other");
    if (error.get_name() == "ArgumentMismatch" && what.rfind("--", 0) == 0) {
        const std::string option = what.substr(0, what.find(':'));
        return out.usage(option + " needs a value");
    }
    if (chosen == &line.app) return out.usage(what);
    return out.usage("wrong arguments for " + commandName(chosen));
}

// The arguments, the words of help's topic as one ("help settings set"),
// so that the parser never takes them for the command they name.
std::vector<std::string> argumentsOf(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::size_t first = 0;
    while (first < arguments.size() && arguments[first].rfind('-', 0) == 0 && arguments[first] != "--") ++first;
    if (first >= arguments.size() || arguments[first] != "help") return arguments;
    std::vector<std::string> joined(arguments.begin(), arguments.begin() + static_cast<std::ptrdiff_t>(first) + 1);
    std::string topic;
    for (std::size_t i = first + 1; i < arguments.size(); ++i) {
        if (arguments[i].rfind('-', 0) == 0) {
            joined.push_back(arguments[i]);
        } else {
            topic += (topic.empty() ? "" : " ") + arguments[i];
        }
    }
    if (!topic.empty()) joined.push_back(topic);
    return joined;
}

int run(int argc, char** argv, CommandLine& line, Output& out) {
    Invocation& given = line.given;
    int status = kOk;
    if (refuseLostArguments(argc, argv, out, status)) return status;
    try {
        std::vector<std::string> arguments = argumentsOf(argc, argv);
        std::reverse(arguments.begin(), arguments.end());  // as the parser takes them
        line.app.parse(arguments);
    } catch (const CLI::CallForHelp&) {
        return printHelp(chosenCommand(line.app), given, out);
    } catch (const CLI::ParseError& error) {
        return refuseParse(error, line, out);
    }
    const CLI::App* chosen = chosenCommand(line.app);
    if (refuseExtras(line.app, chosen, out, status)) return status;
    if (chosen == &line.app) {
        if (given.man) {
            out.line(manPage(line.app, RIREVE_VERSION));
            return kOk;
        }
        if (!given.completion.empty()) {
            if (given.completion != "bash") return out.usage("--completion knows bash, not " + given.completion);
            out.line(bashCompletion(line.app, "ri-reve"));
            return kOk;
        }
        return given.version ? printVersion(out) : out.usage("no command given");
    }
    const Runner runner = line.runnerOf(chosen);
    if (runner == nullptr) {
        std::string names;
        for (const CLI::App* sub : chosen->get_subcommands({})) names += (names.empty() ? "" : ", ") + sub->get_name();
        return out.usage(commandName(chosen) + " takes one of its commands: " + names);
    }
    return runner(given, out);
}

}  // namespace

int runHelp(const Invocation& given, Output& out) {
    std::vector<std::string> words;
    for (std::size_t at = 0; !given.topic.empty() && at <= given.topic.front().size();) {
        const std::size_t space = std::min(given.topic.front().find(' ', at), given.topic.front().size());
        words.push_back(given.topic.front().substr(at, space - at));
        at = space + 1;
    }
    const CLI::App* topic = findCommand(*given.root, words);
    if (topic == nullptr) return out.usage("unknown command " + (given.topic.empty() ? "" : given.topic.front()));
    return printHelp(topic, given, out);
}

}  // namespace rireve

int main(int argc, char** argv) {
    rireve::ignoreBrokenPipe();
    rireve::CommandLine line;
    line.given.program = rireve::environmentOr("RIREVE_PROGRAM", "ri-reve");
    // Known before anything can go wrong, so that every error comes as JSON.
    rireve::Output out(rireve::givenBeforeEnd(argc, argv, "--json"), rireve::givenBeforeEnd(argc, argv, "--reveal"));
    int status = rireve::kUsage;
    try {
        status = rireve::run(argc, argv, line, out);
    } catch (const std::exception& failure) {
        // Never a stack trace: what failed, in one line.
        status = out.fail("Internal error in the ODBC library!", failure.what(), rireve::kRefused);
    }
    return out.finish(status);
}
