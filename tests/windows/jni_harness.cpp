// Calls the Windows DLL's native methods as a Java VM would: every native of
// com.nq.odbc.ODBC, looked up by the name the VM uses on this platform and
// called through a JNI environment whose functions this program provides.
// Prints what each call returned (its record read as com.nq.odbc.Record
// reads it) or raised; fails on a misuse of the JNI and on a native no case
// calls.
//   jni-harness RI-REVE.dll CONNECTION_STRING FOLDER
#include <windows.h>

#include <jni.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The objects the library creates, as this stand-in VM keeps them.
struct Object {
    std::string type;             // the VM's name of its class: java/lang/String, [C, com/nq/odbc/DataSource, ...
    std::u16string units;         // a string's or char array's; the name of a class or of a Reason constant
    std::vector<Object*> fields;  // an array's elements, or the arguments it was constructed with
    std::string shown;            // a static method's result: its record as read
};

std::vector<Object*> heap;  // never freed: the program is short
thread_local Object* pending = nullptr;  // the exception pending on this thread, as in a VM
std::vector<std::string> misuses;
int liveLocalReferences = 0;
int mostLocalReferences = 0;

constexpr jint kUser = 1;  // the scopes' bits (DataSource.Scope)
constexpr jint kSystem = 2;

void misuse(const std::string& what) { misuses.push_back(what); }

Object* keep(Object* object) {
    heap.push_back(object);
    return object;
}

jobject track(Object* object) {
    keep(object);
    liveLocalReferences += 1;
    if (liveLocalReferences > mostLocalReferences) mostLocalReferences = liveLocalReferences;
    return reinterpret_cast<jobject>(object);
}

Object* from(jobject object) { return reinterpret_cast<Object*>(object); }

std::string utf8(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            out += static_cast<char>(0xC0 | (unit >> 6));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
    return out;
}

// A record read as com.nq.odbc.Record reads it. A value that runs past the
// end, a flag other than 0 or 1, a negative length or count, or units left
// unread once the reader is done: the library wrote what Java cannot read.
class RecordReader {
public:
    explicit RecordReader(const std::u16string& units) : units_(units) {}

    std::int32_t number() {
        take(2);
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(units_[at_ - 2]) << 16 | units_[at_ - 1]);
    }
    bool flag() {
        take(1);
        if (units_[at_ - 1] > 1) fail("a flag of " + std::to_string(units_[at_ - 1]));
        return units_[at_ - 1] != 0;
    }
    std::size_t count() {
        const std::int32_t count = number();
        if (count < 0) fail("a count or length of " + std::to_string(count));
        return static_cast<std::size_t>(count);
    }
    std::string text() {
        const std::size_t length = count();
        take(length);
        return utf8(units_.substr(at_ - length, length));
    }
    // A count, then that many texts: [a, b].
    std::string texts() {
        std::string out;
        for (std::size_t n = count(); n > 0; --n) out += (out.empty() ? "" : ", ") + text();
        return "[" + out + "]";
    }
    // A count of pairs, then keys and values by turns: {k=v, k=v}.
    std::string pairs() {
        std::string out;
        for (std::size_t n = count(); n > 0; --n) {
            const std::string key = text();
            out += (out.empty() ? "" : ", ") + key + "=" + text();
        }
        return "{" + out + "}";
    }
    void finish() const {
        if (at_ != units_.size()) fail(std::to_string(units_.size() - at_) + " units left unread");
    }

    [[noreturn]] void fail(const std::string& what) const {
        throw std::runtime_error(what + " at unit " + std::to_string(at_) + " of " + std::to_string(units_.size()));
    }

private:
    void take(std::size_t count) {
        if (units_.size() - at_ < count) fail("a value past the end");
        at_ += count;
    }

    const std::u16string& units_;
    std::size_t at_ = 0;
};

using Reader = std::string (*)(RecordReader&);

// The readers of the value classes, each printing what it read.

// ODBCDriver.read: its name, then its attributes.
std::string driver(RecordReader& record) {
    const std::string name = record.text();
    return name + " " + record.pairs();
}

// ODBCDriver.listed: each driver, a vanished one null.
std::string drivers(RecordReader& record) {
    std::string out;
    for (std::size_t n = record.count(); n > 0; --n) out += "\n  " + (record.flag() ? driver(record) : "null");
    return out;
}

// DataSource.list: the drivers that the data sources use, then each data
// source (a vanished one null) with its driver's index, and in a scoped
// listing its scope, its driver's name and its entries.
std::vector<std::string> dataSources(RecordReader& record) {
    const bool scoped = record.flag();
    std::vector<std::optional<std::string>> used(record.count());
    for (std::optional<std::string>& name : used) {
        if (!record.flag()) continue;
        name = record.text();
        record.pairs();
    }
    std::vector<std::string> listed;
    for (std::size_t n = record.count(); n > 0; --n) {
        const std::int32_t index = record.number();
        if (index == -2) {  // DataSource.VANISHED
            listed.emplace_back("null");
            continue;
        }
        const bool installed = index != -1;  // DataSource.NO_DRIVER
        if (installed && (index < 0 || static_cast<std::size_t>(index) >= used.size() || !used[index])) {
            record.fail("a data source of driver " + std::to_string(index) + ", which the record does not hold");
        }
        std::string source = record.text();
        if (!scoped) {
            listed.push_back(source + " -> " + (installed ? *used[index] : "null"));
            continue;
        }
        const std::int32_t scope = record.number();
        if (scope != kUser && scope != kSystem) record.fail("a scope of " + std::to_string(scope));
        source += std::string(" [") + (scope == kSystem ? "system" : "user") + "] -> " + record.text();
        listed.push_back(source + (installed ? " " : " (not installed) ") + record.pairs());
    }
    return listed;
}

