// Where unixODBC keeps its configuration files. Its installer library names
// them through functions it exports without declaring them in a public
// header; where it lacks one (another build, another driver manager), the
// same rules are followed here: $ODBCSYSINI or /etc for the system's folder,
// $ODBCINSTINI or odbcinst.ini for its driver file, $ODBCINI or .odbc.ini in
// the home folder of the password file for the user's data sources, and
// .odbcinst.ini in $HOME for the user's drivers. Shows nothing.
#pragma once

#include <string>

namespace rireve {

std::string driverFilePath();
std::string userDriverFilePath();
std::string systemDataSourceFilePath();
std::string userDataSourceFilePath();

}  // namespace rireve
