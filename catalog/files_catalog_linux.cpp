// Linux: the catalogue read straight from the configuration files, once per
// call, with unixODBC's own reader. Each listing sees one snapshot: every
// data source's driver is found in the same read as the data source.
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

#include "binding/frame.h"
#include "binding/local_ref.h"
#include "binding/text.h"
#include "catalog/catalog.h"
#include "catalog/configuration.h"
#include "catalog/java_catalog.h"
#include "catalog/listing.h"
#include "profile/profile.h"

namespace rireve {
namespace {

// The installed drivers of one read, found by exact description, each with
// its attribute list built once.
struct DriverCatalog {
    Profile file;
    Profile userFile;
    std::vector<ListedDriver> listed;
    std::vector<std::string> attributeLists;
    std::unordered_map<std::string_view, std::size_t> byDescription;
};

Status readDrivers(DriverCatalog& drivers) {
    Status read = readDriverFiles(drivers.file, drivers.userFile);
    if (!read.ok()) return read;
    drivers.listed = listDriverSections(drivers.file, drivers.userFile);
    drivers.attributeLists.reserve(drivers.listed.size());
    for (std::size_t i = 0; i < drivers.listed.size(); ++i) {
        drivers.attributeLists.push_back(attributeListOf(*drivers.listed[i].attributes));
        drivers.byDescription.emplace(drivers.listed[i].description, i);
    }
    return {};
}

// The data sources of one read, with the drivers of the same read.
struct DataSourceCatalog {
    Profile user;
    Profile system;
    std::vector<ListedDataSource> listed;
    DriverCatalog drivers;
};

Status readDataSources(DataSourceCatalog& sources) {
    const std::vector<std::string_view> keys = {"Driver", "Description"};
    ProfileAccess userAccess = ProfileAccess::read;
    Status read = readProfileFile(ProfileFile::userDataSources, sources.user, keys, &userAccess);
    if (read.ok()) read = readProfileFile(ProfileFile::systemDataSources, sources.system, keys);
    if (!read.ok()) return read;
    DataSourceSearch search = dataSourceSearch(std::getenv("ODBCSEARCH"));
    // A user file that is there but cannot be read leaves the system's alone,
    // listed as unixODBC lists it on its own.
    if (search == DataSourceSearch::both && userAccess == ProfileAccess::unreadable) search = DataSourceSearch::system;
    sources.listed = listDataSourceSections(sources.user, sources.system, search);
    return readDrivers(sources.drivers);
}

// A read that failed raises its message with the reason; the caller returns.
bool readOrRaise(JNIEnv* env, const Status& read) {
    if (!read.ok()) throwError(env, message::kReadConfiguration, read);
    return read.ok();
}

jobject buildListedDriver(JNIEnv* env, const DriverType& type, const DriverCatalog& drivers, std::size_t i) {
    return buildDriver(env, type, drivers.listed[i].description, drivers.attributeLists[i]);
}

// The description and attribute map of each driver, made once per listing
// and handed to the driver object of every data source that uses it.
// ODBCDriver copies the map it is given, so each data source's driver still
// has a map of its own, and a listing makes a few calls per data source.
class DriverParts {
public:
    DriverParts(JNIEnv* env, std::size_t drivers) : env_(env), parts_(drivers) {}
    ~DriverParts() {
        for (const Part& part : parts_) {
            if (part.description != nullptr) env_->DeleteLocalRef(part.description);
            if (part.attributes != nullptr) env_->DeleteLocalRef(part.attributes);
        }
    }
    DriverParts(const DriverParts&) = delete;
    DriverParts& operator=(const DriverParts&) = delete;

    // Room for every part, and `more`, beyond the VM's default of a few local references.
    bool reserve(std::size_t more = 0) {
        return env_->EnsureLocalCapacity(static_cast<jint>(2 * parts_.size() + more + 16)) == 0;
    }