std::string allListed(RecordReader& record) {
    std::string out;
    for (const std::string& source : dataSources(record)) out += "\n  " + source;
    return out;
}

// DataSource.firstListed.
std::string firstListed(RecordReader& record) {
    const std::vector<std::string> listed = dataSources(record);
    return listed.empty() ? "null" : listed.front();
}

// DriverUsage.
std::string usage(RecordReader& record) {
    std::string out = "usage count " + std::to_string(record.number());
    out += record.flag() ? ", installed" : ", not installed";
    out += ", removed " + record.texts();
    return out + ", left " + record.texts();
}

std::string texts(RecordReader& record) { return record.texts(); }

// ConfigurationPlan.Change, each on a line: kind file [section] key: before -> after.
std::string changes(RecordReader& record) {
    static const char* const kinds[] = {"add", "change", "remove", "install", "count"};
    std::string out;
    for (std::size_t n = record.count(); n > 0; --n) {
        const std::string file = record.text();
        const std::string section = record.text();
        const std::string key = record.text();
        const std::string before = record.flag() ? record.text() : "-";
        const std::string after = record.flag() ? record.text() : "-";
        const std::size_t kind = static_cast<std::size_t>(record.number());
        if (kind >= 5) record.fail("a change of kind " + std::to_string(kind));
        out += "\n  " + std::string(kinds[kind]) + " " + file + " [" + section + "] " + key + ": " + before + " -> " + after;
    }
    return out;
}

// ConfigurationPlan: its changes, then each diff's file and text.
std::string statePlan(RecordReader& record) {
    std::string out = changes(record);
    for (std::size_t n = record.count(); n > 0; --n) {
        const std::string file = record.text();
        out += "\n  diff of " + file + ":\n" + record.text();
    }
    return out;
}

// ConfigurationApplied: changed or not, the changes, the files put back, the failure.
std::string stateApplied(RecordReader& record) {
    std::string out = record.flag() ? "changed" : "unchanged";
    out += changes(record);
    out += "\n  restored " + record.texts();
    return out + "\n  failure " + (record.flag() ? record.text() : std::string("none"));
}

// DriverManagerSettings.
std::string settings(RecordReader& record) {
    std::string out = record.text();
    const bool overridden = record.flag();
    const std::string by = record.text();
    if (overridden) out += " (overridden by " + by + ")";
    return out + " " + record.pairs();
}

// FileDataSource.
std::string fileDataSource(RecordReader& record) {
    const std::string path = record.text();
    return path + " " + record.pairs();
}

// FileDataSource.list.
std::string fileDataSources(RecordReader& record) {
    std::string out;
    for (std::size_t n = record.count(); n > 0; --n) out += "\n  " + fileDataSource(record);
    return out;
}

// ODBC.testDataSource's reading of the configuration before a test.
std::string testTarget(RecordReader& record) {
    const std::int32_t verdict = record.number();
    const std::string reason = record.text();
    const std::string driver = record.text();
    return "verdict " + std::to_string(verdict) + ", driver " + driver + ", reason " + reason + ", hidden " +
           (record.flag() ? "yes" : "no");
}

// ConnectionProbe.read, printed in the lines the probe program prints.
std::string probe(RecordReader& record) {
    std::string out = record.flag() ? "connected yes\n" : "connected no\n";
    for (const char* fact : {"driver-name", "driver-version", "dbms-name", "dbms-version"}) {
        out += std::string(fact) + " " + record.text() + "\n";
    }
    for (std::size_t n = record.count(); n > 0; --n) {
        const std::string state = record.text();
        const std::int32_t native = record.number();
        out += "diagnostic " + state + " " + std::to_string(native) + " " + record.text() + "\n";
    }
    return out + "end\n";
}

// Diagnosis: each finding's severity, code, subject and reason.
std::string diagnosis(RecordReader& record) {
    std::string out;
    for (std::size_t n = record.count(); n > 0; --n) {
        const std::int32_t severity = record.number();
        const std::string code = record.text();
        const std::string subject = record.text();
        out += "\n  " + std::to_string(severity) + " " + code + " " + subject + ": " + record.text();
        // An error or a warning says what mends it; a finding of something sound has nothing to mend.
        if (record.text().empty() != (severity == 2)) out += " (its mend is " + std::string(severity == 2 ? "there" : "missing") + ")";
    }
    return out;
}

// The record read whole, or the reader's complaint as a misuse.
std::string readRecord(const std::string& by, const Object* units, Reader read) {
    RecordReader record(units->units);
    try {
        std::string shown = read(record);
        record.finish();
        return shown;
    } catch (const std::runtime_error& error) {
        misuse(by + " cannot read its record: " + error.what());
        return "(unreadable record)";
    }
}

// A static method that takes no record: its result, from its arguments.
using Answer = Object* (*)(va_list arguments);

// The system properties this stand-in VM has, as -D would set them.
std::vector<std::pair<std::string, std::string>> properties;
// What ConnectionProbe.programForSetup gives: the probe program beside the
// DLL, or, when empty, none and why.
std::string helperProgram;
int utfCharsHeld = 0;  // GetStringUTFChars not yet released

Object* stringOf(const std::string& text) {
    return keep(new Object{"java/lang/String", std::u16string(text.begin(), text.end()), {}, {}});
}

// System.getProperty(String).
Object* getProperty(va_list arguments) {
    const Object* key = from(va_arg(arguments, jobject));
    if (key == nullptr || key->type != "java/lang/String") {
        misuse("System.getProperty called without a String");
        return nullptr;
    }
    for (const auto& [name, value] : properties) {
        if (name == utf8(key->units)) return stringOf(value);
    }
    return nullptr;
}

