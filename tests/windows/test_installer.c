/* A stand-in for odbccp32.dll. Every line it writes to the file named by
 * RIREVE_TEST_INSTALLER_LOG names its own path, so the tests see which copy
 * was loaded, called and unloaded. It needs nothing but kernel32, user32 and advapi32,
 * so that it can be made small enough to pass for a stub. */
#include <windows.h>

static HINSTANCE self;
static SRWLOCK logging = SRWLOCK_INIT;

/* Whether `part` occurs in `text`. */
static BOOL holds(const char* text, const char* part) {
    for (; *text; ++text) {
        int i = 0;
        while (part[i] && text[i] == part[i]) ++i;
        if (!part[i]) return TRUE;
    }
    return FALSE;
}

/* One line at a time, so that lines of concurrent calls neither mix nor
 * overwrite each other. */
static void logLine(char* text, int length) {
    text[length] = '\n';
    char path[MAX_PATH];
    if (GetEnvironmentVariableA("RIREVE_TEST_INSTALLER_LOG", path, sizeof path) == 0) return;
    AcquireSRWLockExclusive(&logging);
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, text, (DWORD)length + 1, &written, NULL);
        CloseHandle(file);
    }
    ReleaseSRWLockExclusive(&logging);
}

static void logEvent(const char* event) {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(self, path, MAX_PATH);
    char line[2 * MAX_PATH + 2];
    logLine(line, wsprintfA(line, "%s %s", event, path));
}

BOOL WINAPI DllMainCRTStartup(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    self = instance;
    if (reason == DLL_PROCESS_ATTACH) logEvent("loaded");
    if (reason == DLL_PROCESS_DETACH) logEvent("unloaded");
    return TRUE;
}

#ifndef TEST_NO_ENTRY
/* A setup that dies midway: the data source's key and its name under ODBC
 * Data Sources half written, then the process ended with an access
 * violation's code (a real fault would start Wine's debugger). */
static void crashWriting(WORD request, const char* named, LPCSTR driver) {
    char name[256];
    int length = 0;
    while (named[length] && named[length] != ';' && length < 255) name[length] = named[length], ++length;
    name[length] = '\0';
    HKEY root = request >= 4 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    char path[300];
    wsprintfA(path, "SOFTWARE\\ODBC\\ODBC.INI\\%s", name);
    HKEY key;
    if (RegCreateKeyExA(root, path, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Driver", 0, REG_SZ, (const BYTE*)driver, (DWORD)lstrlenA(driver) + 1);
        RegCloseKey(key);
    }
    if (RegCreateKeyExA(root, "SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources", 0, NULL, 0, KEY_WRITE, NULL, &key,
                        NULL) == ERROR_SUCCESS) {
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE*)driver, (DWORD)lstrlenA(driver) + 1);
        RegCloseKey(key);
    }
    char line[400];
    logLine(line, wsprintfA(line, "crashed writing %s", path));
    TerminateProcess(GetCurrentProcess(), 0xC0000005);
}

