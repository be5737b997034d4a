/* The smallest useful CGI program: copies the file named by the environment
 * variable MIN_CGI_FILE to standard output. The benchmark points it at the
 * exact bytes that kavr answers, so the difference in time is kavr's own
 * work: reading its configuration, decoding the request, logging, building
 * the page. With MIN_CGI_STDIN set it first stores the request body in the
 * file of that name, as a program that takes an upload must. */
#include <stdio.h>
#include <stdlib.h>

int main(void) {
    const char *name = getenv("MIN_CGI_FILE"), *store = getenv("MIN_CGI_STDIN");
    char buf[65536];
    size_t n;
    if (store) {
        FILE *out = fopen(store, "wb");
        if (!out) return 1;
        while ((n = fread(buf, 1, sizeof buf, stdin)) > 0) fwrite(buf, 1, n, out);
        fclose(out);
        remove(store);
    }
    FILE *f = name ? fopen(name, "rb") : NULL;
    if (!f) {
        fputs("Content-type: text/plain\n\nno MIN_CGI_FILE\n", stdout);
        return 0;
    }
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) fwrite(buf, 1, n, stdout);
    fclose(f);
    return 0;
}