// ConnectionProbe.programForSetup(): {path}, or {null, why not}.
Object* programForSetup(va_list) {
    auto* found = keep(new Object{"[Ljava/lang/String;", {}, {}, {}});
    if (!helperProgram.empty()) {
        found->fields.push_back(stringOf(helperProgram));
    } else {
        found->fields = {nullptr, stringOf("the jar has no ri-reve-probe.exe")};
    }
    return found;
}

// What this stand-in VM knows of the Java side: the constructors and static
// methods the library may call, by class, name and signature (with the
// reader of the record a static method takes, or its answer), and the static
// fields of a class (any name) by their type. A look-up of anything else is
// a misuse.
struct Member {
    const char* type;
    const char* name;  // null: a static field
    const char* signature;
    Reader read;
    Answer answer;
};

const Member kMembers[] = {
    {"java/lang/Throwable", "<init>", "(Ljava/lang/String;Ljava/lang/Throwable;)V", nullptr, nullptr},
    {"com/nq/odbc/ODBCException", "<init>",
     "(Ljava/lang/String;Lcom/nq/odbc/ODBCException$Reason;Ljava/lang/Throwable;)V", nullptr, nullptr},
    {"com/nq/odbc/ODBCException$Cause", "<init>", "(Ljava/lang/String;Lcom/nq/odbc/ODBCException$Reason;)V", nullptr, nullptr},
    {"com/nq/odbc/ODBCException$Reason", nullptr, "Lcom/nq/odbc/ODBCException$Reason;", nullptr, nullptr},
    {"com/nq/odbc/ODBCDriver", "listed", "([C)[Lcom/nq/odbc/ODBCDriver;", drivers, nullptr},
    {"com/nq/odbc/DataSource", "listed", "([C)[Lcom/nq/odbc/DataSource;", allListed, nullptr},
    {"com/nq/odbc/DataSource", "firstListed", "([C)Lcom/nq/odbc/DataSource;", firstListed, nullptr},
    {"java/lang/System", "getProperty", "(Ljava/lang/String;)Ljava/lang/String;", nullptr, getProperty},
    {"com/nq/odbc/ConnectionProbe", "programForSetup", "()[Ljava/lang/String;", nullptr, programForSetup},
};

bool isThrowable(const std::string& type) {
    return type == "java/lang/Throwable" || type == "com/nq/odbc/ODBCException" ||
           type == "com/nq/odbc/ODBCException$Cause" || type.rfind("java/lang/NoSuch", 0) == 0 ||
           type == "java/lang/NoClassDefFoundError";
}

// An error this stand-in raises as a VM would, for a misuse it also records.
void raiseError(const char* type, const std::string& what) {
    misuse(what);
    auto* message = keep(new Object{"java/lang/String", std::u16string(what.begin(), what.end()), {}, {}});
    pending = keep(new Object{type, {}, {message}, {}});
}

// A JNI function called; only a few may be while an exception is pending.
void entering(const char* function) {
    if (pending != nullptr) misuse(std::string(function) + " called with an exception pending");
}

std::string className(jclass type) { return type == nullptr ? "null" : utf8(from(type)->units); }

jclass JNICALL findClass(JNIEnv*, const char* name) {
    entering("FindClass");
    for (const Member& member : kMembers) {
        if (std::strcmp(member.type, name) == 0) {
            return reinterpret_cast<jclass>(
                track(new Object{"java/lang/Class", std::u16string(name, name + std::strlen(name)), {}, {}}));
        }
    }
    raiseError("java/lang/NoClassDefFoundError", std::string("FindClass of an unknown class ") + name);
    return nullptr;
}

// A method's or field's ID: its member, and a static field's name.
struct Id {
    const Member* member;
    std::string name;
};

// The member of that class, kind, name and signature, or a raised error.
Id* lookUp(const char* function, jclass type, const char* name, const char* signature, bool field,
           const char* error) {
    entering(function);
    const std::string owner = className(type);
    const bool constructor = std::strcmp(name, "<init>") == 0;
    for (const Member& member : kMembers) {
        if (owner != member.type || std::strcmp(signature, member.signature) != 0) continue;
        if (field ? member.name == nullptr
                  : member.name != nullptr && std::strcmp(name, member.name) == 0 &&
                        constructor == (std::strcmp(function, "GetMethodID") == 0)) {
            return new Id{&member, name};
        }
    }
    raiseError(error, std::string(function) + "(" + owner + ", " + name + ", " + signature + "): no such member");
    return nullptr;
}

jmethodID JNICALL getMethodID(JNIEnv*, jclass type, const char* name, const char* signature) {
    return reinterpret_cast<jmethodID>(lookUp("GetMethodID", type, name, signature, false, "java/lang/NoSuchMethodError"));
}

jmethodID JNICALL getStaticMethodID(JNIEnv*, jclass type, const char* name, const char* signature) {
    return reinterpret_cast<jmethodID>(
        lookUp("GetStaticMethodID", type, name, signature, false, "java/lang/NoSuchMethodError"));
}

jfieldID JNICALL getStaticFieldID(JNIEnv*, jclass type, const char* name, const char* signature) {
    return reinterpret_cast<jfieldID>(
        lookUp("GetStaticFieldID", type, name, signature, true, "java/lang/NoSuchFieldError"));
}

// The ID's member, when it is of that class and of that kind; else a misuse.
const Id* memberOf(const char* function, jclass type, const void* id, bool constructor) {
    const Id* found = static_cast<const Id*>(id);
    if (found == nullptr || className(type) != found->member->type || found->member->name == nullptr ||
        constructor != (std::strcmp(found->member->name, "<init>") == 0)) {
        misuse(std::string(function) + " with an ID not of a fitting member of " + className(type));
        return nullptr;
    }
    return found;
}

// The VM's name of a type in a signature: Lx; is x, [x stays.
std::string typeIn(const std::string& descriptor) {
    return descriptor[0] == 'L' ? descriptor.substr(1, descriptor.size() - 2) : descriptor;
}

