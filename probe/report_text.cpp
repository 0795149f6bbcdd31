#include "probe/report_text.h"

#include <cctype>

namespace rireve {
namespace {

void appendEscaped(std::string& out, std::string_view value) {
    static const char kHex[] = "0123456789ABCDEF";
    for (const char c : value) {
        if (c == '%' || c == '\t' || c == '\r' || c == '\n') {
            out += '%';
            out += kHex[(static_cast<unsigned char>(c) >> 4) & 0xF];
            out += kHex[static_cast<unsigned char>(c) & 0xF];
        } else {
            out += c;
        }
    }
}

void appendField(std::string& out, std::string_view name, std::string_view value) {
    out.append(name).append(" ");
    appendEscaped(out, value);
    out += '\n';
}

// Five characters without blanks, whatever a driver gave.
std::string stateOf(std::string_view state) {
    std::string kept(state.substr(0, 5));
    kept.resize(5, '?');
    for (char& c : kept) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '?';
    }
    return kept;
}

}  // namespace

std::string formatReport(const ConnectionReport& report) {
    std::string out = report.connected ? "connected yes\n" : "connected no\n";
    appendField(out, "driver-name", report.driverName);
    appendField(out, "driver-version", report.driverVersion);
    appendField(out, "dbms-name", report.dbmsName);
    appendField(out, "dbms-version", report.dbmsVersion);
    for (const DiagnosticRecord& record : report.diagnostics) {
        out.append("diagnostic ").append(stateOf(record.state)).append(" ");
        out.append(std::to_string(record.nativeError)).append(" ");
        appendEscaped(out, record.message);
        out += '\n';
    }
    return out + "end\n";
}

std::string formatFailure(const Outcome& outcome) {
    std::string out;
    appendField(out, "failure", outcome.status.reason());
    return out + "end\n";
}

}  // namespace rireve
