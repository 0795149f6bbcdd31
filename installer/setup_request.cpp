#include "installer/setup_request.h"

#include <cstdlib>

namespace rireve {
namespace {

constexpr std::string_view kEnd = "end\n";

void appendEntry(std::string& list, std::string_view key, std::string_view value) {
    list.append(key);
    list.push_back('=');
    list.append(value);
    list.push_back('\0');
}

// The next field, up to its NUL; false when there is none.
bool takeField(std::string_view& input, std::string& field) {
    const std::size_t end = input.find('\0');
    if (end == std::string_view::npos) return false;
    field = std::string(input.substr(0, end));
    input.remove_prefix(end + 1);
    return true;
}

std::string seconds(std::chrono::milliseconds wait) {
    const long long millis = wait.count();
    std::string text = std::to_string(millis / 1000);
    if (millis % 1000 == 0) return text;
    std::string fraction = std::to_string(1000 + millis % 1000).substr(1);
    while (fraction.back() == '0') fraction.pop_back();
    return text + "." + fraction;
}

std::string nameOfLibrary(const SetupRequest& request) {
    return request.library.empty() ? std::string("the driver's setup") : "the setup library " + request.library;
}

}  // namespace

std::string composeAttributeList(std::string_view name, const Entries& entries) {
    std::string list;
    appendEntry(list, "DSN", name);
    for (const auto& [key, value] : entries) appendEntry(list, key, value);
    list.push_back('\0');
    return list;
}

std::string attributeListOf(std::string_view text) {
    std::string list;
    while (!text.empty()) {
        const std::string_view entry = text.substr(0, text.find(';'));
        text.remove_prefix(std::min(text.size(), entry.size() + 1));
        if (entry.empty()) continue;
        list.append(entry);
        list.push_back('\0');
    }
    // An empty list is one empty entry: its two NULs.
    if (list.empty()) list.push_back('\0');
    list.push_back('\0');
    return list;
}

std::string formatSetupRequest(const SetupRequest& request) {
    std::string input(kSetupRequestLine);
    for (const std::string& field : {request.library, std::to_string(request.request), request.driver}) {
        input.append(field);
        input.push_back('\0');
    }
    return input + request.attributes;
}

bool parseSetupRequest(std::string_view input, SetupRequest& request) {
    std::string code;
    if (!takeField(input, request.library) || !takeField(input, code) || !takeField(input, request.driver)) return false;
    if (code.empty() || code.size() > 2 || code.find_first_not_of("0123456789") != std::string::npos) return false;
    request.request = static_cast<WORD>(std::strtoul(code.c_str(), nullptr, 10));
    if (input.size() < 2 || input.substr(input.size() - 2) != std::string_view("\0\0", 2)) return false;
    request.attributes = std::string(input);
    return true;
}

std::string formatSetupAnswer(const SetupAnswer& answer) {
    switch (answer.verdict) {
        case SetupAnswer::Verdict::done: return "done\n" + std::string(kEnd);
        case SetupAnswer::Verdict::none: return "none\n" + std::string(kEnd);
        case SetupAnswer::Verdict::refused: break;
    }
    std::string reason = answer.reason;
    for (char& c : reason) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return "refused " + reason + "\n" + std::string(kEnd);
}

Status readSetupAnswer(const ChildEnd& end, const SetupRequest& request, std::chrono::milliseconds wait,
                       SetupAnswer& answer, bool& answered) {
    answered = false;
    const std::string who = nameOfLibrary(request);
    if (end.kind == ChildEnd::Kind::timedOut) {
        return Status::failure(who + " gave no answer within " + seconds(wait) + " s; its process was ended");
    }
    const std::string& text = end.output;
    const bool whole = text.size() >= kEnd.size() && text.compare(text.size() - kEnd.size(), kEnd.size(), kEnd) == 0;
    if (end.kind == ChildEnd::Kind::signalled || !whole) {
        return Status::failure(who + "'s process ended with " + describeEnd(end) + " before it answered");
    }
    answered = true;
    const std::string_view line = std::string_view(text).substr(0, text.find('\n'));
    constexpr std::string_view kRefused = "refused ";
    if (line == "done") {
        answer.verdict = SetupAnswer::Verdict::done;
    } else if (line == "none") {
        answer.verdict = SetupAnswer::Verdict::none;
    } else {
        answer.verdict = SetupAnswer::Verdict::refused;
        answer.reason = line.substr(0, kRefused.size()) == kRefused ? std::string(line.substr(kRefused.size()))
                                                                     : who + " answered " + std::string(line);
    }
    return {};
}

Status askChild(const SetupRequest& request, const RequestOptions& options, SetupAnswer& answer, bool& answered) {
    answered = false;
    std::string program;
    Status found = options.setup.findProgram ? options.setup.findProgram(program)
                                             : Status::failure("no helper program is named to run the setup library in");
    if (!found.ok()) return found;
    ChildEnd end;
    Status ran = runChild(program, formatSetupRequest(request), options.setup.wait, end);
    if (!ran.ok()) return ran;
    return readSetupAnswer(end, request, options.setup.wait, answer, answered);
}

}  // namespace rireve
