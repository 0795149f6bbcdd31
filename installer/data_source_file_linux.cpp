#include "installer/data_source_file_linux.h"

#include <cerrno>

namespace rireve {

Status openDataSourceFile(Scope scope, const RequestOptions& options, ProfileWriter& file) {
    const bool system = scope == Scope::system;
    Status opened = file.open(system ? ProfileFile::systemDataSources : ProfileFile::userDataSources, options.lockWait);
    const int error = opened.error();
    if (!system || (error != EACCES && error != EPERM && error != EROFS)) return opened;
    return Status::failure(opened.reason() + "; system data sources are changed as root (or by a user who may write "
                                             "the file and its folder)");
}

}  // namespace rireve
