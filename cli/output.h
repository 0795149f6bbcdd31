// What the command line prints: aligned tables and lines for people, one
// JSON document for programs (errors too, on standard error), values of
// secret keys masked unless revealed. Standard output is written once, at
// the end, so that a failed write is seen with its cause.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace rireve {

using Json = nlohmann::ordered_json;

// The exit statuses: success; a refusal by the configuration or output that
// could not be written; a usage error (an invalid name or entry among them).
inline constexpr int kOk = 0;
inline constexpr int kRefused = 1;
inline constexpr int kUsage = 2;

using Row = std::vector<std::string>;

class Output {
public:
    Output(bool json, bool reveal) : json_(json), reveal_(reveal) {}

    bool json() const { return json_; }

    void line(std::string_view text);
    void print(const Json& document);
    // Columns padded to their widest cell (in characters) and two blanks.
    void table(const std::vector<Row>& rows);
    // The value as it may be shown: a secret key's masked, unless revealed.
    std::string shown(std::string_view key, std::string_view value) const;
    // KEY=VALUE, the value as shown.
    std::string entry(std::string_view key, std::string_view value) const;
    // The entries as a JSON object in their order, values as shown.
    template <typename Pairs>
    Json entries(const Pairs& pairs) const {
        Json object = Json::object();
        for (const auto& [key, value] : pairs) object[std::string(key)] = shown(key, value);
        return object;
    }

    // Reports a failure on standard error: its message and why; the status.
    int fail(std::string_view message, std::string_view reason, int status);
    // A usage error, pointing at --help.
    int usage(std::string_view problem);

    // Writes standard output; a write that fails makes the status 1 and says
    // why, but a closed pipe ends the program quietly, as other tools do.
    int finish(int status);

private:
    bool json_;
    bool reveal_;
    std::string out_;
};

// The JSON text of one document, as the command line lays it out: a
// top-level array one item a line, everything else on one line.
std::string layOut(const Json& document);

}  // namespace rireve