jobject JNICALL newObjectV(JNIEnv*, jclass type, jmethodID id, va_list arguments) {
    entering("NewObject");
    const Id* constructor = memberOf("NewObject", type, id, true);
    if (constructor == nullptr) return nullptr;
    auto* object = new Object{constructor->member->type, {}, {}, {}};
    // Every constructor known here takes objects only.
    const std::string signature = constructor->member->signature;
    for (std::size_t at = 1; signature[at] != ')'; at = signature.find(';', at) + 1) {
        const std::string parameter = typeIn(signature.substr(at, signature.find(';', at) + 1 - at));
        Object* argument = from(va_arg(arguments, jobject));
        if (argument != nullptr && argument->type != parameter &&
            !(parameter == "java/lang/Throwable" && isThrowable(argument->type))) {
            misuse("NewObject of " + object->type + " with a " + argument->type + " for a " + parameter);
        }
        object->fields.push_back(argument);
    }
    return track(object);
}

// ODBCDriver.listed, DataSource.listed and firstListed: their record read;
// System.getProperty and ConnectionProbe.programForSetup: their answer.
jobject JNICALL callStaticObjectMethodV(JNIEnv*, jclass type, jmethodID id, va_list arguments) {
    entering("CallStaticObjectMethod");
    const Id* method = memberOf("CallStaticObjectMethod", type, id, false);
    if (method == nullptr) return nullptr;
    if (method->member->answer != nullptr) {
        Object* result = method->member->answer(arguments);
        return result == nullptr ? nullptr : track(result);
    }
    const Object* units = from(va_arg(arguments, jobject));
    const std::string by = className(type) + "." + method->member->name;
    if (units == nullptr || units->type != "[C") {
        misuse(by + " called without a char[]");
        return nullptr;
    }
    const std::string signature = method->member->signature;
    return track(new Object{typeIn(signature.substr(signature.find(')') + 1)), {}, {},
                            readRecord(by, units, method->member->read)});
}

jobject JNICALL getStaticObjectField(JNIEnv*, jclass type, jfieldID id) {
    entering("GetStaticObjectField");
    const Id* field = reinterpret_cast<const Id*>(id);
    if (field == nullptr || className(type) != field->member->type || field->member->name != nullptr) {
        misuse("GetStaticObjectField with an ID not of a static field of " + className(type));
        return nullptr;
    }
    return track(new Object{typeIn(field->member->signature), std::u16string(field->name.begin(), field->name.end()),
                            {}, {}});
}

jint JNICALL throwObject(JNIEnv*, jthrowable thrown) {
    entering("Throw");
    if (thrown == nullptr || !isThrowable(from(thrown)->type)) {
        misuse("Throw of " + (thrown == nullptr ? std::string("null") : from(thrown)->type));
        return -1;
    }
    pending = from(thrown);
    return 0;
}

jboolean JNICALL exceptionCheck(JNIEnv*) { return pending == nullptr ? JNI_FALSE : JNI_TRUE; }

void JNICALL deleteLocalRef(JNIEnv*, jobject object) {
    if (object != nullptr) liveLocalReferences -= 1;
}

// A region's bounds within a length, or a misuse.
bool inBounds(const char* function, jsize start, jsize length, std::size_t size) {
    if (start >= 0 && length >= 0 && static_cast<std::size_t>(start) + static_cast<std::size_t>(length) <= size) {
        return true;
    }
    misuse(std::string(function) + " out of bounds");
    return false;
}

jcharArray JNICALL newCharArray(JNIEnv*, jsize length) {
    entering("NewCharArray");
    return reinterpret_cast<jcharArray>(
        track(new Object{"[C", std::u16string(static_cast<std::size_t>(length), u'\0'), {}, {}}));
}

void JNICALL setCharArrayRegion(JNIEnv*, jcharArray array, jsize start, jsize length, const jchar* units) {
    entering("SetCharArrayRegion");
    if (!inBounds("SetCharArrayRegion", start, length, from(array)->units.size())) return;
    std::memcpy(&from(array)->units[static_cast<std::size_t>(start)], units,
                static_cast<std::size_t>(length) * sizeof(jchar));
}

jsize JNICALL getArrayLength(JNIEnv*, jarray array) {
    entering("GetArrayLength");
    const Object* object = from(array);
    return static_cast<jsize>(object->type == "[C" ? object->units.size() : object->fields.size());
}

jobject JNICALL getObjectArrayElement(JNIEnv*, jobjectArray array, jsize index) {
    entering("GetObjectArrayElement");
    if (!inBounds("GetObjectArrayElement", index, 1, from(array)->fields.size())) return nullptr;
    Object* element = from(array)->fields[static_cast<std::size_t>(index)];
    if (element == nullptr) return nullptr;
    return track(element);
}

jstring JNICALL newString(JNIEnv*, const jchar* units, jsize length) {
    entering("NewString");
    return reinterpret_cast<jstring>(track(new Object{
        "java/lang/String", std::u16string(reinterpret_cast<const char16_t*>(units), static_cast<std::size_t>(length)), {}, {}}));
}

// Modified UTF-8, as the VM takes it: characters of the BMP, NUL as C0 80.
jstring JNICALL newStringUTF(JNIEnv*, const char* bytes) {
    entering("NewStringUTF");
    std::u16string units;
    for (const auto* at = reinterpret_cast<const unsigned char*>(bytes); *at != 0;) {
        const int extra = *at >= 0xE0 ? 2 : *at >= 0xC0 ? 1 : 0;
        char16_t unit = static_cast<char16_t>(*at++ & (0x7F >> extra));
        for (int i = 0; i < extra; ++i) {
            if ((*at & 0xC0) != 0x80) {
                misuse("NewStringUTF of malformed modified UTF-8");
                return nullptr;
            }
            unit = static_cast<char16_t>(unit << 6 | (*at++ & 0x3F));
        }
        units += unit;
    }
    return reinterpret_cast<jstring>(track(new Object{"java/lang/String", units, {}, {}}));
}

