// File data sources (.dsn files), found, read, written and removed as plain
// requests. One implementation file per platform; the rule of a name given
// relative to the folder is shared (file_data_source_path.cpp).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "installer/installer.h"

namespace rireve {

// A file data source: its path and the entries of its [ODBC] section.
struct FileDataSource {
    std::string path;
    Entries entries;
};

// The folder file data sources are kept in by default.
Outcome findFileDataSourceFolder(std::string& folder);
// Where a path of a file data source leads: a full path as it is; a name in
// the default folder, never out of it, with .dsn added when it lacks it.
Outcome resolveFileDataSourcePath(std::string_view given, std::string& path);
// The rule both platforms share: a name given relative to `folder` stays in
// it (no ".." part among those `separators` divide), joined with `separator`,
// .dsn added when it lacks it.
Outcome placeInFolder(std::string_view given, const std::string& folder, std::string_view separators, char separator,
                      std::string& path);
bool endsWithDsn(std::string_view name);

// Every *.dsn file of the folder (the default one when empty), by name.
Outcome listFileDataSources(const std::string& folder, std::vector<FileDataSource>& found);
Outcome readFileDataSource(const std::string& path, FileDataSource& found);
// Makes the file's [ODBC] section hold exactly these entries, every other
// byte kept; a new file when there is none.
Outcome writeFileDataSource(const std::string& path, const Entries& entries, const RequestOptions& options);
Outcome removeFileDataSource(const std::string& path, const RequestOptions& options);

}  // namespace rireve
