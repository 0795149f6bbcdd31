/* A library planted where a careless loader might pick it up: if it is ever
 * loaded, it leaves a marker file behind. */
#include <stdio.h>
#include <stdlib.h>

__attribute__((constructor)) static void markLoaded(void) {
    const char* marker = getenv("RIREVE_TEST_PLANTED_MARKER");
    FILE* file = marker ? fopen(marker, "w") : NULL;
    if (file) fclose(file);
}