const char* JNICALL getStringUTFChars(JNIEnv*, jstring text, jboolean* isCopy) {
    entering("GetStringUTFChars");
    if (isCopy != nullptr) *isCopy = JNI_TRUE;
    const std::string bytes = utf8(from(text)->units);
    auto* chars = new char[bytes.size() + 1];
    std::memcpy(chars, bytes.c_str(), bytes.size() + 1);
    utfCharsHeld += 1;
    return chars;
}

void JNICALL releaseStringUTFChars(JNIEnv*, jstring, const char* chars) {
    utfCharsHeld -= 1;
    delete[] chars;
}

jsize JNICALL getStringLength(JNIEnv*, jstring text) {
    entering("GetStringLength");
    return static_cast<jsize>(from(text)->units.size());
}

void JNICALL getStringRegion(JNIEnv*, jstring text, jsize start, jsize length, jchar* out) {
    entering("GetStringRegion");
    if (!inBounds("GetStringRegion", start, length, from(text)->units.size())) return;
    std::memcpy(out, &from(text)->units[static_cast<std::size_t>(start)], static_cast<std::size_t>(length) * sizeof(jchar));
}

// Any other JNI function: this stand-in has none, and the library must not need one.
void JNICALL unprovided() {
    std::printf("JNI misuse: a call of a JNI function the library does not use\n");
    std::fflush(stdout);
    std::exit(1);
}

// An exception as its class and constructor's arguments: a Reason by its
// constant's name, a message in quotes, a cause in full.
std::string describeThrown(const Object* thrown) {
    if (thrown == nullptr) return "null";
    if (thrown->type == "com/nq/odbc/ODBCException$Reason") return utf8(thrown->units);
    if (thrown->type == "java/lang/String") return "\"" + utf8(thrown->units) + "\"";
    std::string text;
    for (const Object* field : thrown->fields) text += (text.empty() ? "" : ", ") + describeThrown(field);
    return thrown->type + "(" + text + ")";
}

jstring javaString(const char16_t* text) {
    if (text == nullptr) return nullptr;
    return reinterpret_cast<jstring>(keep(new Object{"java/lang/String", text, {}, {}}));
}

jobjectArray javaStrings(std::initializer_list<const char16_t*> texts) {
    auto* array = keep(new Object{"[Ljava/lang/String;", {}, {}, {}});
    for (const char16_t* text : texts) array->fields.push_back(from(javaString(text)));
    return reinterpret_cast<jobjectArray>(array);
}
// The system data source `name`'s key and its listing under ODBC Data
// Sources: its values, and whether it is listed. A crashed setup's leavings
// are told by them.
constexpr char kDataSourceKeys[] = "SOFTWARE\\ODBC\\ODBC.INI\\";

std::string registryOf(const std::string& name) {
    HKEY key = nullptr;
    std::string shown = name + " ";
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kDataSourceKeys + name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        shown += "(no key)";
    } else {
        std::string values;
        char value[256];
        BYTE data[256];
        for (DWORD i = 0;; ++i) {
            DWORD valueLength = sizeof value, dataLength = sizeof data - 1;
            if (RegEnumValueA(key, i, value, &valueLength, nullptr, nullptr, data, &dataLength) != ERROR_SUCCESS) break;
            data[dataLength] = 0;
            values += (values.empty() ? "" : ", ") + std::string(value) + "=" + reinterpret_cast<const char*>(data);
        }
        RegCloseKey(key);
        shown += "{" + values + "}";
    }
    const bool listed = RegGetValueA(HKEY_LOCAL_MACHINE, (kDataSourceKeys + std::string("ODBC Data Sources")).c_str(),
                                     name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    return shown + (listed ? ", listed" : ", not listed");
}

// The key alone, with one value, and nothing listed.
void resetKey(const std::string& name, const char* description) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, (kDataSourceKeys + name).c_str());
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kDataSourceKeys + std::string("ODBC Data Sources")).c_str(), 0, KEY_SET_VALUE,
                      &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name.c_str());
        RegCloseKey(key);
    }
    if (description == nullptr) return;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (kDataSourceKeys + name).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, "Description", 0, REG_SZ, reinterpret_cast<const BYTE*>(description),
                   static_cast<DWORD>(std::strlen(description) + 1));
    RegCloseKey(key);
}

// On 32-bit Windows the natives are __stdcall: each must remove exactly its
// arguments from the stack. callChecked pushes them itself, calls, and
// measures the stack pointer after against the one before the arguments.
#if defined(__i386__)
extern "C" int stackDriftCall(const void* function, const std::uint32_t* arguments, int count,
                              std::uint32_t* result);
__asm__(
    ".globl _stackDriftCall\n"
    "_stackDriftCall:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  pushl %ebx\n"
    "  movl 12(%ebp), %esi\n"
    "  movl 16(%ebp), %ecx\n"
    "  movl %esp, %edi\n"
    "1:\n"
    "  testl %ecx, %ecx\n"
    "  jz 2f\n"
    "  decl %ecx\n"
    "  pushl (%esi,%ecx,4)\n"
    "  jmp 1b\n"
    "2:\n"
    "  call *8(%ebp)\n"
    "  movl 20(%ebp), %ecx\n"
    "  movl %eax, (%ecx)\n"
    "  movl %esp, %eax\n"
    "  subl %edi, %eax\n"
    "  movl %edi, %esp\n"
    "  popl %ebx\n"
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebp\n"
    "  ret\n");
#endif

std::mutex driftsGuard;
std::vector<std::string> stackDrifts;

