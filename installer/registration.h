// Registration, removal and edits of data sources, as plain requests: each
// is carried out on an ODBC environment of its own and says which step
// failed, and why.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/text_rules.h"
#include "catalog/scope.h"
#include "installer/attribute_text.h"
#include "installer/installer.h"
#include "profile/profile.h"

namespace rireve {

// Everything a registration or removal needs, checked before the installer
// is asked.
struct Request {
    AttributeText text;
    char name[kMaxNameBytes + 1];
    char driver[kTextBufferSize];
    Scope scope = Scope::user;
};

// A registration of entries given as pairs: the installer's text of them,
// composed and checked, travels in `request` for the installer, and the
// entries as they are for a file the library writes itself.
struct Registration {
    Request request;
    std::vector<std::pair<std::string, std::string>> entries;
};

// A change to a data source's own entries, checked before it is made.
struct EntryRequest {
    char name[kMaxNameBytes + 1];
    Scope scope = Scope::user;
    std::vector<EntryEdit> edits;
};

// Asks the installer to add the data source.
Outcome addDataSource(const Request& request, const RequestOptions& options);

// Registers the data source with its entries.
Outcome addDataSource(const Registration& registration, const RequestOptions& options);

// Asks the installer to remove the data source.
Outcome removeDataSource(const Request& request, const RequestOptions& options);

// Makes the edits to the data source's entries.
Outcome editEntries(const EntryRequest& request, const RequestOptions& options);

}  // namespace rireve
