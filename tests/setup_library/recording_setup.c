/* A driver setup library for tests: its ConfigDSN records the request it
 * receives in the file named by RIREVE_TEST_SETUP_LOG, one line per call:
 * the parent window, the request, the driver and the attribute list in hex
 * up to and including its closing empty entry. It accepts every request. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

typedef int BOOL;
typedef unsigned short WORD;
typedef void* HWND;
typedef const char* LPCSTR;

__attribute__((visibility("default"))) BOOL ConfigDSN(HWND parent, WORD request, LPCSTR driver, LPCSTR attributes) {
    const char* path = getenv("RIREVE_TEST_SETUP_LOG");
    FILE* log = path ? fopen(path, "a") : NULL;
    if (log == NULL) return 0;
    fprintf(log, "parent=%p request=%u driver=%s attributes=", parent, request, driver);
    /* The list ends with an empty entry: two NUL bytes in a row. */
    for (size_t i = 0;; ++i) {
        fprintf(log, "%02x", (unsigned char)attributes[i]);
        if (i > 0 && attributes[i] == '\0' && attributes[i - 1] == '\0') break;
    }
    fprintf(log, "\n");
    fclose(log);
    return 1;
}