// Calls a native with these arguments, each one machine word, through a
// pointer of exactly the specified argument size; the word it returns.
template <typename... Arguments>
std::uintptr_t callChecked(const char* method, const void* function, Arguments... arguments) {
#if defined(__i386__)
    const std::uint32_t words[] = {static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(arguments))...};
    std::uint32_t result = 0;
    const int drift = stackDriftCall(function, words, static_cast<int>(sizeof...(arguments)), &result);
    if (drift != 0) {
        const std::lock_guard<std::mutex> hold(driftsGuard);
        stackDrifts.push_back(std::string(method) + " moved the stack by " + std::to_string(drift));
    }
    return result;
#else
    (void)method;  // 64-bit Windows has one calling convention: nothing to measure
    using Native = std::uintptr_t(JNICALL*)(Arguments...);
    return reinterpret_cast<Native>(function)(arguments...);
#endif
}

// The natives of ODBC.java as the build reads them: each one's name,
// declared return type, export and 32-bit (decorated) export.
struct Native {
    const char* method;
    const char* returns;
    const char* exported;
    const char* decorated;
};

const Native kNatives[] = {
#include "natives_table.inc"
};
constexpr std::size_t kNativeCount = sizeof kNatives / sizeof kNatives[0];
const void* entries[kNativeCount] = {};
bool called[kNativeCount] = {};  // one byte each: the listing thread's call marks its own

JNIEnv* vm = nullptr;
const jclass none = nullptr;

// The index of the native of that name.
std::size_t nativeNamed(const char* method) {
    for (std::size_t i = 0; i < kNativeCount; ++i) {
        if (std::strcmp(kNatives[i].method, method) == 0) return i;
    }
    std::printf("ODBC.java declares no native %s\n", method);
    std::exit(1);
}

// The VM's name of a type as ODBC.java declares it.
std::string vmName(const std::string& declared) {
    if (declared == "char[]") return "[C";
    const bool array = declared.size() > 2 && declared.compare(declared.size() - 2, 2, "[]") == 0;
    const std::string element = declared.substr(0, declared.size() - (array ? 2 : 0));
    const std::string name = element == "String" ? "java/lang/String" : "com/nq/odbc/" + element;
    return array ? "[L" + name + ";" : name;
}

// An int or boolean argument, passed as a machine word as callChecked takes them.
std::uintptr_t word(jint value) { return static_cast<std::uintptr_t>(value); }

template <typename... Arguments>
std::uintptr_t invoke(const char* method, Arguments... arguments) {
    const std::size_t native = nativeNamed(method);
    called[native] = true;
    return callChecked(method, entries[native], vm, none, arguments...);
}

