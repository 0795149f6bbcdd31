// Calls the Windows DLL's native methods as a Java VM would: looked up by the
// names the VM uses on this platform, called through a JNI environment whose
// functions this program provides. Prints what each call returned or raised.
//   jni-harness RI-REVE.dll CONNECTION_STRING FOLDER
#include <windows.h>

#include <jni.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// The objects the library creates, as this stand-in VM keeps them.
struct Object {
    std::string type;  // the class's internal name, or "String", or "Array"
    std::u16string text;
    std::vector<Object*> fields;
    std::map<std::u16string, std::u16string> map;
    std::vector<jint> numbers;  // an int array's
};

struct Method {
    std::string type;
    std::string name;
    std::string signature;
};

std::vector<Object*> heap;  // never freed: the program is short
std::map<std::string, Object*> classes;
std::vector<Method*> methods;
std::string pendingException;
Object* pendingObject = nullptr;  // the exception raised with Throw, if it was
int liveLocalReferences = 0;
int mostLocalReferences = 0;

jobject track(Object* object) {
    heap.push_back(object);
    liveLocalReferences += 1;
    if (liveLocalReferences > mostLocalReferences) mostLocalReferences = liveLocalReferences;
    return reinterpret_cast<jobject>(object);
}

Object* from(jobject object) { return reinterpret_cast<Object*>(object); }

jclass JNICALL findClass(JNIEnv*, const char* name) {
    static const char* known[] = {"com/nq/odbc/DataSource", "com/nq/odbc/ODBCDriver", "java/util/HashMap",
                                  "java/lang/Throwable", "java/lang/String", "com/nq/odbc/ODBCException$Cause",
                                  "com/nq/odbc/ODBCException"};
    for (const char* candidate : known) {
        if (std::strcmp(candidate, name) == 0) {
            auto* type = new Object{"Class", std::u16string(name, name + std::strlen(name)), {}, {}, {}};
            classes[name] = type;
            return reinterpret_cast<jclass>(track(type));
        }
    }
    pendingException = std::string("NoClassDefFoundError: ") + name;
    return nullptr;
}

jmethodID JNICALL getMethodID(JNIEnv*, jclass type, const char* name, const char* signature) {
    const std::u16string& typeName = from(type)->text;
    methods.push_back(new Method{std::string(typeName.begin(), typeName.end()), name, signature});
    return reinterpret_cast<jmethodID>(methods.back());
}

jobject JNICALL newObjectV(JNIEnv*, jclass, jmethodID id, va_list arguments) {
    const Method* method = reinterpret_cast<const Method*>(id);
    auto* object = new Object{method->type, {}, {}, {}, {}};
    if (method->signature == "(Ljava/lang/String;Lcom/nq/odbc/ODBCDriver;)V" ||
        method->signature == "(Ljava/lang/String;Ljava/util/HashMap;)V" ||
        method->signature == "(Ljava/lang/String;Ljava/lang/Throwable;)V") {
        object->fields.push_back(from(va_arg(arguments, jobject)));
        object->fields.push_back(from(va_arg(arguments, jobject)));
    } else if (method->signature == "(Ljava/lang/String;)V") {
        object->fields.push_back(from(va_arg(arguments, jobject)));
    } else if (method->signature == "(Ljava/lang/String;I)V") {  // a failure's cause, with its kind
        object->fields.push_back(from(va_arg(arguments, jobject)));
        object->text = std::u16string(1, static_cast<char16_t>(u'0' + va_arg(arguments, jint)));
    }
    return track(object);
}

jobject JNICALL callObjectMethodV(JNIEnv*, jobject target, jmethodID, va_list arguments) {
    Object* key = from(va_arg(arguments, jobject));
    Object* value = from(va_arg(arguments, jobject));
    from(target)->map[key->text] = value->text;
    return nullptr;
}

jobjectArray JNICALL newObjectArray(JNIEnv*, jsize length, jclass, jobject) {
    auto* array = new Object{"Array", {}, std::vector<Object*>(static_cast<std::size_t>(length)), {}, {}};
    return reinterpret_cast<jobjectArray>(track(array));
}

void JNICALL setObjectArrayElement(JNIEnv*, jobjectArray array, jsize index, jobject element) {
    from(array)->fields.at(static_cast<std::size_t>(index)) = from(element);
}

