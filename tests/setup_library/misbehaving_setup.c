/* A driver setup library for tests, whose ConfigDSN does what the driver's
 * name asks: "Writing ..." writes the data source itself through the
 * installer (SQLWriteDSNToIni, then SQLWritePrivateProfileString for each
 * entry of the list; SQLRemoveDSNFromIni for a removal), as setup libraries
 * commonly do; "Crashing ..." and "Hanging ..." write the same, then crash
 * or hang, leaving the file changed. */
#include <odbcinst.h>
#include <signal.h>
#include <string.h>
#include <unistd.h>

/* unixODBC's headers leave these to the caller. */
#define TRUE 1
#define FALSE 0

static BOOL writeDataSource(WORD request, LPCSTR driver, LPCSTR attributes) {
    const char* name = NULL;
    if (strncmp(attributes, "DSN=", 4) == 0) name = attributes + 4;
    if (name == NULL) return FALSE;
    if (request == ODBC_REMOVE_DSN) return SQLRemoveDSNFromIni(name);
    if (!SQLWriteDSNToIni(name, driver)) return FALSE;
    for (const char* entry = attributes + strlen(attributes) + 1; *entry != '\0'; entry += strlen(entry) + 1) {
        char key[256];
        const char* equals = strchr(entry, '=');
        if (equals == NULL || (size_t)(equals - entry) >= sizeof key) return FALSE;
        memcpy(key, entry, (size_t)(equals - entry));
        key[equals - entry] = '\0';
        if (!SQLWritePrivateProfileString(name, key, equals + 1, "odbc.ini")) return FALSE;
    }
    return TRUE;
}

__attribute__((visibility("default"))) BOOL ConfigDSN(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes) {
    (void)parent;
    const BOOL written = writeDataSource(request, driver, attributes);
    if (strncmp(driver, "Crashing", 8) == 0) raise(SIGSEGV);
    while (strncmp(driver, "Hanging", 7) == 0) pause();
    return written;
}
