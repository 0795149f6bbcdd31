/* A stand-in for odbccp32.dll. Every line it writes to the file named by
 * RIREVE_TEST_INSTALLER_LOG names its own path, so the tests see which copy
 * was loaded, called and unloaded. It needs nothing but kernel32 and user32,
 * so that it can be made small enough to pass for a stub. */
#include <windows.h>

static HINSTANCE self;
static SRWLOCK logging = SRWLOCK_INIT;

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
    const char* profile = request >= 4 ? "RIREVE_TEST_INSTALLER_SYSTEM_PROFILE" : "RIREVE_TEST_INSTALLER_PROFILE";
    if ((request == 2 || request == 5) && GetEnvironmentVariableA(profile, path, sizeof path) > 0) {
        /* A configuration request sets each KEY=VALUE after DSN=name, as a
         * driver's ConfigDSN would. */
        char settings[1024];
        lstrcpynA(settings, attributes, sizeof settings);
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
        int length = wsprintfA(line, "[%s", attributes + 4); /* the name, after DSN= */
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

__declspec(dllexport) int WINAPI SQLGetPrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR fallback,
                                                            LPSTR out, int size, LPCSTR file) {
    char path[MAX_PATH];
    if (lstrcmpiA(file, "ODBC.INI") != 0 || !profilePath(path)) return -1;
    return (int)GetPrivateProfileStringA(section, key, fallback, out, (DWORD)size, path);
}

__declspec(dllexport) BOOL WINAPI SQLWritePrivateProfileString(LPCSTR section, LPCSTR key, LPCSTR value,
                                                               LPCSTR file) {
    char path[MAX_PATH];
    if (lstrcmpiA(file, "ODBC.INI") != 0 || !profilePath(path)) return FALSE;
    return WritePrivateProfileStringA(section, key, value, path);
}
#endif
