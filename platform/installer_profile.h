// The installer's profile functions on ODBC.INI (or ODBCINST.INI), in one configuration mode
// (the user's data sources or the system's). The mode is the installer's,
// one for the whole process: an InstallerProfile sets it for its life and
// puts the previous one back, and only one exists at a time in the process.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "base/status.h"
#include "platform/installer_library.h"

namespace rireve {

class InstallerProfile {
public:
    // ODBC_USER_DSN or ODBC_SYSTEM_DSN; the profile file the functions name.
    explicit InstallerProfile(UWORD mode, const char* file = "ODBC.INI");
    ~InstallerProfile();
    InstallerProfile(const InstallerProfile&) = delete;
    InstallerProfile& operator=(const InstallerProfile&) = delete;

    // The installer's own requests set and reset the mode too: a request
    // holds this turn while it runs, so that no profile read meanwhile
    // reads in the wrong mode.
    static std::unique_lock<std::mutex> takeModeTurn();

    // Why the functions could not be bound or the mode set; ok otherwise.
    const Status& status() const { return status_; }

    // The keys of the section, in the installer's order; none when there is
    // no such section.
    Status readKeys(const std::string& section, std::vector<std::string>& keys) const;
    Status readValue(const std::string& section, const std::string& key, std::string& value) const;
    // Sets the key's value, or with a null value takes the key out.
    Status write(const std::string& section, const std::string& key, const char* value) const;

private:
    using GetProc = int(INSTAPI*)(LPCSTR, LPCSTR, LPCSTR, LPSTR, int, LPCSTR);
    using WriteProc = BOOL(INSTAPI*)(LPCSTR, LPCSTR, LPCSTR, LPCSTR);
    using GetModeProc = BOOL(INSTAPI*)(UWORD*);
    using SetModeProc = BOOL(INSTAPI*)(UWORD);

    Status read(const char* section, const char* key, std::string& text) const;

    std::unique_lock<std::mutex> turn_;
    Status status_;
    GetProc get_ = nullptr;
    WriteProc write_ = nullptr;
    SetModeProc setMode_ = nullptr;
    const char* file_;
    UWORD previous_ = ODBC_BOTH_DSN;
    bool changed_ = false;
};

}  // namespace rireve
