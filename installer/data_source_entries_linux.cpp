// Linux: the data source's section of its file, edited under the file's lock.
#include "installer/data_source_entries.h"

#include "installer/data_source_file_linux.h"

namespace rireve {

Status editDataSourceEntries(SQLHENV, Scope scope, std::string_view name, const std::vector<EntryEdit>& edits,
                             const RequestOptions& options) {
    ProfileWriter file;
    Status opened = openDataSourceFile(scope, options, file);
    if (!opened.ok()) return opened;
    return file.carryOut(planFirstOfName(name, [&](const ProfileSection* current, ProfileWriter::SectionPlan& plan) {
        plan = planEdits(name, edits);
        if (current != nullptr) return Status();
        return Status::failure("no data source named " + std::string(name) + " in " + file.path());
    }));
}

}  // namespace rireve