__declspec(dllexport) BOOL WINAPI SQLConfigDataSource(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes) {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(self, path, MAX_PATH);
    char line[4096];
    int length = wsprintfA(line, "called %s parent=%lx request=%u driver=%s attributes=", path,
                           (unsigned long)(ULONG_PTR)parent, (unsigned)request, driver);
    /* The attribute list ends with an empty entry: two NUL bytes in a row. */
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; length < (int)sizeof line - 4; ++i) {
        line[length++] = digits[(unsigned char)attributes[i] >> 4];
        line[length++] = digits[(unsigned char)attributes[i] & 15];
        if (i > 0 && attributes[i] == '\0' && attributes[i - 1] == '\0') break;
    }
    logLine(line, length);
    /* Slow on request when adding, as an installer showing a dialog is; and
     * as a real one, a change goes to the profile the driver manager reads. */
    char text[MAX_PATH] = {0};
    DWORD milliseconds = 0;
    GetEnvironmentVariableA("RIREVE_TEST_INSTALLER_SLEEP_MS", text, sizeof text);
    for (const char* digit = text; *digit >= '0' && *digit <= '9'; ++digit) milliseconds = milliseconds * 10 + (DWORD)(*digit - '0');
    if (request == 1) Sleep(milliseconds);
    if (lstrcmpA(driver, "No Such Driver") == 0) return FALSE;
    /* Either form, the one-entry text DSN=name;KEY=VALUE or ConfigDSN's
     * list of NUL-ended entries, read as the text. */
    char settings[1024];
    int at = 0;
    for (; at < (int)sizeof settings - 1 && !(attributes[at] == '\0' && attributes[at + 1] == '\0'); ++at) {
        settings[at] = attributes[at] != '\0' ? attributes[at] : ';';
    }
    settings[at] = '\0';
    if (holds(settings, ";Crash=")) crashWriting(request, settings + 4, driver);
    const char* profile = request >= 4 ? "RIREVE_TEST_INSTALLER_SYSTEM_PROFILE" : "RIREVE_TEST_INSTALLER_PROFILE";
    if ((request == 2 || request == 5) && GetEnvironmentVariableA(profile, path, sizeof path) > 0) {
        /* A configuration request sets each KEY=VALUE after DSN=name, as a
         * driver's ConfigDSN would. */
        char* name = settings + 4;
        char* pair = name;
        while (*pair && *pair != ';') ++pair;
        while (*pair == ';') {
            *pair++ = '\0';
            char* value = pair;
            while (*value && *value != '=') ++value;
            char* end = value;
            while (*end && *end != ';') ++end;
            const char next = *end;
            *end = '\0';
            if (*value == '=') *value++ = '\0';
            WritePrivateProfileStringA(name, pair, value, path);
            *end = next;
            pair = end;
        }
    }
    if ((request == 1 || request == 4) && GetEnvironmentVariableA(profile, path, sizeof path) > 0) {
        int length = wsprintfA(line, "[%s", settings + 4); /* the name, after DSN= */
        for (int i = 0; i < length; ++i) {
            if (line[i] == ';') length = i;
        }
        length += wsprintfA(line + length, "]\nDriver=%s\n", driver);
        HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        DWORD written = 0;
        WriteFile(file, line, (DWORD)length, &written, NULL);
        CloseHandle(file);
    }
    return TRUE;
}

/* The profile functions on ODBC.INI, as Windows has them over the registry,
 * here over the driver manager's own files (Wine's read its registry, where
 * the driver manager lists nothing): the user's or the system's, by the
 * configuration mode. */
static WORD configMode = 0; /* ODBC_BOTH_DSN */

__declspec(dllexport) BOOL WINAPI SQLGetConfigMode(WORD* mode) {
    *mode = configMode;
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI SQLSetConfigMode(WORD mode) {
    configMode = mode;
    return TRUE;
}

static BOOL profilePath(char* path) {
    const char* name = configMode == 2 ? "RIREVE_TEST_INSTALLER_SYSTEM_PROFILE" : "RIREVE_TEST_INSTALLER_PROFILE";
    return GetEnvironmentVariableA(name, path, MAX_PATH) > 0;
}

/* ODBCINST.INI, the drivers' profile, is one file for every mode. */
static BOOL filePath(LPCSTR file, char* path) {
    if (lstrcmpiA(file, "ODBCINST.INI") == 0) {
        return GetEnvironmentVariableA("RIREVE_TEST_INSTALLER_DRIVERS", path, MAX_PATH) > 0;
    }
    return lstrcmpiA(file, "ODBC.INI") == 0 && profilePath(path);
}

__declspec(dllexport) int WINAPI SQLGetPrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR fallback,
                                                            LPSTR out, int size, LPCSTR file) {
    char path[MAX_PATH];
    if (!filePath(file, path)) return -1;
    return (int)GetPrivateProfileStringA(section, key, fallback, out, (DWORD)size, path);
}

