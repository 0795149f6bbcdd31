// The library's reader against unixODBC's own profile functions, on
// generated configurations full of awkward lines. For each configuration a
// fresh process (unixODBC keeps what it read and the folders it found)
// answers through SQLGetPrivateProfileString, in user, system and combined
// mode and for the driver list, what it finds: section lists, key lists,
// values. The same questions are answered from the library's reading of the
// same files, by the driver manager's rules, and the answers must be equal.
// Usage: profile-differential COUNT [SEED] [WORK_FOLDER]
#include <odbcinst.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "base/text_rules.h"
#include "profile/profile.h"

namespace rireve {
namespace {

using Random = std::mt19937;

std::size_t below(Random& random, std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); }
bool chance(Random& random, int percent) { return static_cast<int>(below(random, 100)) < percent; }

template <typename T>
const T& pick(Random& random, const std::vector<T>& items) {
    return items[below(random, items.size())];
}

std::string blanks(Random& random) {
    static const std::vector<std::string> kinds = {"", "", "", " ", "  ", "\t", " \t ", "\v", "\f", "\r"};
    return pick(random, kinds);
}

std::string name(Random& random) {
    static const std::vector<std::string> names = {
        "alpha",  "Alpha",        "ALPHA",     "beta",      "Beta Two", "ODBC",  "odbc",     "ODBC Data Sources",
        "Driver", "Description",  "Port",      "port",      "_under",   "-dash", "9nine",    "caf\xc3\xa9",
        "\xc3",   "bad\xff\xfe",  "x y z",     "semi;colon", "hash#in", "eq",    "k",        "Server"};
    return pick(random, names);
}

std::string value(Random& random) {
    static const std::vector<std::string> values = {
        "",        "v",          "a b c",      "x=y=z",       " padded ", "#not a comment", ";x", "[not]",
        "\xc3\xa9", "\xe2\x82",  "tab\there",  "trail\\",     "C:\\x",    "1",              "yes", "{a;b}"};
    return pick(random, values);
}

// A line longer than the reader's pieces: its later pieces are blanks, a
// comment, an entry or a header, or it breaks at a NUL byte.
std::string longLine(Random& random) {
    std::string line = name(random) + "=" + std::string(below(random, 1200) + 900, 'v');
    switch (below(random, 5)) {
        case 0: line += std::string(below(random, 300), ' '); break;
        case 1: line.resize(999); line += "# comment"; break;
        case 2: line.resize(999); line += name(random) + "=" + value(random); break;
        case 3: line.resize(999 - below(random, 3)); line += "[" + name(random) + "]"; break;
        default: line[below(random, line.size() - 1) + 1] = '\0'; break;
    }
    return line;
}

std::string entryLine(Random& random) {
    switch (below(random, 14)) {
        case 0: return blanks(random) + "#" + value(random);
        case 1: return blanks(random) + ";" + name(random) + "=" + value(random);
        case 2: return blanks(random);
        case 3: return blanks(random) + name(random);  // no "="
        case 4: return blanks(random) + "=" + value(random);  // an empty key
        case 5: return longLine(random);
        case 6: {
            std::string line = name(random) + "=" + value(random);
            line.insert(below(random, line.size() + 1), 1, '\0');
            return line;
        }
        case 7: return name(random) + "=" + std::string(990 + below(random, 15), 'w');  // about a piece's size
        default:
            return blanks(random) + name(random) + blanks(random) + "=" + blanks(random) + value(random) + blanks(random);
    }
}

std::string headerLine(Random& random) {
    const std::string inside = blanks(random) + name(random) + blanks(random);
    switch (below(random, 8)) {
        case 0: return blanks(random) + "[" + inside + "]";
        case 1: return "[" + inside;  // unclosed
        case 2: return "[" + inside + "] trailing " + value(random);
        case 3: return "[]";
        default: return "[" + inside + "]";
    }
}

std::string lineBreak(Random& random, int style) {
    if (style == 0) return "\n";
    if (style == 1) return "\r\n";
    return pick(random, std::vector<std::string>{"\n", "\r\n", "\r\n", "\n"});
}

std::string configuration(Random& random) {
    const int style = static_cast<int>(below(random, 3));
    std::string text;
    // Sometimes something before the first header, which may reject the file.
    const std::size_t leading = below(random, 3);
    for (std::size_t i = 0; i < leading; ++i) {
        text += (chance(random, 70) ? pick(random, std::vector<std::string>{"# top", "", "  ; x", "\t"})
                                    : chance(random, 50) ? "  [indented]" : entryLine(random)) +
                lineBreak(random, style);
    }
    const std::size_t sections = below(random, 7);
    for (std::size_t s = 0; s < sections; ++s) {
        text += headerLine(random) + lineBreak(random, style);
        const std::size_t lines = below(random, 8);
        for (std::size_t l = 0; l < lines; ++l) text += entryLine(random) + lineBreak(random, style);
    }
    if (!text.empty() && chance(random, 25)) text.resize(text.size() - 1);  // no final line break
    return text;
}

// One answer, its bytes escaped.
std::string shown(std::string_view text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '|' && c != '%') {
            out += static_cast<char>(c);
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            out += code;
        }
    }
    return out;
}

