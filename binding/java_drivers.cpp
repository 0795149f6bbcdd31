#include "binding/java_drivers.h"

#include <string>
#include <vector>

#include "binding/frame.h"
#include "binding/record.h"
#include "binding/requests.h"
#include "binding/text.h"
#include "installer/attribute_text.h"
#include "installer/drivers.h"
#include "platform/odbc_environment.h"

namespace rireve {
namespace {

bool takeDriverName(JNIEnv* env, jstring name, std::string& out) {
    if (!takeLongText(env, name, "driver name", message::kDriverIsNull, message::kDriverNameIsInvalid, out)) return false;
    const std::string why = whyDriverNameIsInvalid(out);
    return why.empty() || refuseRequest(env, message::kDriverNameIsInvalid, why);
}

bool takePath(JNIEnv* env, jstring given, const Message& refusal, std::string& path) {
    std::string text;
    if (!takeLongText(env, given, "path", message::kPathIsNull, refusal, text)) return false;
    return !raiseFailure(env, resolveFileDataSourcePath(text, path), refusal);
}

bool takeEntries(JNIEnv* env, jobjectArray array, EntryOwner owner, Entries& entries) {
    std::vector<EntryEdit> edits;
    if (!takeEntryEdits(env, array, nullptr, owner, edits)) return false;
    for (EntryEdit& edit : edits) entries.emplace_back(std::move(edit.key), std::move(*edit.value));
    return true;
}

jcharArray usageRecord(JNIEnv* env, const DriverUsage& usage) {
    Record record;
    record.number(static_cast<std::int32_t>(usage.usageCount));
    record.flag(usage.installed);
    record.texts(usage.removedDataSources);
    record.texts(usage.dataSourcesLeft);
    return record.toJava(env);
}

void writeFileDataSource(Record& record, const FileDataSource& source) {
    record.text(source.path);
    writeEntries(record, source.entries);
}

}  // namespace

jcharArray javaInstallDriver(JNIEnv* env, jstring name, jobjectArray entries, jint scope, jboolean replace) {
    DriverInstall request;
    if (!takeScope(env, scope, request.scope, message::kInstallDriverRefused)) return nullptr;
    if (!takeDriverName(env, name, request.name)) return nullptr;
    if (!takeEntries(env, entries, EntryOwner::driver, request.entries)) return nullptr;
    request.replace = replace == JNI_TRUE;
    DriverUsage usage;
    if (!runRequest(env, message::kInstallDriverRefused,
                    [&](const RequestOptions& options) { return installDriver(request, options, usage); }))
        return nullptr;
    return usageRecord(env, usage);
}

jcharArray javaRemoveDriver(JNIEnv* env, jstring name, jint scope, jboolean removeDataSources) {
    Scope taken = Scope::system;
    std::string driver;
    if (!takeScope(env, scope, taken, message::kRemoveDriverRefused) || !takeDriverName(env, name, driver))
        return nullptr;
    DriverUsage usage;
    if (!runRequest(env, message::kRemoveDriverRefused, [&](const RequestOptions& options) {
            return removeDriver(driver, taken, removeDataSources == JNI_TRUE, options, usage);
        }))
        return nullptr;
    return usageRecord(env, usage);
}

jboolean javaConfigureDriver(JNIEnv* env, jstring name, jint scope, jobjectArray set, jobjectArray unset) {
    Scope taken = Scope::system;
    std::string driver;
    std::vector<EntryEdit> edits;
    if (!takeScope(env, scope, taken, message::kConfigureDriverRefused) || !takeDriverName(env, name, driver) ||
        !takeEntryEdits(env, set, unset, EntryOwner::driver, edits))
        return JNI_FALSE;
    return runRequest(env, message::kConfigureDriverRefused, [&](const RequestOptions& options) {
               return configureDriver(driver, taken, edits, options);
           })
               ? JNI_TRUE
               : JNI_FALSE;
}

jcharArray javaUserDrivers(JNIEnv* env) {
    std::vector<std::string> names;
    if (raiseFailure(env, listUserDrivers(names), message::kReadConfiguration)) return nullptr;
    Record record;
    record.texts(names);
    return record.toJava(env);
}

jcharArray javaDriverManagerSettings(JNIEnv* env) {
    DriverManagerSettings settings;
    if (raiseFailure(env, readDriverManagerSettings(settings), message::kReadConfiguration)) return nullptr;
    Record record;
    record.text(settings.path);
    record.flag(!settings.overriddenBy.empty());
    record.text(settings.overriddenBy);
    writeEntries(record, settings.entries);
    return record.toJava(env);
}

jboolean javaConfigureDriverManager(JNIEnv* env, jobjectArray set, jobjectArray unset) {
    std::vector<EntryEdit> edits;
    if (!takeEntryEdits(env, set, unset, EntryOwner::settings, edits)) return JNI_FALSE;
    return runRequest(env, message::kConfigureSettingsRefused,
                      [&](const RequestOptions& options) { return configureDriverManager(edits, options); })
               ? JNI_TRUE
               : JNI_FALSE;
}

jstring javaFileDataSourceFolder(JNIEnv* env) {
    std::string folder;
    if (raiseFailure(env, findFileDataSourceFolder(folder), message::kReadConfiguration)) return nullptr;
    return newLongJavaString(env, folder);
}

jcharArray javaFileDataSources(JNIEnv* env, jstring folder) {
    std::string given;
    if (folder != nullptr &&
        !takeLongText(env, folder, "folder", message::kPathIsNull, message::kFileDataSourceUnreadable, given))
        return nullptr;
    std::vector<FileDataSource> found;
    if (raiseFailure(env, listFileDataSources(given, found), message::kFileDataSourceUnreadable)) return nullptr;
    Record record;
    record.number(static_cast<std::int32_t>(found.size()));
    for (const FileDataSource& source : found) writeFileDataSource(record, source);
    return record.toJava(env);
}

jcharArray javaReadFileDataSource(JNIEnv* env, jstring given) {
    std::string path;
    if (!takePath(env, given, message::kFileDataSourceUnreadable, path)) return nullptr;
    FileDataSource found;
    if (raiseFailure(env, readFileDataSource(path, found), message::kFileDataSourceUnreadable)) return nullptr;
    Record record;
    writeFileDataSource(record, found);
    return record.toJava(env);
}

jcharArray javaWriteFileDataSource(JNIEnv* env, jstring given, jobjectArray array) {
    std::string path;
    Entries entries;
    if (!takePath(env, given, message::kFileDataSourceRefused, path) ||
        !takeEntries(env, array, EntryOwner::driver, entries))
        return nullptr;
    if (!runRequest(env, message::kFileDataSourceRefused,
                    [&](const RequestOptions& options) { return writeFileDataSource(path, entries, options); }))
        return nullptr;
    FileDataSource written;
    if (raiseFailure(env, readFileDataSource(path, written), message::kFileDataSourceUnreadable)) return nullptr;
    Record record;
    writeFileDataSource(record, written);
    return record.toJava(env);
}

jstring javaRemoveFileDataSource(JNIEnv* env, jstring given) {
    std::string path;
    if (!takePath(env, given, message::kFileDataSourceRefused, path)) return nullptr;
    if (!runRequest(env, message::kFileDataSourceRefused,
                    [&](const RequestOptions& options) { return removeFileDataSource(path, options); }))
        return nullptr;
    return newLongJavaString(env, path);
}

}  // namespace rireve
