#include "cli/command_line.h"

#include "cli/runners.h"

namespace rireve {
namespace {

// Each option's one line of help, whichever commands take it.
constexpr char kUserHelp[] = "the user's data sources (the default of set, add and remove), or drivers";
constexpr char kSystemHelp[] = "the system's data sources, which only root may change on Linux";
constexpr char kUnsetHelp[] = "take the entry KEY out";
constexpr char kPruneHelp[] = "also remove what the state does not name, within the kinds and scopes it names";
constexpr char kDiffHelp[] = "add each file's changes as a unified diff, secrets masked";

struct Declaring {
    CommandLine& line;
    Invocation& given;

    CLI::App* command(CLI::App* parent, const char* name, const char* help, const char* example, Runner run) {
        CLI::App* command = parent->add_subcommand(name, help);
        command->footer(example);
        if (run != nullptr) line.runners.emplace_back(command, run);
        return command;
    }
    void user(CLI::App* command) { command->add_flag("--user", given.user, kUserHelp); }
    void scopes(CLI::App* command) {
        CLI::Option* user = command->add_flag("--user", given.user, kUserHelp);
        CLI::Option* system = command->add_flag("--system", given.system, kSystemHelp);
        user->excludes(system);
    }
    void unset(CLI::App* command) {
        command->add_option("--unset", given.unset, kUnsetHelp)->type_name("KEY")->allow_extra_args(false);
    }
    void name(CLI::App* command, const char* label = "NAME") { command->add_option(label, given.name)->required(); }
    void driver(CLI::App* command) { command->add_option("DRIVER", given.driver)->required(); }
    // STATE and the options of plan and apply.
    void state(CLI::App* command) {
        command->add_option("STATE", given.stateFile)->required();
        command->add_flag("--prune", given.prune, kPruneHelp);
        command->add_flag("--diff", given.diff, kDiffHelp);
    }
    void pairs(CLI::App* command, bool required = false) {
        command->add_option("KEY=VALUE", given.pairs)->required(required);
    }
};

void declare(CommandLine& line) {
    Invocation& given = line.given;
    CLI::App& app = line.app;
    app.description("Shows and changes this machine's ODBC configuration.");
    app.set_help_flag("-h,--help", "print this text, or with a command its usage");
    // Options may come anywhere; what no command takes is reported by name.
    app.allow_extras();
    app.fallthrough();
    app.add_flag("--json", given.json, "print JSON instead of a table");
    app.add_flag("--reveal", given.reveal, "print the values of secret keys (PWD, PASSWORD, ...) rather than ********");
    app.add_flag("--version", given.version, "print the version and the platforms it carries");
    app.add_flag("--man", given.man, "print the manual page (roff)")->group("");
    app.add_option("--completion", given.completion, "print the completion script for SHELL (bash)")
        ->type_name("SHELL")->group("");

    Declaring d{line, given};
    CLI::App* drivers = d.command(&app, "drivers", "installed drivers, their libraries and usage counts (with --verbose, their attributes)",
                                  "drivers --verbose", runDrivers);
    drivers->add_flag("-v,--verbose", given.verbose, "print every attribute");
    CLI::App* install = d.command(drivers, "install", "install a driver (Driver=LIBRARY among its entries), or count one more use of it",
                                  "drivers install Acme Driver=/opt/acme/lib/libacmeodbc.so Description=Acme", runInstallDriver);
    d.name(install);
    d.pairs(install, true);
    d.user(install);
    install->add_flag("--replace", given.replace, "replace a driver installed with another library");
    CLI::App* removeDriver = d.command(drivers, "remove", "count one use of a driver less; at the last, remove it",
                                       "drivers remove Acme --with-data-sources", runRemoveDriver);
    d.name(removeDriver);
    d.user(removeDriver);
    removeDriver->add_flag("--with-data-sources", given.withDataSources, "remove the data sources that use the driver too");
    CLI::App* setDriver = d.command(drivers, "set", "change a driver's entries in place",
                                    "drivers set Acme CPTimeout=60 --unset Description", runSetDriver);
    d.name(setDriver);
    d.pairs(setDriver);
    d.user(setDriver);
    d.unset(setDriver);
    d.name(d.command(drivers, "show", "a driver's entries", "drivers show SQLite3", runShowDriver));

    d.scopes(d.command(&app, "dsns", "configured data sources, their scopes and drivers", "dsns --json", runDataSources));
    CLI::App* show = d.command(&app, "show", "a data source's entries, as odbcinst -q -s -n shows them", "show demo", runShow);
    d.name(show);
    d.scopes(show);
    CLI::App* set = d.command(&app, "set", "change a data source's entries in place",
                              "set demo Database=/tmp/other.db --unset Timeout", runSet);
    d.name(set);
    d.pairs(set);
    d.scopes(set);
    d.unset(set);
    CLI::App* add = d.command(&app, "add", "register a user (or system) data source", "add demo SQLite3 Database=/tmp/demo.db", runAdd);
    d.name(add);
    d.driver(add);
    d.pairs(add);
    d.scopes(add);
    CLI::App* remove = d.command(&app, "remove", "remove a user (or system) data source", "remove demo SQLite3", runRemove);
    d.name(remove);
    d.driver(remove);
    d.scopes(remove);
    CLI::App* test = d.command(&app, "test", "connect to a data source (or with a connection string) and say why it fails; exit 1 when it does",
                               "test demo --timeout 5", runTest);
    test->add_option("NAME", given.optionalName)->expected(0, 1);
    d.scopes(test);
    test->add_option("--user-name", given.userName, "connect as USER")->type_name("USER");
    test->add_flag("--password-stdin", given.passwordStdin, "read the password from the first line of standard input");
    test->add_option("--timeout", given.timeout, "give the test up after SECONDS (default 30)")->type_name("SECONDS");
    test->add_option("--connection-string", given.connectionString, "test this connection string instead of a data source")
        ->type_name("TEXT");
    CLI::App* doctor = d.command(&app, "doctor",
                                 "check the files, every driver's library and every data source's driver, each finding with "
                                 "its mend; exit 1 on an error (warnings alone exit 0)",
                                 "doctor --ignore driver.library-not-found:SQLite", runDoctor);
    doctor->add_option("--ignore", given.ignore, "leave out a known finding: its CODE, or CODE:SUBJECT for one subject alone")
        ->type_name("CODE[:SUBJECT]");
    CLI::App* settings = d.command(&app, "settings", "the driver manager's own settings ([ODBC] of odbcinst.ini)", "settings",
                                   runSettings);
    CLI::App* setSettings = d.command(settings, "set", "change the driver manager's settings",
                                      "settings set Pooling=Yes --unset CPTimeout", runSetSettings);
    d.pairs(setSettings);
    d.unset(setSettings);
    CLI::App* trace = d.command(&app, "trace", "turn the driver manager's tracing on (into --file PATH) or off",
                                "trace on --file /tmp/odbc.trace", runTrace);
    trace->add_option("on|off", given.state)->required();
    trace->add_option("--file", given.file, "the trace file")->type_name("PATH");
    d.command(&app, "filedsns", "the file data sources of a folder (the default one)", "filedsns /srv/odbc", runFileDataSources)
        ->add_option("FOLDER", given.optionalName)->expected(0, 1);
    CLI::App* filedsn = d.command(&app, "filedsn", "a file data source: show, add or remove one", "filedsn show sales", nullptr);
    d.name(d.command(filedsn, "show", "a file data source's entries", "filedsn show sales", runShowFileDataSource), "PATH");
    CLI::App* addFile = d.command(filedsn, "add", "write a file data source", "filedsn add sales SQLite3 Database=/srv/sales.db",
                                  runAddFileDataSource);
    d.name(addFile, "PATH");
    d.driver(addFile);
    d.pairs(addFile);
    d.name(d.command(filedsn, "remove", "remove a file data source", "filedsn remove sales", runRemoveFileDataSource), "PATH");
    d.command(&app, "export", "the configuration as a state document, secrets as {\"redacted\": true} unless --reveal",
              "export > odbc-state.json", runExport);
    d.state(d.command(&app, "plan",
                      "the changes that would bring the configuration to the STATE document (a file, or - for standard "
                      "input), secrets masked; exit 2 for an invalid document, 1 for a reference this machine cannot "
                      "resolve or a configuration that cannot be read",
                      "plan odbc-state.json --diff", runPlan));
    CLI::App* apply = d.command(&app, "apply",
                                "make the changes of the plan, every file or none; exit 1 when refused (a file could not "
                                "be written and those written before it were put back, or a reference cannot be "
                                "resolved), 2 for an invalid document",
                                "apply odbc-state.json --check --diff", runApply);
    d.state(apply);
    apply->add_flag("--check", given.check, "say what would change, and write nothing");
    // Required, so that the parser takes a command's name as the topic rather
    // than as that command; help alone is the parser's RequiredError, and a
    // name of two words comes as one (main.cpp).
    d.command(&app, "help", "this text, or a command's usage", "help filedsn show", runHelp)
        ->add_option("COMMAND", given.topic)->required()->expected(1);
}

}  // namespace

CommandLine::CommandLine() : app("", "ri-reve") {
    declare(*this);
    given.root = &app;
}

Runner CommandLine::runnerOf(const CLI::App* command) const {
    for (const auto& [declared, run] : runners) {
        if (declared == command) return run;
    }
    return nullptr;
}

const CLI::App* chosenCommand(const CLI::App& root) {
    const CLI::App* chosen = &root;
    while (!chosen->get_subcommands().empty()) chosen = chosen->get_subcommands().front();
    return chosen;
}

const CLI::App* findCommand(const CLI::App& root, const std::vector<std::string>& words) {
    const CLI::App* found = &root;
    for (const std::string& word : words) {
        const CLI::App* next = nullptr;
        for (const CLI::App* sub : found->get_subcommands({})) {
            if (sub->get_name() == word) next = sub;
        }
        if (next == nullptr) return nullptr;
        found = next;
    }
    return found;
}

std::string commandName(const CLI::App* command) {
    std::vector<std::string> words;
    for (; command != nullptr && command->get_parent() != nullptr; command = command->get_parent()) {
        words.insert(words.begin(), command->get_name());
    }
    std::string name;
    for (const std::string& word : words) name.append(name.empty() ? "" : " ").append(word);
    return name;
}

std::vector<const CLI::App*> allCommands(const CLI::App& root) {
    std::vector<const CLI::App*> all;
    for (const CLI::App* sub : root.get_subcommands({})) {
        all.push_back(sub);
        for (const CLI::App* deeper : allCommands(*sub)) all.push_back(deeper);
    }
    return all;
}

}  // namespace rireve
