#include "cli/output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/secret_keys.h"
#include "cli/json_text.h"
#include "cli/stream_write.h"

namespace rireve {
namespace {

std::string scalarText(const Json& value) {
    // Bytes that are not UTF-8 print as U+FFFD rather than failing.
    const Json shown = value.is_string() ? Json(utf8Of(value.get_ref<const std::string&>())) : value;
    return shown.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string inline_(const Json& value) {
    if (value.is_object()) {
        std::string text = "{";
        for (const auto& [key, item] : value.items()) {
            text += (text.size() > 1 ? ", " : "") + scalarText(Json(key)) + ": " + inline_(item);
        }
        return text + "}";
    }
    if (value.is_array()) {
        std::string text = "[";
        for (const Json& item : value) text += (text.size() > 1 ? ", " : "") + inline_(item);
        return text + "]";
    }
    return scalarText(value);
}

std::size_t characters(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

}  // namespace

std::string layOut(const Json& document) {
    if (!document.is_array() || document.empty()) return inline_(document);
    std::string text = "[";
    for (const Json& item : document) text += (text.size() > 1 ? ",\n  " : "\n  ") + inline_(item);
    return text + "\n]";
}

void Output::line(std::string_view text) { out_.append(text).append(1, '\n'); }

void Output::print(const Json& document) { line(layOut(document)); }

void Output::table(const std::vector<Row>& rows) {
    std::vector<std::size_t> widths;
    for (const Row& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], characters(row[i]));
    }
    for (const Row& row : rows) {
        std::string text;
        for (std::size_t i = 0; i < row.size(); ++i) {
            text += row[i];
            if (i + 1 < row.size()) text.append(widths[i] + 2 - characters(row[i]), ' ');
        }
        line(text.substr(0, text.find_last_not_of(" \t") + 1));
    }
}

std::string Output::shown(std::string_view key, std::string_view value) const {
    return !reveal_ && isSecretKey(key) ? std::string(kMaskedValue) : std::string(value);
}

std::string Output::entry(std::string_view key, std::string_view value) const {
    return std::string(key) + "=" + shown(key, value);
}

int Output::fail(std::string_view message, std::string_view reason, int status) {
    std::string text;
    if (json_) {
        Json error = {{"error", message}};
        if (!reason.empty()) error["reason"] = reason;
        error["status"] = status;
        text = layOut(error);
    } else {
        text = std::string(message);
        if (!reason.empty()) text += " Reason: " + std::string(reason) + (status == kUsage ? " (see --help)" : "");
    }
    writeAll(2, text + "\n");
    return status;
}

int Output::usage(std::string_view problem) { return fail(std::string(problem) + " (see --help)", "", kUsage); }

int Output::finish(int status) {
    const int error = writeAll(1, out_);
    out_.clear();
    if (error == 0) return status;
    if (error == EPIPE) return status;  // the reader has gone: nothing more to say, nobody to say it to
    fail("Could not write to standard output!", std::strerror(error), kRefused);
    return status == kOk ? kRefused : status;
}

}  // namespace rireve
