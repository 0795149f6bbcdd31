// unixODBC's profile reader and the functions that name its files, exported
// by its installer library but declared in no public header. Every text the
// reader hands out fits 1001 bytes.
#pragma once

#include <string>

#include "platform/installer_library.h"

namespace rireve {

using IniHandle = void*;
inline constexpr int kIniSuccess = 1;
using IniOpenProc = int (*)(IniHandle*, char*, char*, char, char, char, int);
using IniStepProc = int (*)(IniHandle);
using IniTextProc = int (*)(IniHandle, char*);
using IniPathProc = BOOL (*)(char*, BOOL);
using FilePartProc = char* (*)(char*);

struct IniReader {
    IniOpenProc open = nullptr;
    IniStepProc close = nullptr;
    IniStepProc firstObject = nullptr;
    IniStepProc nextObject = nullptr;
    IniStepProc objectsEnd = nullptr;
    IniTextProc object = nullptr;
    IniStepProc firstProperty = nullptr;
    IniStepProc nextProperty = nullptr;
    IniStepProc propertiesEnd = nullptr;
    IniTextProc property = nullptr;
    IniTextProc value = nullptr;
    IniPathProc userFile = nullptr;       // _odbcinst_UserINI
    IniPathProc systemFile = nullptr;     // _odbcinst_SystemINI
    FilePartProc driverFolder = nullptr;  // odbcinst_system_file_path
    FilePartProc driverFile = nullptr;    // odbcinst_system_file_name
    FilePartProc userDriverFolder = nullptr;  // odbcinst_user_file_path ($HOME)
    FilePartProc userDriverFile = nullptr;    // odbcinst_user_file_name
};

// Binds every entry point of the table. On failure `reason` says which one
// is missing and from where, and the table must not be used. Shows nothing.
bool bindIniReader(IniReader& reader, std::string& reason);

}  // namespace rireve
