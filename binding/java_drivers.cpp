#include "binding/java_drivers.h"

#include <string>
#include <vector>

#include "binding/frame.h"
#include "binding/local_ref.h"
#include "binding/requests.h"
#include "binding/text.h"
#include "installer/attribute_text.h"
#include "installer/drivers.h"
#include "platform/odbc_environment.h"

namespace rireve {
namespace {

// A text argument of any length; null or one the platform's text cannot
// carry raises the message given.
bool takeText(JNIEnv* env, jstring text, const Message& ifNull, const Message& ifInvalid, std::string& out) {
    if (text == nullptr) return refuseRequest(env, ifNull, "the argument is null");
    const TextStatus status = copyLongJavaString(env, text, out);
    if (status == TextStatus::javaException) return false;
    if (status != TextStatus::ok) {
        return refuseRequest(env, ifInvalid, "the argument holds a character the platform's text cannot carry");
    }
    return true;
}

bool takeDriverName(JNIEnv* env, jstring name, std::string& out) {
    if (!takeText(env, name, message::kDriverIsNull, message::kDriverNameIsInvalid, out)) return false;
    const std::string why = whyDriverNameIsInvalid(out);
    return why.empty() || refuseRequest(env, message::kDriverNameIsInvalid, why);
}

bool takePath(JNIEnv* env, jstring given, const Message& refusal, std::string& path) {
    std::string text;
    if (!takeText(env, given, message::kPathIsNull, refusal, text)) return false;
    return !raiseFailure(env, resolveFileDataSourcePath(text, path), refusal);
}

bool takeEntries(JNIEnv* env, jobjectArray array, EntryOwner owner, Entries& entries) {
    std::vector<EntryEdit> edits;
    if (!takeEntryEdits(env, array, nullptr, owner, edits)) return false;
    for (EntryEdit& edit : edits) entries.emplace_back(std::move(edit.key), std::move(*edit.value));
    return true;
}

jobjectArray newStrings(JNIEnv* env, const std::vector<std::string>& texts) {
    LocalRef<jclass> type(env, env->FindClass("java/lang/String"));
    if (!type) return nullptr;
    LocalRef<jobjectArray> array(env, env->NewObjectArray(static_cast<jsize>(texts.size()), type.get(), nullptr));
    if (!array) return nullptr;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        LocalRef<jstring> text(env, newLongJavaString(env, texts[i]));
        if (!text) return nullptr;
        env->SetObjectArrayElement(array.get(), static_cast<jsize>(i), text.get());
        if (env->ExceptionCheck()) return nullptr;
    }
    return array.release();
}

jobjectArray usageStrings(JNIEnv* env, const DriverUsage& usage) {
    std::vector<std::string> texts{std::to_string(usage.usageCount), usage.installed ? "1" : "0"};
    for (const std::string& name : usage.removedDataSources) texts.push_back("-" + name);
    for (const std::string& name : usage.dataSourcesLeft) texts.push_back("+" + name);
    return newStrings(env, texts);
}

void appendEntries(std::vector<std::string>& texts, const Entries& entries) {
    for (const auto& [key, value] : entries) {
        texts.push_back(key);
        texts.push_back(value);
    }
}

}  // namespace

jobjectArray javaInstallDriver(JNIEnv* env, jstring name, jobjectArray entries, jint scope, jboolean replace) {
    DriverInstall request;
    if (!takeScope(env, scope, request.scope, message::kInstallDriverRefused)) return nullptr;
    if (!takeDriverName(env, name, request.name)) return nullptr;
    if (!takeEntries(env, entries, EntryOwner::driver, request.entries)) return nullptr;
    request.replace = replace == JNI_TRUE;
    DriverUsage usage;
    if (!runRequest(env, message::kInstallDriverRefused,
                    [&](const RequestOptions& options) { return installDriver(request, options, usage); }))
        return nullptr;
    return usageStrings(env, usage);
}

jobjectArray javaRemoveDriver(JNIEnv* env, jstring name, jint scope, jboolean removeDataSources) {
    Scope taken = Scope::system;
    std::string driver;
    if (!takeScope(env, scope, taken, message::kRemoveDriverRefused) || !takeDriverName(env, name, driver))
        return nullptr;
    DriverUsage usage;
    if (!runRequest(env, message::kRemoveDriverRefused, [&](const RequestOptions& options) {
            return removeDriver(driver, taken, removeDataSources == JNI_TRUE, options, usage);
        }))
        return nullptr;
    return usageStrings(env, usage);
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

jobjectArray javaUserDrivers(JNIEnv* env) {
    std::vector<std::string> names;
    if (raiseFailure(env, listUserDrivers(names), message::kReadConfiguration)) return nullptr;
    return newStrings(env, names);
}

jobjectArray javaDriverManagerSettings(JNIEnv* env) {
    DriverManagerSettings settings;
    if (raiseFailure(env, readDriverManagerSettings(settings), message::kReadConfiguration)) return nullptr;
    std::vector<std::string> texts{settings.path, settings.overriddenBy};
    appendEntries(texts, settings.entries);
    return newStrings(env, texts);
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

jobjectArray javaFileDataSources(JNIEnv* env, jstring folder) {
    std::string given;
    if (folder != nullptr &&
        !takeText(env, folder, message::kPathIsNull, message::kFileDataSourceUnreadable, given))
        return nullptr;
    std::vector<FileDataSource> found;
    if (raiseFailure(env, listFileDataSources(given, found), message::kFileDataSourceUnreadable)) return nullptr;
    std::vector<std::string> texts;
    for (const FileDataSource& source : found) {
        texts.push_back(source.path);
        texts.push_back(std::to_string(source.entries.size()));
        appendEntries(texts, source.entries);
    }
    return newStrings(env, texts);
}

jobjectArray javaReadFileDataSource(JNIEnv* env, jstring given) {
    std::string path;
    if (!takePath(env, given, message::kFileDataSourceUnreadable, path)) return nullptr;
    FileDataSource found;
    if (raiseFailure(env, readFileDataSource(path, found), message::kFileDataSourceUnreadable)) return nullptr;
    std::vector<std::string> texts{found.path};
    appendEntries(texts, found.entries);
    return newStrings(env, texts);
}

jstring javaWriteFileDataSource(JNIEnv* env, jstring given, jobjectArray array) {
    std::string path;
    Entries entries;
    if (!takePath(env, given, message::kFileDataSourceRefused, path) ||
        !takeEntries(env, array, EntryOwner::driver, entries))
        return nullptr;
    if (!runRequest(env, message::kFileDataSourceRefused,
                    [&](const RequestOptions& options) { return writeFileDataSource(path, entries, options); }))
        return nullptr;
    return newLongJavaString(env, path);
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
