#include "installer/data_source_file_linux.h"

#include <cerrno>

namespace rireve {

Status openScopeFile(Scope scope, ProfileFile user, ProfileFile system, const RequestOptions& options,
                     std::string_view what, ProfileWriter& file) {
    const bool inSystem = scope == Scope::system;
    Status opened = file.open(inSystem ? system : user, options.lockWait);
    const int error = opened.error();
    if (!inSystem || (error != EACCES && error != EPERM && error != EROFS)) return opened;
    return Status::failure(opened.reason() + "; " + std::string(what) +
                           " as root (or by a user who may write the file and its folder)");
}

Status openDataSourceFile(Scope scope, const RequestOptions& options, ProfileWriter& file) {
    return openScopeFile(scope, ProfileFile::userDataSources, ProfileFile::systemDataSources, options,
                         "system data sources are changed", file);
}

Status openDriverFile(Scope scope, const RequestOptions& options, ProfileWriter& file) {
    return openScopeFile(scope, ProfileFile::userDrivers, ProfileFile::drivers, options,
                         "the system's drivers are installed", file);
}

}  // namespace rireve