    // A new driver object of the i-th driver, or null with an exception pending.
    jobject build(const DriverType& type, const DriverCatalog& drivers, std::size_t i) {
        Part& part = parts_[i];
        if (part.description == nullptr) {
            const std::string_view description = drivers.listed[i].description;
            part.description = newJavaString(env_, description.data(), description.size());
            if (vmCallFailed(env_, part.description)) return nullptr;
            part.attributes = buildAttributeMap(env_, type.map, drivers.attributeLists[i]);
            if (vmCallFailed(env_, part.attributes)) return nullptr;
        }
        return type.constructor.create(env_, part.description, part.attributes);
    }

private:
    struct Part {
        jstring description = nullptr;
        jobject attributes = nullptr;
    };
    JNIEnv* env_;
    std::vector<Part> parts_;
};

// A data source with its driver's object, or a null driver when no installed
// driver has its driver's exact description.
jobject buildListedDataSource(JNIEnv* env, const JavaConstructor& type, const DriverType& driverType,
                              const DataSourceCatalog& sources, DriverParts& driverParts,
                              const ListedDataSource& source) {
    const auto found = sources.drivers.byDescription.find(source.driver);
    const bool installed = found != sources.drivers.byDescription.end();
    LocalRef<jobject> driver(env, installed ? driverParts.build(driverType, sources.drivers, found->second) : nullptr);
    if (env->ExceptionCheck()) return nullptr;
    return buildDataSource(env, type, source.name, driver.get());
}

// The data sources of the scopes asked for, each with all its entries, and
// the drivers, of one read.
struct ScopedCatalog {
    Profile user;
    Profile system;
    std::vector<ScopedSection> listed;
    DriverCatalog drivers;
};

Status readScopedDataSources(ScopedCatalog& sources, int scopes) {
    Status read;
    // A file that is there but cannot be read fails the listing with the
    // reason: only the driver manager's own view passes over it.
    if (covers(scopes, Scope::user)) read = readReadableProfileFile(ProfileFile::userDataSources, sources.user);
    if (read.ok() && covers(scopes, Scope::system)) {
        read = readReadableProfileFile(ProfileFile::systemDataSources, sources.system);
    }
    if (!read.ok()) return read;
    sources.listed = listScopedSections(sources.user, sources.system, scopes);
    return readDrivers(sources.drivers);
}

jobject buildScopedSection(JNIEnv* env, const ScopedDataSourceType& type, const DriverType& driverType,
                           const ScopedCatalog& sources, DriverParts& driverParts, StringCache& shared,
                           const ScopedSection& listed) {
    const auto found = sources.drivers.byDescription.find(listed.driver);
    const bool installed = found != sources.drivers.byDescription.end();
    LocalRef<jobject> driver(env, installed ? driverParts.build(driverType, sources.drivers, found->second) : nullptr);
    if (env->ExceptionCheck()) return nullptr;
    const ScopedDataSource source{listed.section->name, listed.driver, listed.scope, &listed.section->entries};
    return buildScopedDataSource(env, type, source, driver.get(), shared);
}

// One read of the files on an ODBC environment of its own, as every
// operation of the driver manager's interface runs: a failure to allocate or
// free it is reported as such.
template <typename Result, typename Read>
Result onEnvironment(JNIEnv* env, Read read) {
    LocalRef<Result> result(env, nullptr);
    const bool done = withOdbcEnvironment(env, [&](SQLHENV) {
        result.reset(read());
        return !env->ExceptionCheck();
    });
    return done ? result.release() : nullptr;
}

// Reads the scopes' data sources and hands build() the catalogue, the types
// and the drivers' parts.
template <typename Result, typename Build>
Result withScopedCatalog(JNIEnv* env, int scopes, Build build) {
    ScopedDataSourceType type(env);
    DriverType driverType(env);
    if (!type.found() || !driverType.found()) return nullptr;
    return onEnvironment<Result>(env, [&]() -> Result {
        ScopedCatalog sources;
        if (!readOrRaise(env, readScopedDataSources(sources, scopes))) return nullptr;
        DriverParts driverParts(env, sources.drivers.listed.size());
        StringCache shared(env);
        if (!driverParts.reserve(StringCache::kCached)) return nullptr;
        return build(sources, [&](const ScopedSection& listed) {
            return buildScopedSection(env, type, driverType, sources, driverParts, shared, listed);
        }, type.constructor.type());
    });
}

}  // namespace

jobjectArray listScopedDataSources(JNIEnv* env, int scopes) {
    return withScopedCatalog<jobjectArray>(env, scopes, [&](const ScopedCatalog& sources, auto build, jclass type) {
        return buildArray(env, type, sources.listed.size(), [&](std::size_t i) { return build(sources.listed[i]); });
    });
}

jobject lookupScopedDataSource(JNIEnv* env, const char* name, Scope scope) {
    return withScopedCatalog<jobject>(env, static_cast<int>(scope), [&](const ScopedCatalog& sources, auto build,
                                                                        jclass) -> jobject {
        for (const ScopedSection& listed : sources.listed) {
            if (sameProfileName(listed.section->name, name)) return build(listed);
        }
        return nullptr;
    });
}

jobjectArray listDrivers(JNIEnv* env) {
    DriverType driverType(env);
    if (!driverType.found()) return nullptr;
    return onEnvironment<jobjectArray>(env, [&] {
        DriverCatalog drivers;
        if (!readOrRaise(env, readDrivers(drivers))) return jobjectArray{};
        return buildArray(env, driverType.constructor.type(), drivers.listed.size(),
                          [&](std::size_t i) { return buildListedDriver(env, driverType, drivers, i); });
    });
}

jobjectArray listDataSources(JNIEnv* env) {
    JavaConstructor dataSourceType(env, javaclass::kDataSource, javaclass::kDataSourceConstructor);
    DriverType driverType(env);
    if (!dataSourceType.found() || !driverType.found()) return nullptr;
    return onEnvironment<jobjectArray>(env, [&] {
        DataSourceCatalog sources;
        if (!readOrRaise(env, readDataSources(sources))) return jobjectArray{};
        DriverParts driverParts(env, sources.drivers.listed.size());
        if (!driverParts.reserve()) return jobjectArray{};
        return buildArray(env, dataSourceType.type(), sources.listed.size(), [&](std::size_t i) {
            return buildListedDataSource(env, dataSourceType, driverType, sources, driverParts, sources.listed[i]);
        });
    });
}

jobject lookupDataSource(JNIEnv* env, const char* name) {
    JavaConstructor dataSourceType(env, javaclass::kDataSource, javaclass::kDataSourceConstructor);
    DriverType driverType(env);
    if (!dataSourceType.found() || !driverType.found()) return nullptr;
    return onEnvironment<jobject>(env, [&]() -> jobject {
        DataSourceCatalog sources;
        if (!readOrRaise(env, readDataSources(sources))) return nullptr;
        DriverParts driverParts(env, sources.drivers.listed.size());
        for (const ListedDataSource& source : sources.listed) {
            if (source.name == name) {
                return buildListedDataSource(env, dataSourceType, driverType, sources, driverParts, source);
            }
        }
        return nullptr;
    });
}

}  // namespace rireve