__declspec(dllexport) BOOL WINAPI SQLWritePrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR value,
                                                               LPCSTR file) {
    char path[MAX_PATH];
    if (!filePath(file, path)) return FALSE;
    return WritePrivateProfileStringA(section, key, value, path);
}

/* Drivers, with the installer's usage count, in the drivers' profile. Each
 * call is logged with its arguments. */
__declspec(dllexport) BOOL WINAPI SQLInstallDriverEx(LPCSTR list, LPCSTR pathIn, LPSTR pathOut, WORD pathOutSize,
                                                     WORD* pathOutLength, WORD request, LPDWORD usageCount) {
    char path[MAX_PATH];
    char line[2048];
    int length = wsprintfA(line, "installdriver pathin=%s request=%u list=", pathIn ? pathIn : "(null)", (unsigned)request);
    for (const char* item = list; *item && length < (int)sizeof line - 600; item += lstrlenA(item) + 1) {
        length += wsprintfA(line + length, "%s|", item);
    }
    logLine(line, length);
    if (!filePath("ODBCINST.INI", path)) return FALSE;
    const DWORD count = GetPrivateProfileIntA(list, "UsageCount", 0, path) + 1;
    for (const char* item = list + lstrlenA(list) + 1; *item; item += lstrlenA(item) + 1) {
        char key[256];
        int k = 0;
        while (item[k] && item[k] != '=' && k < 255) key[k] = item[k], ++k;
        key[k] = '\0';
        WritePrivateProfileStringA(list, key, item[k] == '=' ? item + k + 1 : "", path);
    }
    char number[16];
    wsprintfA(number, "%lu", (unsigned long)count);
    WritePrivateProfileStringA(list, "UsageCount", number, path);
    if (pathOut && pathOutSize > 0) lstrcpynA(pathOut, pathIn ? pathIn : "C:\\windows\\system32", pathOutSize);
    if (pathOutLength) *pathOutLength = (WORD)lstrlenA(pathOut ? pathOut : "");
    *usageCount = count;
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI SQLRemoveDriver(LPCSTR name, BOOL removeDataSources, LPDWORD usageCount) {
    char path[MAX_PATH];
    char line[512];
    logLine(line, wsprintfA(line, "removedriver name=%s removedsn=%d", name, removeDataSources));
    if (!filePath("ODBCINST.INI", path)) return FALSE;
    const UINT count = GetPrivateProfileIntA(name, "UsageCount", 0, path);
    if (count == 0) return FALSE;
    char number[16];
    wsprintfA(number, "%u", count - 1);
    WritePrivateProfileStringA(name, count == 1 ? NULL : "UsageCount", count == 1 ? NULL : number, path);
    *usageCount = count - 1;
    return TRUE;
}

/* File data sources: the [ODBC] section of the file itself; a null key lists
 * the keys, separated by ;. */
__declspec(dllexport) BOOL WINAPI SQLReadFileDSN(LPCSTR file, LPCSTR section, LPCSTR key, LPSTR out, WORD size,
                                                 WORD* length) {
    DWORD got = GetPrivateProfileStringA(section, key, "", out, size, file);
    if (key == NULL) {
        for (DWORD i = 0; got > 0 && i + 1 < got; ++i) {
            if (out[i] == '\0') out[i] = ';';
        }
        if (got > 0) got -= 1;
    }
    *length = (WORD)got;
    return TRUE;
}

__declspec(dllexport) BOOL WINAPI SQLWriteFileDSN(LPCSTR file, LPCSTR section, LPCSTR key, LPCSTR value) {
    char line[1024];
    logLine(line, wsprintfA(line, "writefiledsn key=%s value=%s", key, value ? value : "(null)"));
    return WritePrivateProfileStringA(section, key, value, file);
}
#endif