jsize JNICALL getArrayLength(JNIEnv*, jarray array) { return static_cast<jsize>(from(array)->fields.size()); }

jcharArray JNICALL newCharArray(JNIEnv*, jsize length) {
    auto* array = new Object{"CharArray", std::u16string(static_cast<std::size_t>(length), u'\0'), {}, {}, {}};
    return reinterpret_cast<jcharArray>(track(array));
}

void JNICALL setCharArrayRegion(JNIEnv*, jcharArray array, jsize start, jsize length, const jchar* units) {
    std::memcpy(from(array)->text.data() + start, units, static_cast<std::size_t>(length) * sizeof(jchar));
}

void* JNICALL getPrimitiveArrayCritical(JNIEnv*, jarray array, jboolean* copied) {
    if (copied != nullptr) *copied = JNI_FALSE;
    return from(array)->text.data();
}

void JNICALL releasePrimitiveArrayCritical(JNIEnv*, jarray, void*, jint) {}

jintArray JNICALL newIntArray(JNIEnv*, jsize length) {
    auto* array = new Object{"IntArray", {}, {}, {}, {}};
    array->numbers.resize(static_cast<std::size_t>(length));
    return reinterpret_cast<jintArray>(track(array));
}

void JNICALL setIntArrayRegion(JNIEnv*, jintArray array, jsize start, jsize length, const jint* numbers) {
    std::memcpy(from(array)->numbers.data() + start, numbers, static_cast<std::size_t>(length) * sizeof(jint));
}

jobject JNICALL getObjectArrayElement(JNIEnv*, jobjectArray array, jsize index) {
    liveLocalReferences += 1;
    return reinterpret_cast<jobject>(from(array)->fields.at(static_cast<std::size_t>(index)));
}

jstring JNICALL newString(JNIEnv*, const jchar* units, jsize length) {
    auto* text = new Object{"String", std::u16string(reinterpret_cast<const char16_t*>(units), length), {}, {}, {}};
    return reinterpret_cast<jstring>(track(text));
}

jsize JNICALL getStringLength(JNIEnv*, jstring text) { return static_cast<jsize>(from(text)->text.size()); }

void JNICALL getStringRegion(JNIEnv*, jstring text, jsize start, jsize length, jchar* out) {
    std::memcpy(out, from(text)->text.data() + start, static_cast<std::size_t>(length) * sizeof(jchar));
}

jint JNICALL ensureLocalCapacity(JNIEnv*, jint) { return 0; }

jboolean JNICALL exceptionCheck(JNIEnv*) { return pendingException.empty() ? JNI_FALSE : JNI_TRUE; }

jint JNICALL throwNew(JNIEnv*, jclass type, const char* message) {
    pendingObject = nullptr;
    const std::u16string& name = from(type)->text;
    pendingException = std::string(name.begin(), name.end()) + ": " + message;
    return 0;
}

std::string utf8(const std::u16string& text);

// An exception built by the library: its message, and its cause's.
jint JNICALL throwObject(JNIEnv*, jthrowable thrown) {
    Object* exception = from(thrown);
    pendingObject = exception;
    pendingException = exception->type + ": " + utf8(exception->fields.at(0)->text);
    if (exception->fields.size() > 1 && exception->fields[1] != nullptr) {
        const Object* cause = exception->fields[1];
        pendingException += " caused by " + utf8(cause->fields.at(0)->text) + " (kind " + utf8(cause->text) + ")";
    }
    return 0;
}

jthrowable JNICALL exceptionOccurred(JNIEnv*) {
    return pendingObject == nullptr ? nullptr : reinterpret_cast<jthrowable>(track(pendingObject));
}

void JNICALL exceptionClear(JNIEnv*) {
    pendingException.clear();
    pendingObject = nullptr;
}

