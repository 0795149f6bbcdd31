/* Prints what unixODBC's own listing calls return in a fresh process, every
 * text in hex so that any byte survives:
 *   driver HEX(description) HEX(attribute list, NUL-separated pairs)
 *   dsn HEX(name) HEX(description)
 * With "system" as its argument it lists only the system data sources. */
#include <sql.h>
#include <sqlext.h>
#include <stdio.h>
#include <string.h>

static void printHex(const char* text, size_t size) {
    putchar(' ');
    for (size_t i = 0; i < size; i++) printf("%02x", (unsigned char)text[i]);
}

int main(int argc, char** argv) {
    SQLHENV env;
    if (!SQL_SUCCEEDED(SQLAllocEnv(&env))) return 1;
    char name[1024];
    static char attributes[32000];
    SQLSMALLINT nameLength, attributesLength;
    while (SQL_SUCCEEDED(SQLDrivers(env, SQL_FETCH_NEXT, (SQLCHAR*)name, sizeof name, &nameLength,
                                    (SQLCHAR*)attributes, sizeof attributes, &attributesLength))) {
        size_t size = 0;
        while (attributes[size] != '\0') size += strlen(attributes + size) + 1;
        printf("driver");
        printHex(name, strlen(name));
        printHex(attributes, size);
        putchar('\n');
    }
    SQLUSMALLINT direction = argc > 1 && strcmp(argv[1], "system") == 0 ? SQL_FETCH_FIRST_SYSTEM : SQL_FETCH_FIRST;
    char description[1024];
    while (SQL_SUCCEEDED(SQLDataSources(env, direction, (SQLCHAR*)name, sizeof name, &nameLength,
                                        (SQLCHAR*)description, sizeof description, &attributesLength))) {
        printf("dsn");
        printHex(name, strlen(name));
        printHex(description, strlen(description));
        putchar('\n');
        direction = SQL_FETCH_NEXT;
    }
    SQLFreeEnv(env);
    return 0;
}
