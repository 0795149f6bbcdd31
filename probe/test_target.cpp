#include "probe/test_target.h"

#include "catalog/catalog.h"

namespace rireve {
namespace {

const char* scopeWord(Scope scope) { return scope == Scope::system ? "system" : "user"; }

bool namesLibrary(std::string_view driver) {
    return driver.find('/') != std::string_view::npos || driver.find('\\') != std::string_view::npos;
}

}  // namespace

Outcome findTestTarget(std::string_view name, std::optional<Scope> scope, TestTarget& target) {
    target = TestTarget();
    Catalog user;
    if (Outcome read = lookupScopedDataSource(name, Scope::user, user); !read.ok()) return read;
    Catalog found;
    if (scope == Scope::system || (!scope && user.dataSources.empty())) {
        if (Outcome read = lookupScopedDataSource(name, Scope::system, found); !read.ok()) return read;
    }
    const Catalog& chosen = scope == Scope::system || (!scope && user.dataSources.empty()) ? found : user;
    const std::string shown(name);
    if (chosen.dataSources.empty()) {
        target.verdict = TestVerdict::notFound;
        target.reason = scope ? "no " + std::string(scopeWord(*scope)) + " data source is named " + shown
                              : "no data source is named " + shown + ", neither the user's nor the system's";
        return {};
    }
    const DataSourceRecord& source = chosen.dataSources.front();
    const Scope where = source.scope.value_or(Scope::user);
    target.driver = std::string(source.driverName);
    if (where == Scope::system && !user.dataSources.empty()) {
        if (!canHideUserDataSources()) {
            target.verdict = TestVerdict::notFound;
            target.reason = "the system data source " + shown + " is hidden by a user data source of the same name,"
                            " which the driver manager connects to instead";
            return {};
        }
        target.hideUserDataSources = true;
    }
    if (source.driver == kNoDriver && !namesLibrary(target.driver)) {
        target.verdict = TestVerdict::driverNotInstalled;
        target.reason = "the " + std::string(scopeWord(where)) + " data source " + shown +
                        (target.driver.empty() ? " names no driver" : " names the driver " + target.driver +
                                                                          ", which is not installed");
    }
    return {};
}

}  // namespace rireve