// Names from a NUL-separated list, as its reader takes them: up to the first
// empty one.
std::vector<std::string> namesOf(const std::vector<char>& buffer, int length) {
    std::vector<std::string> names;
    if (length <= 0) return names;
    for (const char* at = buffer.data(); *at != '\0'; at += std::strlen(at) + 1) names.emplace_back(at);
    return names;
}

// The questions, asked of some source of answers.
struct Source {
    // A section or key list (section null for sections); false on an error.
    std::function<bool(const char* section, std::vector<std::string>& names)> list;
    std::function<std::string(const std::string& section, const std::string& key)> value;
};

void ask(const std::string& title, const Source& source, std::ostringstream& out) {
    std::vector<std::string> sections;
    if (!source.list(nullptr, sections)) {
        out << title << ": error\n";
        return;
    }
    out << title << ":";
    for (const std::string& section : sections) out << " |" << shown(section);
    out << "\n";
    for (const std::string& section : sections) {
        std::vector<std::string> keys;
        source.list(section.c_str(), keys);
        out << " [" << shown(section) << "]\n";
        for (const std::string& key : keys) out << "  " << shown(key) << " = " << shown(source.value(section, key)) << "\n";
    }
}

// unixODBC's answers, in this (fresh) process.
Source unixOdbcSource(const char* file) {
    Source source;
    source.list = [file](const char* section, std::vector<std::string>& names) {
        std::vector<char> buffer(1 << 20);
        const int got = SQLGetPrivateProfileString(section, nullptr, "", buffer.data(), static_cast<int>(buffer.size()), file);
        names = namesOf(buffer, got);
        return got >= 0;
    };
    source.value = [file](const std::string& section, const std::string& key) {
        std::vector<char> buffer(4096);
        SQLGetPrivateProfileString(section.c_str(), key.c_str(), "", buffer.data(), static_cast<int>(buffer.size()), file);
        return std::string(buffer.data());
    };
    return source;
}

// The library's reading, answered by the driver manager's rules.
struct Reading {
    Profile sections;
    bool error = false;
};

Source readingSource(const Reading& reading, std::string_view skipped) {
    Source source;
    source.list = [&reading, skipped](const char* section, std::vector<std::string>& names) {
        if (reading.error) return false;
        if (section == nullptr) {
            for (const ProfileSection& each : reading.sections) {
                if (each.name.empty()) break;  // ends the NUL-separated list
                if (!sameProfileName(each.name, skipped)) names.push_back(each.name);
            }
            return true;
        }
        const ProfileSection* found = findSection(reading.sections, section);
        for (std::size_t i = 0; found != nullptr && i < found->entries.size() && !found->entries[i].key.empty(); ++i) {
            names.push_back(found->entries[i].key);
        }
        return true;
    };
    source.value = [&reading](const std::string& section, const std::string& key) {
        const ProfileSection* found = findSection(reading.sections, section);
        const std::string* value = found != nullptr ? findValue(*found, key) : nullptr;
        return value != nullptr ? *value : std::string();
    };
    return source;
}

// A file read first; `rejected` says whether the reader refused it.
Profile readFirst(const std::string& path, bool& rejected) {
    Profile profile;
    ProfileAccess access = ProfileAccess::read;
    (void)readProfile(path, profile, {}, &access);
    rejected = access == ProfileAccess::rejected;
    return profile;
}

// The sections of an added file whose names are new, after those before.
void addBehind(Profile& before, const std::string& path) {
    Profile added;
    (void)readProfile(path, added, {}, nullptr, ProfileRules::added);
    for (ProfileSection& section : added) {
        if (findSection(before, section.name) == nullptr) before.push_back(std::move(section));
    }
}