// DataSource.listed: a data source of each name, each with a driver object of
// its own made from the prototype its index names (-1: none; -2: none at
// all), and in a scoped listing its driver's name, scope and entries.
jobject listed(va_list arguments) {
    const Object* texts = from(va_arg(arguments, jobject));
    const Object* ends = from(va_arg(arguments, jobject));
    const Object* layout = from(va_arg(arguments, jobject));
    const Object* prototypes = from(va_arg(arguments, jobject));
    const bool scoped = va_arg(arguments, int) != 0;
    const std::size_t fields = scoped ? 3 : 1;
    std::size_t text = 0;
    std::size_t start = 0;
    auto next = [&] {
        const auto end = static_cast<std::size_t>(ends->numbers.at(text++));
        auto* string = new Object{"String", texts->text.substr(start, end - start), {}, {}, {}};
        start = end;
        return string;
    };
    auto* array = new Object{"Array", {}, {}, {}, {}};
    for (std::size_t i = 0; i < layout->numbers.size() / fields; ++i) {
        const jint driver = layout->numbers[i * fields];
        Object* source = nullptr;
        if (driver != -2) {
            Object* name = next();
            Object* copy = driver < 0 ? nullptr
                                      : new Object{"com/nq/odbc/ODBCDriver", {}, prototypes->fields.at(driver)->fields, {}, {}};
            source = new Object{"com/nq/odbc/DataSource", {}, {name, copy}, {}, {}};
        }
        if (source != nullptr && scoped) {
            source->fields.push_back(next());
            source->text = layout->numbers[i * fields + 1] == 2 ? u"system" : u"user";
            auto* entries = new Object{"Array", {}, {}, {}, {}};
            for (jint j = 0; j < 2 * layout->numbers[i * fields + 2]; ++j) entries->fields.push_back(next());
            source->fields.push_back(entries);
        }
        array->fields.push_back(source);
    }
    return track(array);
}

// ODBCException.of(Throwable): the same message and cause, as an ODBCException.
jobject JNICALL callStaticObjectMethodV(JNIEnv*, jclass, jmethodID id, va_list arguments) {
    const Method* method = reinterpret_cast<const Method*>(id);
    if (method->name == "listed") return listed(arguments);
    if (method->name != "of") return nullptr;
    const Object* raised = from(va_arg(arguments, jobject));
    return track(new Object{"com/nq/odbc/ODBCException", {}, raised->fields, {}, {}});
}

void JNICALL deleteLocalRef(JNIEnv*, jobject object) {
    if (object != nullptr) liveLocalReferences -= 1;
}

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

std::string describe(const Object* object) {
    if (object == nullptr) return "null";
    if (object->type == "String") return utf8(object->text);
    if (object->type == "com/nq/odbc/ODBCDriver") {
        std::string text = describe(object->fields[0]) + " {";
        for (const auto& [key, value] : object->fields[1]->map) {
            text += (text.back() == '{' ? "" : ", ") + utf8(key) + "=" + utf8(value);
        }
        return text + "}";
    }
    if (object->type == "com/nq/odbc/DataSource" && object->fields.size() == 4) {
        const Object* driver = object->fields[1];
        std::string text = describe(object->fields[0]) + " [" + utf8(object->text) + "] -> " +
                           describe(object->fields[2]) + (driver ? "" : " (not installed)") + " {";
        const std::vector<Object*>& entries = object->fields[3]->fields;
        for (std::size_t i = 0; i + 1 < entries.size(); i += 2) {
            text += (i == 0 ? "" : ", ") + describe(entries[i]) + "=" + describe(entries[i + 1]);
        }
        return text + "}";
    }
    if (object->type == "com/nq/odbc/DataSource") {
        const Object* driver = object->fields[1];
        return describe(object->fields[0]) + " -> " + (driver ? describe(driver->fields[0]) : "null");
    }
    std::string text;
    for (const Object* element : object->fields) text += "\n  " + describe(element);
    return text;
}

jstring javaString(const char16_t* text) {
    if (text == nullptr) return nullptr;
    auto* object = new Object{"String", text, {}, {}, {}};
    heap.push_back(object);
    return reinterpret_cast<jstring>(object);
}

jobjectArray javaStrings(std::initializer_list<const char16_t*> texts) {
    auto* array = new Object{"Array", {}, {}, {}, {}};
    for (const char16_t* text : texts) array->fields.push_back(from(javaString(text)));
    heap.push_back(array);
    return reinterpret_cast<jobjectArray>(array);
}