// Calls the native and prints what it returned, as `read` reads a record,
// or raised. Its reference goes, as a VM's would once the native returns.
template <typename... Arguments>
void call(const std::string& shown, const char* method, Reader read, Arguments... arguments) {
    const std::uintptr_t word = invoke(method, arguments...);
    const std::string returns = kNatives[nativeNamed(method)].returns;
    std::string result;
    if (returns == "boolean") {
        result = (word & 0xFF) != 0 ? "true" : "false";  // jboolean is the low byte of the word
    } else if (const Object* object = from(reinterpret_cast<jobject>(word)); object == nullptr) {
        result = "null";
    } else {
        liveLocalReferences -= 1;
        if (object->type != vmName(returns)) misuse(std::string(method) + " returned a " + object->type);
        result = object->type == "java/lang/String" ? utf8(object->units)
                 : object->type == "[C"             ? readRecord(method, object, read)
                                                    : object->shown;
    }
    std::printf("%s: %s%s\n", shown.c_str(), pending == nullptr ? "" : ("raised " + describeThrown(pending) + ", returned ").c_str(),
                result.c_str());
    pending = nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const HMODULE library = LoadLibraryA(argv[1]);
    if (library == nullptr) {
        std::printf("cannot load %s\n", argv[1]);
        return 1;
    }
    bool resolved = true;
    for (std::size_t i = 0; i < kNativeCount; ++i) {
        const char* name = sizeof(void*) == 4 ? kNatives[i].decorated : kNatives[i].exported;
        entries[i] = reinterpret_cast<const void*>(GetProcAddress(library, name));
        if (entries[i] == nullptr) std::printf("missing export %s\n", name);
        resolved = resolved && entries[i] != nullptr;
    }
    if (!resolved) return 1;
    // The probe program, which the scoped requests run setup libraries in, beside the DLL.
    char libraryPath[MAX_PATH] = {};
    const DWORD pathLength = GetModuleFileNameA(library, libraryPath, MAX_PATH);
    helperProgram = std::string(libraryPath, pathLength);
    helperProgram = helperProgram.substr(0, helperProgram.find_last_of("\\/") + 1) + "ri-reve-probe.exe";

    JNINativeInterface_ functions{};
    const auto trap = &unprovided;
    for (std::size_t at = 0; at + sizeof trap <= sizeof functions; at += sizeof trap) {
        std::memcpy(reinterpret_cast<unsigned char*>(&functions) + at, &trap, sizeof trap);
    }
    functions.FindClass = findClass;
    functions.GetMethodID = getMethodID;
    functions.GetStaticMethodID = getStaticMethodID;
    functions.GetStaticFieldID = getStaticFieldID;
    functions.GetStaticObjectField = getStaticObjectField;
    functions.NewObjectV = newObjectV;
    functions.CallStaticObjectMethodV = callStaticObjectMethodV;
    functions.Throw = throwObject;
    functions.ExceptionCheck = exceptionCheck;
    functions.DeleteLocalRef = deleteLocalRef;
    functions.NewCharArray = newCharArray;
    functions.SetCharArrayRegion = setCharArrayRegion;
    functions.GetArrayLength = getArrayLength;
    functions.GetObjectArrayElement = getObjectArrayElement;
    functions.NewString = newString;
    functions.GetStringLength = getStringLength;
    functions.GetStringRegion = getStringRegion;
    functions.NewStringUTF = newStringUTF;
    functions.GetStringUTFChars = getStringUTFChars;
    functions.ReleaseStringUTFChars = releaseStringUTFChars;
    JNIEnv env{};
    env.functions = &functions;
    vm = &env;
    const jstring null = nullptr;
    const jobjectArray noEntries = nullptr;

    call("getDrivers", "getDrivers", nullptr);
    call("listDrivers", "listDrivers", drivers);
    call("getDataSources", "getDataSources", nullptr);
    call("listDriverManagerDataSources", "listDriverManagerDataSources", allListed);
    call("registerDataSource(null, null, null)", "registerDataSource", nullptr, null, null, null);
    call("registerDataSource(\"a;b\", \"SQLite3\", null)", "registerDataSource", nullptr, javaString(u"a;b"),
         javaString(u"SQLite3"), null);
    call("registerDataSource(\"\u0101\", \"SQLite3\", null)", "registerDataSource", nullptr, javaString(u"\u0101"),
         javaString(u"SQLite3"), null);
    call("unregisterDataSource(\"demo\", \"No Such Driver\")", "unregisterDataSource", nullptr, javaString(u"demo"),
         javaString(u"No Such Driver"));
    // A listing on another thread while an installer request sleeps must not
    // wait for it. This stand-in VM serves one call at a time, and the two
    // calls' use of it does not overlap: the listing ends long before the
    // installer wakes.
    std::thread lister([&] {
        Sleep(500);
        const DWORD start = GetTickCount();
        invoke("getDrivers");
        std::printf("a listing during an installer request took %s\n",
                    GetTickCount() - start < 1000 ? "less than a second" : "as long as the request");
    });
    call("registerDataSource(\"viaInstaller\", \"SQLite3\", \"Database=C:\\v.db\")", "registerDataSource", nullptr,
         javaString(u"viaInstaller"), javaString(u"SQLite3"), javaString(u"Database=C:\\v.db"));
    lister.join();

    // With scopes: the driver manager's user and system lists, and each
    // data source's entries through the installer's profile functions.
    call("listDataSourcesIn(user|system)", "listDataSourcesIn", allListed, word(kUser | kSystem));
    call("configureDataSourceIn(\"shared\", system, [Timeout, 5], [Nope])", "configureDataSourceIn", firstListed,
         javaString(u"shared"), word(kSystem), javaStrings({u"Timeout", u"5"}), javaStrings({u"Nope"}));
    call("configureDataSourceIn(\"shared\", user, [Timeout, 5], null)", "configureDataSourceIn", firstListed,
         javaString(u"shared"), word(kUser), javaStrings({u"Timeout", u"5"}), noEntries);
    call("registerDataSourceIn(\"sysAdded\", \"SQLite3\", null, system)", "registerDataSourceIn", firstListed,
         javaString(u"sysAdded"), javaString(u"SQLite3"), noEntries, word(kSystem));
    call("unregisterDataSourceIn(\"sysAdded\", \"SQLite3\", system)", "unregisterDataSourceIn", nullptr,
         javaString(u"sysAdded"), javaString(u"SQLite3"), word(kSystem));
    // A setup that dies midway through writing the registry: the data
    // source's key and its listing are put back as they were.
    resetKey("crashes", "before");
    call("registerDataSourceIn(\"crashes\", \"SQLite3\", [Crash, yes], system)", "registerDataSourceIn", firstListed,
         javaString(u"crashes"), javaString(u"SQLite3"), javaStrings({u"Crash", u"yes"}), word(kSystem));
    std::printf("the registry after the crash: %s\n", registryOf("crashes").c_str());
    resetKey("crashes", nullptr);
    // The child's wait comes from the VM; without a probe program there is no child.
    properties = {{"com.nq.odbc.setupTimeoutMillis", "soon"}};
    call("unregisterDataSourceIn(\"shared\", \"SQLite3\", system), setupTimeoutMillis=soon", "unregisterDataSourceIn",
         nullptr, javaString(u"shared"), javaString(u"SQLite3"), word(kSystem));
    properties.clear();
    const std::string program = helperProgram;
    helperProgram.clear();
    call("configureDataSourceIn(\"shared\", system, [Timeout, 6], null), no probe program", "configureDataSourceIn",
         firstListed, javaString(u"shared"), word(kSystem), javaStrings({u"Timeout", u"6"}), noEntries);
    helperProgram = program;
    using GetConfigMode = BOOL(WINAPI*)(WORD*);
    const HMODULE installer = GetModuleHandleA("odbccp32.dll");
    const auto getMode = installer == nullptr ? nullptr : reinterpret_cast<GetConfigMode>(
        reinterpret_cast<void*>(GetProcAddress(installer, "SQLGetConfigMode")));
    WORD mode = 0;
    if (getMode != nullptr && getMode(&mode)) {
        std::printf("the installer's configuration mode after every call: %u\n", static_cast<unsigned>(mode));
    }

    // A connection test through the driver manager, and the diagnosis of
    // the configuration: argv[2] is the connection string.
    const std::string connection(argv[2]);
    const std::u16string connectionText(connection.begin(), connection.end());
    call("probeConnectionHere(CONNECTION, 5)", "probeConnectionHere", probe, javaString(connectionText.c_str()), word(5));
    call("probeConnectionHere(null, 5)", "probeConnectionHere", probe, null, word(5));
    call("diagnoseConfiguration", "diagnoseConfiguration", diagnosis, noEntries);
    call("findTestTarget(\"shared\", 0)", "findTestTarget", testTarget, javaString(u"shared"), word(0));
    call("findTestTarget(\"orphan\", 0)", "findTestTarget", testTarget, javaString(u"orphan"), word(0));

    // Drivers through the installer's own requests, the driver manager's
    // settings and a file data source: argv[3] is a folder for the file.
    const jobjectArray driverEntries = javaStrings({u"Driver", u"C:\\drivers\\wine.dll", u"Setup", u"C:\\drivers\\wines.dll"});
    for (int round = 0; round < 2; ++round) {
        call("installDriverIn(\"Wine Driver\", [Driver, Setup], system, false)", "installDriverIn", usage,
             javaString(u"Wine Driver"), driverEntries, word(kSystem), word(JNI_FALSE));
    }
    call("installDriverIn(\"Wine Driver\", [Driver C:\\other.dll], system, false)", "installDriverIn", usage,
         javaString(u"Wine Driver"), javaStrings({u"Driver", u"C:\\other.dll"}), word(kSystem), word(JNI_FALSE));
    call("installDriverIn(\"Wine Driver\", [Driver, Setup], user, false)", "installDriverIn", usage,
         javaString(u"Wine Driver"), driverEntries, word(kUser), word(JNI_FALSE));
    call("installDriverIn(\"a]b\", [Driver, Setup], system, false)", "installDriverIn", usage, javaString(u"a]b"),
         driverEntries, word(kSystem), word(JNI_FALSE));
    call("configureDriverIn(\"Wine Driver\", system, [CPTimeout, 60], [Setup])", "configureDriverIn", nullptr,
         javaString(u"Wine Driver"), word(kSystem), javaStrings({u"CPTimeout", u"60"}), javaStrings({u"Setup"}));
    for (int round = 0; round < 2; ++round) {
        call("removeDriverIn(\"Wine Driver\", system, false)", "removeDriverIn", usage, javaString(u"Wine Driver"),
             word(kSystem), word(JNI_FALSE));
    }
    call("userDriverNames", "userDriverNames", texts);
    call("configureDriverManagerIn([Trace, Yes, TraceFile, C:\\trace.log], null)", "configureDriverManagerIn", nullptr,
         javaStrings({u"Trace", u"Yes", u"TraceFile", u"C:\\trace.log"}), noEntries);
    call("readDriverManagerSettings", "readDriverManagerSettings", settings);
    call("readFileDataSourceFolder", "readFileDataSourceFolder", nullptr);
    const std::string folder(argv[3]);
    const std::u16string folderText(folder.begin(), folder.end());
    const std::u16string fileText = folderText + u"\\harness.dsn";
    call("writeFileDataSourceAt(FOLDER\\harness.dsn, [DRIVER, SQLite3, Database, C:\\h.db])", "writeFileDataSourceAt",
         fileDataSource, javaString(fileText.c_str()), javaStrings({u"DRIVER", u"SQLite3", u"Database", u"C:\\h.db"}));
    call("listFileDataSourcesIn(FOLDER)", "listFileDataSourcesIn", fileDataSources, javaString(folderText.c_str()));
    call("removeFileDataSourceAt(FOLDER\\harness.dsn)", "removeFileDataSourceAt", nullptr, javaString(fileText.c_str()));
    call("readFileDataSourceAt(FOLDER\\harness.dsn)", "readFileDataSourceAt", fileDataSource,
         javaString(fileText.c_str()));

    // The configuration as code: a state planned, applied, applied again
    // (changing nothing), refused, and the configuration exported.
    const std::u16string state = u"{\"version\": 1, \"dataSources\": [{\"name\": \"stateAdded\", \"scope\": \"user\", "
                                 u"\"driver\": \"SQLite3\", \"entries\": {\"Database\": \"C:\\\\s.db\"}}]}";
    call("planState(STATE, false, false)", "planState", statePlan, javaString(state.c_str()), word(JNI_FALSE), word(JNI_FALSE));
    for (int round = 0; round < 2; ++round) {
        call("applyState(STATE, false, false)", "applyState", stateApplied, javaString(state.c_str()), word(JNI_FALSE),
             word(JNI_FALSE));
    }
    call("applyState(null, true, false)", "applyState", stateApplied, null, word(JNI_TRUE), word(JNI_FALSE));
    call("applyState({\"version\": 2}, true, false)", "applyState", stateApplied, javaString(u"{\"version\": 2}"),
         word(JNI_TRUE), word(JNI_FALSE));
    const Object* exported = from(reinterpret_cast<jobject>(invoke("exportState", word(JNI_FALSE))));
    const std::string exportedText = exported == nullptr ? std::string() : utf8(exported->units);
    if (exported != nullptr) liveLocalReferences -= 1;
    const bool names = exportedText.find("\"name\": \"stateAdded\"") != std::string::npos;
    std::printf("exportState(false): %s\n", pending != nullptr ? ("raised " + describeThrown(pending)).c_str()
                                             : names           ? "names stateAdded"
                                                               : ("does not name stateAdded: " + exportedText).c_str());
    pending = nullptr;

    if (sizeof(void*) == 4) {
        // The check itself: a call with one argument more than the callee removes.
        callChecked("getDrivers with a third argument", entries[nativeNamed("getDrivers")], vm, none, none);
    }
    for (const std::string& drift : stackDrifts) std::printf("%s\n", drift.c_str());
    int status = 0;
    if (utfCharsHeld != 0) misuse(std::to_string(utfCharsHeld) + " GetStringUTFChars not released");
    for (const std::string& what : misuses) {
        std::printf("JNI misuse: %s\n", what.c_str());
        status = 1;
    }
    for (std::size_t i = 0; i < kNativeCount; ++i) {
        if (!called[i]) std::printf("no case calls the native %s\n", kNatives[i].method);
        if (!called[i]) status = 1;
    }
    std::printf("most local references held: %d\n", mostLocalReferences);
    return status;
}
