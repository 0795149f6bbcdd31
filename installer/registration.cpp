#include "installer/registration.h"

#include <sqlext.h>

#include "installer/data_source_entries.h"

namespace rireve {
namespace {

Outcome request(WORD code, const Request& request, const RequestOptions& options) {
    return onOdbcEnvironment([&](SQLHENV) {
        return Outcome::of(configDataSource(nullptr, code, request.driver, request.text.bytes(), options));
    });
}

}  // namespace

Outcome addDataSource(const Request& added, const RequestOptions& options) {
    return request(added.scope == Scope::system ? ODBC_ADD_SYS_DSN : ODBC_ADD_DSN, added, options);
}

Outcome addDataSource(const Registration& added, const RequestOptions& options) {
    const WORD code = added.request.scope == Scope::system ? ODBC_ADD_SYS_DSN : ODBC_ADD_DSN;
    return onOdbcEnvironment([&](SQLHENV) {
        return Outcome::of(addDataSourceEntries(code, added.request.driver, added.request.name, added.entries,
                                                added.request.text.bytes(), options));
    });
}

Outcome removeDataSource(const Request& removed, const RequestOptions& options) {
    return request(removed.scope == Scope::system ? ODBC_REMOVE_SYS_DSN : ODBC_REMOVE_DSN, removed, options);
}

Outcome editEntries(const EntryRequest& edited, const RequestOptions& options) {
    return onOdbcEnvironment([&](SQLHENV odbc) {
        return Outcome::of(editDataSourceEntries(odbc, edited.scope, edited.name, edited.edits, options));
    });
}

}  // namespace rireve