// Prints what the call returned; its reference goes, as a VM's would once
// the native returns.
void report(const char* call, jobject result) {
    std::printf("%s: %s%s\n", call, pendingException.empty() ? "" : ("raised " + pendingException + ", returned ").c_str(),
                describe(from(result)).c_str());
    pendingException.clear();
    if (result != nullptr) liveLocalReferences -= 1;
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

template <typename Function>
Function native(HMODULE library, const char* method, int argumentBytes) {
    char name[128];
    if (sizeof(void*) == 4) {
        std::snprintf(name, sizeof name, "_Java_com_nq_odbc_ODBC_%s@%d", method, argumentBytes);
    } else {
        std::snprintf(name, sizeof name, "Java_com_nq_odbc_ODBC_%s", method);
    }
    auto found = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    if (found == nullptr) std::printf("missing export %s\n", name);
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    const HMODULE library = LoadLibraryA(argv[1]);
    if (library == nullptr) {
        std::printf("cannot load %s\n", argv[1]);
        return 1;
    }
    const void* getDrivers = native<const void*>(library, "getDrivers", 8);
    const void* getDataSources = native<const void*>(library, "getDataSources", 8);
    const void* registerDataSource = native<const void*>(library, "registerDataSource", 20);
    const void* unregisterDataSource = native<const void*>(library, "unregisterDataSource", 16);
    const void* listDataSourcesIn = native<const void*>(library, "listDataSourcesIn", 12);
    const void* registerDataSourceIn = native<const void*>(library, "registerDataSourceIn", 24);
    const void* unregisterDataSourceIn = native<const void*>(library, "unregisterDataSourceIn", 20);
    const void* configureDataSourceIn = native<const void*>(library, "configureDataSourceIn", 24);
    const void* installDriverIn = native<const void*>(library, "installDriverIn", 24);
    const void* removeDriverIn = native<const void*>(library, "removeDriverIn", 20);
    const void* configureDriverIn = native<const void*>(library, "configureDriverIn", 24);
    const void* driverManagerSettings = native<const void*>(library, "driverManagerSettings", 8);
    const void* configureDriverManagerIn = native<const void*>(library, "configureDriverManagerIn", 16);
    const void* listFileDataSourcesIn = native<const void*>(library, "listFileDataSourcesIn", 12);
    const void* readFileDataSourceAt = native<const void*>(library, "readFileDataSourceAt", 12);
    const void* writeFileDataSourceAt = native<const void*>(library, "writeFileDataSourceAt", 16);
    const void* removeFileDataSourceAt = native<const void*>(library, "removeFileDataSourceAt", 12);
    const void* probeConnectionHere = native<const void*>(library, "probeConnectionHere", 16);
    const void* diagnoseConfiguration = native<const void*>(library, "diagnoseConfiguration", 8);
    if (!getDrivers || !getDataSources || !registerDataSource || !unregisterDataSource || !listDataSourcesIn ||
        !registerDataSourceIn || !unregisterDataSourceIn || !configureDataSourceIn || !probeConnectionHere ||
        !diagnoseConfiguration || !installDriverIn || !removeDriverIn || !configureDriverIn || !driverManagerSettings ||
        !configureDriverManagerIn || !listFileDataSourcesIn || !readFileDataSourceAt || !writeFileDataSourceAt ||
        !removeFileDataSourceAt) {
        return 1;
    }

    JNINativeInterface_ functions{};
    functions.FindClass = findClass;
    functions.GetMethodID = getMethodID;
    functions.NewObjectV = newObjectV;
    functions.CallObjectMethodV = callObjectMethodV;
    functions.NewObjectArray = newObjectArray;
    functions.SetObjectArrayElement = setObjectArrayElement;
    functions.NewString = newString;
    functions.GetArrayLength = getArrayLength;
    functions.NewCharArray = newCharArray;
    functions.SetCharArrayRegion = setCharArrayRegion;
    functions.NewIntArray = newIntArray;
    functions.GetPrimitiveArrayCritical = getPrimitiveArrayCritical;
    functions.ReleasePrimitiveArrayCritical = releasePrimitiveArrayCritical;
    functions.SetIntArrayRegion = setIntArrayRegion;
    functions.GetObjectArrayElement = getObjectArrayElement;
    functions.GetStringLength = getStringLength;
    functions.GetStringRegion = getStringRegion;
    functions.ExceptionCheck = exceptionCheck;
    functions.EnsureLocalCapacity = ensureLocalCapacity;
    functions.ThrowNew = throwNew;
    functions.ExceptionOccurred = exceptionOccurred;
    functions.ExceptionClear = exceptionClear;
    functions.GetStaticMethodID = getMethodID;
    functions.CallStaticObjectMethodV = callStaticObjectMethodV;
    functions.Throw = throwObject;
    functions.DeleteLocalRef = deleteLocalRef;
    JNIEnv env{};
    env.functions = &functions;
    JNIEnv* vm = &env;
    const jclass none = nullptr;
    auto object = [](std::uintptr_t word) { return reinterpret_cast<jobject>(word); };

    report("getDrivers", object(callChecked("getDrivers", getDrivers, vm, none)));
    report("getDataSources", object(callChecked("getDataSources", getDataSources, vm, none)));
    const jstring null = nullptr;
    report("registerDataSource(null, null, null)",
           object(callChecked("registerDataSource", registerDataSource, vm, none, null, null, null)));
    report("registerDataSource(\"a;b\", \"SQLite3\", null)",
           object(callChecked("registerDataSource", registerDataSource, vm, none, javaString(u"a;b"),
                              javaString(u"SQLite3"), null)));
    report("registerDataSource(\"\u0101\", \"SQLite3\", null)",
           object(callChecked("registerDataSource", registerDataSource, vm, none, javaString(u"\u0101"),
                              javaString(u"SQLite3"), null)));
    // jboolean is the low byte of the returned word.
    const bool removed = (callChecked("unregisterDataSource", unregisterDataSource, vm, none, javaString(u"demo"),
                                      javaString(u"No Such Driver")) & 0xFF) != 0;
    std::printf("unregisterDataSource(\"demo\", \"No Such Driver\"): %s%s\n",
                pendingException.empty() ? "" : ("raised " + pendingException + ", returned ").c_str(),
                removed ? "true" : "false");
    pendingException.clear();
    // A listing on another thread while an installer request sleeps must not
    // wait for it. This stand-in VM serves one call at a time, and the two
    // calls' use of it does not overlap: the listing ends long before the
    // installer wakes.
    std::thread lister([&] {
        Sleep(500);
        const DWORD start = GetTickCount();
        callChecked("getDrivers", getDrivers, vm, none);
        std::printf("a listing during an installer request took %s\n",
                    GetTickCount() - start < 1000 ? "less than a second" : "as long as the request");
    });
    report("registerDataSource(\"viaInstaller\", \"SQLite3\", \"Database=C:\\v.db\")",
           object(callChecked("registerDataSource", registerDataSource, vm, none, javaString(u"viaInstaller"),
                              javaString(u"SQLite3"), javaString(u"Database=C:\\v.db"))));
    lister.join();

    // With scopes: the driver manager's user and system lists, and each
    // data source's entries through the installer's profile functions.
    const std::uintptr_t user = 1;
    const std::uintptr_t system = 2;
    report("listDataSourcesIn(user|system)", object(callChecked("listDataSourcesIn", listDataSourcesIn, vm, none,
                                                                user | system)));
    report("configureDataSourceIn(\"shared\", system, [Timeout, 5], [Nope])",
           object(callChecked("configureDataSourceIn", configureDataSourceIn, vm, none, javaString(u"shared"), system,
                              javaStrings({u"Timeout", u"5"}), javaStrings({u"Nope"}))));
    report("configureDataSourceIn(\"shared\", user, [Timeout, 5], null)",
           object(callChecked("configureDataSourceIn", configureDataSourceIn, vm, none, javaString(u"shared"), user,
                              javaStrings({u"Timeout", u"5"}), nullptr)));
    report("registerDataSourceIn(\"sysAdded\", \"SQLite3\", null, system)",
           object(callChecked("registerDataSourceIn", registerDataSourceIn, vm, none, javaString(u"sysAdded"),
                              javaString(u"SQLite3"), null, system)));
    const bool removedSystem = (callChecked("unregisterDataSourceIn", unregisterDataSourceIn, vm, none,
                                            javaString(u"sysAdded"), javaString(u"SQLite3"), system) & 0xFF) != 0;
    std::printf("unregisterDataSourceIn(\"sysAdded\", \"SQLite3\", system): %s%s\n",
                pendingException.empty() ? "" : ("raised " + pendingException + ", returned ").c_str(),
                removedSystem ? "true" : "false");
    pendingException.clear();
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
    report("probeConnectionHere(CONNECTION, 5)",
           object(callChecked("probeConnectionHere", probeConnectionHere, vm, none,
                              javaString(connectionText.c_str()), std::uintptr_t{5})));
    report("probeConnectionHere(null, 5)",
           object(callChecked("probeConnectionHere", probeConnectionHere, vm, none, null, std::uintptr_t{5})));
    report("diagnoseConfiguration", object(callChecked("diagnoseConfiguration", diagnoseConfiguration, vm, none)));

    // Drivers through the installer's own requests, the driver manager's
    // settings and a file data source: argv[3] is a folder for the file.
    const jobjectArray driverEntries = javaStrings({u"Driver", u"C:\\drivers\\wine.dll", u"Setup", u"C:\\drivers\\wines.dll"});
    for (int round = 0; round < 2; ++round) {
        report("installDriverIn(\"Wine Driver\", [Driver, Setup], system, false)",
               object(callChecked("installDriverIn", installDriverIn, vm, none, javaString(u"Wine Driver"), driverEntries,
                                  system, std::uintptr_t{0})));
    }
    report("installDriverIn(\"Wine Driver\", [Driver C:\\other.dll], system, false)",
           object(callChecked("installDriverIn", installDriverIn, vm, none, javaString(u"Wine Driver"),
                              javaStrings({u"Driver", u"C:\\other.dll"}), system, std::uintptr_t{0})));
    report("installDriverIn(\"Wine Driver\", [Driver, Setup], user, false)",
           object(callChecked("installDriverIn", installDriverIn, vm, none, javaString(u"Wine Driver"), driverEntries,
                              user, std::uintptr_t{0})));
    report("installDriverIn(\"a]b\", [Driver, Setup], system, false)",
           object(callChecked("installDriverIn", installDriverIn, vm, none, javaString(u"a]b"), driverEntries, system,
                              std::uintptr_t{0})));
    const bool configured = (callChecked("configureDriverIn", configureDriverIn, vm, none, javaString(u"Wine Driver"),
                                         system, javaStrings({u"CPTimeout", u"60"}), javaStrings({u"Setup"})) & 0xFF) != 0;
    std::printf("configureDriverIn(\"Wine Driver\", system, [CPTimeout, 60], [Setup]): %s\n", configured ? "true" : "false");
    for (int round = 0; round < 2; ++round) {
        report("removeDriverIn(\"Wine Driver\", system, false)",
               object(callChecked("removeDriverIn", removeDriverIn, vm, none, javaString(u"Wine Driver"), system,
                                  std::uintptr_t{0})));
    }
    const bool traced = (callChecked("configureDriverManagerIn", configureDriverManagerIn, vm, none,
                                     javaStrings({u"Trace", u"Yes", u"TraceFile", u"C:\\trace.log"}), nullptr) & 0xFF) != 0;
    std::printf("configureDriverManagerIn([Trace, Yes, TraceFile, C:\\trace.log], null): %s\n", traced ? "true" : "false");
    report("driverManagerSettings", object(callChecked("driverManagerSettings", driverManagerSettings, vm, none)));
    const std::string folder(argv[3]);
    const std::u16string folderText(folder.begin(), folder.end());
    const std::u16string fileText = folderText + u"\\harness.dsn";
    report("writeFileDataSourceAt(FOLDER\\harness.dsn, [DRIVER, SQLite3, Database, C:\\h.db])",
           object(callChecked("writeFileDataSourceAt", writeFileDataSourceAt, vm, none, javaString(fileText.c_str()),
                              javaStrings({u"DRIVER", u"SQLite3", u"Database", u"C:\\h.db"}))));
    report("listFileDataSourcesIn(FOLDER)",
           object(callChecked("listFileDataSourcesIn", listFileDataSourcesIn, vm, none, javaString(folderText.c_str()))));
    report("removeFileDataSourceAt(FOLDER\\harness.dsn)",
           object(callChecked("removeFileDataSourceAt", removeFileDataSourceAt, vm, none, javaString(fileText.c_str()))));
    report("readFileDataSourceAt(FOLDER\\harness.dsn)",
           object(callChecked("readFileDataSourceAt", readFileDataSourceAt, vm, none, javaString(fileText.c_str()))));

    if (sizeof(void*) == 4) {
        // The check itself: a call with one argument more than the callee removes.
        callChecked("getDrivers with a third argument", getDrivers, vm, none, none);
    }
    for (const std::string& drift : stackDrifts) std::printf("%s\n", drift.c_str());
    std::printf("most local references held: %d\n", mostLocalReferences);
    return 0;
}
