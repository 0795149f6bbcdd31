// Windows: the installer library odbccp32.dll, bound at run time. The first
// request that finds it chooses between the copy in the system directory and
// the one the normal search finds (the newer file version wins, the search
// copy on a tie or when versions cannot be read), after moving a stub
// without version information out of the system directory's way. The choice
// is kept, and never released, for the life of the process.
#include <windows.h>

#include <atomic>
#include <mutex>

#include "platform/installer_library.h"
#include "platform/message_box_windows.h"
#include "platform/select_once.h"

namespace rireve {
namespace {

using GetFileVersionInfoSizeProc = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using GetFileVersionInfoProc = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using VerQueryValueProc = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

constexpr char kInstallerFile[] = "odbccp32.dll";
constexpr char kMessageTitle[] = "ODBC Installer Error";
constexpr UINT kMessageStyle = MB_ICONINFORMATION;  // 0x40: one OK button
constexpr char kMissingInstaller[] = "The ODBC installer DLL (ODBCCP32.DLL) is not installed on this system.";
constexpr char kMissingEntry[] =
    "The program %s, or one of its DLLs attempted to call the function %s which is not supported in the loaded "
    "ODBC installer DLL (%s).  Press OK to proceed.";
constexpr DWORD kStubSizeLimit = 20000;
constexpr UINT kPathChars = 261;
constexpr DWORD kSearchCopyPathChars = 522;
// wsprintfA writes at most 1024 characters and its NUL.
constexpr std::size_t kMessageChars = 1025;
static_assert(sizeof kMissingEntry + 3 * kPathChars < kMessageChars, "room for both paths and the name");

std::atomic<HMODULE> installerModule{nullptr};

struct VersionFunctions {
    HMODULE library = nullptr;
    GetFileVersionInfoSizeProc infoSize = nullptr;
    GetFileVersionInfoProc info = nullptr;
    VerQueryValueProc query = nullptr;
};

// version.dll is bound at run time too, so the library imports nothing of it.
bool bindVersionFunctions(VersionFunctions& functions) {
    functions.library = LoadLibraryA("version.dll");
    if (functions.library == nullptr) return false;
    functions.infoSize = reinterpret_cast<GetFileVersionInfoSizeProc>(
        reinterpret_cast<void*>(GetProcAddress(functions.library, "GetFileVersionInfoSizeA")));
    functions.info = reinterpret_cast<GetFileVersionInfoProc>(
        reinterpret_cast<void*>(GetProcAddress(functions.library, "GetFileVersionInfoA")));
    functions.query = reinterpret_cast<VerQueryValueProc>(
        reinterpret_cast<void*>(GetProcAddress(functions.library, "VerQueryValueA")));
    if (functions.infoSize != nullptr && functions.info != nullptr && functions.query != nullptr) return true;
    FreeLibrary(functions.library);
    functions = VersionFunctions{};
    return false;
}

// "<", "=" or ">": the most significant word decides before the least.
char compareFileVersions(const VS_FIXEDFILEINFO& a, const VS_FIXEDFILEINFO& b) {
    if (a.dwFileVersionMS != b.dwFileVersionMS) return a.dwFileVersionMS > b.dwFileVersionMS ? '>' : '<';
    if (a.dwFileVersionLS != b.dwFileVersionLS) return a.dwFileVersionLS > b.dwFileVersionLS ? '>' : '<';
    return '=';
}

// A small system copy without version information is a stub left by some
// other installer: it is moved aside so that it cannot be loaded.
void rejectStub(const char* systemCopy, const char* rejectedPath) {
    const HANDLE file = CreateFileA(systemCopy, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_RANDOM_ACCESS | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const DWORD size = GetFileSize(file, nullptr);
    CloseHandle(file);
    if (size == INVALID_FILE_SIZE || size >= kStubSizeLimit) return;
    VersionFunctions version;
    if (!bindVersionFunctions(version)) return;
    DWORD handle = 0;
    if (version.infoSize(systemCopy, &handle) == 0) {
        MoveFileExA(systemCopy, rejectedPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
    }
    FreeLibrary(version.library);
}

// One copy's version block, released on every way out.
struct VersionBlock {
    HLOCAL memory = nullptr;
    void* data = nullptr;
    VS_FIXEDFILEINFO* fixed = nullptr;

    bool read(const VersionFunctions& version, const char* path, DWORD size) {
        memory = LocalAlloc(LMEM_FIXED, size);
        if (memory == nullptr) return false;
        data = LocalLock(memory);
        if (data == nullptr || !version.info(path, 0, size, data)) return false;
        UINT length = 0;
        char root[] = "\\";
        return version.query(data, root, reinterpret_cast<void**>(&fixed), &length) && fixed != nullptr;
    }

    ~VersionBlock() {
        if (memory == nullptr) return;
        if (data != nullptr) LocalUnlock(memory);
        LocalFree(memory);
    }
};

// The copy whose file version is strictly higher, the search copy otherwise.
HMODULE chooseByVersion(HMODULE searchCopy, HMODULE systemCopy, const char* systemCopyPath) {
    VersionFunctions version;
    if (!bindVersionFunctions(version)) {
        FreeLibrary(systemCopy);
        return searchCopy;
    }
    HMODULE kept = searchCopy;
    HMODULE released = systemCopy;
    {
        char searchCopyPath[kSearchCopyPathChars] = {};
        GetModuleFileNameA(searchCopy, searchCopyPath, kSearchCopyPathChars);
        DWORD handle = 0;
        const DWORD systemSize = version.infoSize(systemCopyPath, &handle);
        const DWORD searchSize = version.infoSize(searchCopyPath, &handle);
        VersionBlock systemBlock;
        VersionBlock searchBlock;
        if (systemSize != 0 && searchSize != 0 && systemBlock.read(version, systemCopyPath, systemSize) &&
            searchBlock.read(version, searchCopyPath, searchSize) &&
            compareFileVersions(*searchBlock.fixed, *systemBlock.fixed) == '<') {
            kept = systemCopy;
            released = searchCopy;
        }
        FreeLibrary(released);
    }  // the blocks go before version.dll
    FreeLibrary(version.library);
    return kept;
}

HMODULE selectInstallerLibrary() {
    char systemDirectory[kPathChars] = {};
    GetSystemDirectoryA(systemDirectory, kPathChars);
    char systemCopyPath[2 * kPathChars];
    wsprintfA(systemCopyPath, "%s\\%s", systemDirectory, kInstallerFile);
    char rejectedPath[2 * kPathChars];
    wsprintfA(rejectedPath, "%s\\odbccp32.bad", systemDirectory);

    rejectStub(systemCopyPath, rejectedPath);
    const HMODULE searchCopy = LoadLibraryA(kInstallerFile);
    const HMODULE systemCopy = LoadLibraryA(systemCopyPath);
    if (searchCopy == nullptr || systemCopy == nullptr) return searchCopy != nullptr ? searchCopy : systemCopy;
    if (searchCopy == systemCopy) {
        FreeLibrary(systemCopy);  // one file: keep one reference
        return searchCopy;
    }
    return chooseByVersion(searchCopy, systemCopy, systemCopyPath);
}

HMODULE boundInstallerModule() {
    static std::mutex selecting;
    return selectOnce(installerModule, selecting, selectInstallerLibrary);
}

}  // namespace

InstallerProc findInstallerProc(const char* name) {
    InstallerProc proc;
    proc.library = kInstallerFile;
    const HMODULE module = boundInstallerModule();
    if (module == nullptr) return proc;
    char installerPath[kPathChars] = {};
    GetModuleFileNameA(module, installerPath, kPathChars);
    proc.library = installerPath;
    proc.address = reinterpret_cast<void*>(GetProcAddress(module, name));
    proc.result = proc.address != nullptr ? BindResult::bound : BindResult::entryMissing;
    return proc;
}

void tellInstallerUser(const char* name, const InstallerProc& proc) {
    if (proc.result == BindResult::libraryMissing) {
        showMessageBox(nullptr, kMissingInstaller, kMessageTitle, kMessageStyle);
        return;
    }
    if (proc.result != BindResult::entryMissing) return;
    char programPath[kPathChars] = {};
    GetModuleFileNameA(GetModuleHandleW(nullptr), programPath, kPathChars);
    char message[kMessageChars];
    wsprintfA(message, kMissingEntry, programPath, name, proc.library.c_str());
    showMessageBox(nullptr, message, kMessageTitle, kMessageStyle);
}

}  // namespace rireve