std::string libraryAnswers(const std::string& folder) {
    const std::string user = folder + "/user.ini";
    const std::string system = folder + "/sys/odbc.ini";
    std::ostringstream out;
    Reading reading;
    reading.sections = readFirst(user, reading.error);
    ask("user", readingSource(reading, "ODBC Data Sources"), out);
    reading.sections = readFirst(system, reading.error);
    ask("system", readingSource(reading, "ODBC Data Sources"), out);
    bool userRejected = false;
    reading.sections = readFirst(user, userRejected);
    reading.error = false;
    if (userRejected) {
        reading.sections = readFirst(system, reading.error);
    } else {
        addBehind(reading.sections, system);
    }
    ask("both", readingSource(reading, "ODBC Data Sources"), out);
    reading.sections = readFirst(folder + "/sys/odbcinst.ini", reading.error);
    if (!reading.error) addBehind(reading.sections, folder + "/home/.odbcinst.ini");
    ask("drivers", readingSource(reading, "ODBC"), out);
    return out.str();
}

std::string unixOdbcAnswers() {
    std::ostringstream out;
    SQLSetConfigMode(ODBC_USER_DSN);
    ask("user", unixOdbcSource("odbc.ini"), out);
    SQLSetConfigMode(ODBC_SYSTEM_DSN);
    ask("system", unixOdbcSource("odbc.ini"), out);
    SQLSetConfigMode(ODBC_BOTH_DSN);
    ask("both", unixOdbcSource("odbc.ini"), out);
    ask("drivers", unixOdbcSource("ODBCINST.INI"), out);
    return out.str();
}

// unixODBC's answers from a child process of its own.
std::string askChild(const std::string& folder) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return "pipe failed";
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        setenv("ODBCSYSINI", (folder + "/sys").c_str(), 1);
        setenv("ODBCINI", (folder + "/user.ini").c_str(), 1);
        setenv("HOME", (folder + "/home").c_str(), 1);
        unsetenv("ODBCINSTINI");
        const std::string answers = unixOdbcAnswers();
        std::size_t written = 0;
        while (written < answers.size()) {
            const ssize_t n = write(pipeEnds[1], answers.data() + written, answers.size() - written);
            if (n <= 0) _exit(2);
            written += static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(pipeEnds[1]);
    std::string answers;
    char buffer[65536];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) answers.append(buffer, static_cast<std::size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? answers : answers + "\n(the child failed)";
}

// Dated a second back, as a file left alone: the library's reader waits for
// one changed just now, which may be half written.
void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
    struct timespec then[2] = {};
    clock_gettime(CLOCK_REALTIME, &then[0]);
    then[0].tv_sec -= 1;
    then[1] = then[0];
    (void)utimensat(AT_FDCWD, path.c_str(), then, 0);
}

}  // namespace
}  // namespace rireve

int main(int argc, char** argv) {
    using namespace rireve;
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 20261209u;
    const std::string folder = argc > 3 ? argv[3] : "/tmp/ri-reve-differential";
    std::system(("rm -rf '" + folder + "' && mkdir -p '" + folder + "/sys' '" + folder + "/home'").c_str());
    std::printf("%d configurations from seed %u\n", count, seed);
    int differences = 0;
    for (int i = 0; i < count; ++i) {
        Random random(seed + static_cast<unsigned>(i));
        const std::string files[] = {"/user.ini", "/sys/odbc.ini", "/sys/odbcinst.ini", "/home/.odbcinst.ini"};
        std::string texts[4];
        for (int f = 0; f < 4; ++f) {
            texts[f] = configuration(random);
            writeFile(folder + files[f], texts[f]);
        }
        const std::string theirs = askChild(folder);
        const std::string ours = libraryAnswers(folder);
        if (theirs == ours) continue;
        if (++differences > 3) continue;
        std::printf("configuration %d (seed %u) differs\n", i, seed + static_cast<unsigned>(i));
        for (int f = 0; f < 4; ++f) std::printf("--- %s\n%s\n", files[f].c_str(), shown(texts[f]).c_str());
        std::printf("--- unixODBC:\n%s--- library:\n%s", theirs.c_str(), ours.c_str());
    }
    std::printf("%d of %d configurations differ\n", differences, count);
    return differences == 0 ? 0 : 1;
}
