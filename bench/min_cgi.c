/* The smallest useful CGI program: copies the file named by the environment
 * variable MIN_CGI_FILE to standard output. The benchmark points it at the
 * exact bytes that kavr answers, so the difference in time is kavr's own
 * work: reading its configuration, decoding the request, logging, building
 * the page. */
#include <stdio.h>
#include <stdlib.h>

int main(void) {
    const char *name = getenv("MIN_CGI_FILE");
    FILE *f = name ? fopen(name, "rb") : NULL;
    if (!f) {
        fputs("Content-type: text/plain\n\nno MIN_CGI_FILE\n", stdout);
        return 0;
    }
    char buf[8192];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) fwrite(buf, 1, n, stdout);
    fclose(f);
    return 0;
}
