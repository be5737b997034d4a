// The template interpreter: the input is a template, run as the request's
// own template on a site with no data source, no file access, no mail
// spool and programs disabled. Tags that reach other machines (sockets)
// and loops whose length the input cannot bound are left out, so that
// every input ends soon and touches nothing outside the scratch directory.
#include <stdlib.h>

#include <algorithm>
#include <cctype>

#include "driver/core/request.h"
#include "driver/modules.h"
#include "driver/request_driver.h"
#include "tests/fuzz/fuzz_site.h"

using namespace kavr;

namespace {

bool contains_word(const std::string& lower, const char* word) {
    return lower.find(word) != std::string::npos;
}

// Inputs whose run time has no bound the harness could see: a while loop,
// or a for loop whose counts may be large (long numbers, arithmetic that
// multiplies or raises, several loops).
bool unbounded(const std::string& text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (contains_word(lower, "kavsocket") || contains_word(lower, "kavwhile")) return true;
    size_t loops = 0;
    for (size_t at = lower.find("kavfor"); at != std::string::npos; at = lower.find("kavfor", at + 1))
        ++loops;
    if (loops == 0) return false;
    if (loops > 2 || lower.find_first_of("*^") != std::string::npos) return true;
    size_t digits = 0;
    for (char c : lower) {
        digits = std::isdigit(static_cast<unsigned char>(c)) ? digits + 1 : 0;
        if (digits > 3) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    RegisterModules();
    fuzz::SetUpSite("[Template]\nTmpExtension=kvl\n");
    setenv("REQUEST_METHOD", "GET", 1);
    setenv("QUERY_STRING", "template=fuzz.kvl&id=7&name=Ann", 1);
    setenv("HTTP_COOKIE", "pref=dark", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(fuzz::AsText(data, size));
    if (unbounded(text)) return -1;  // not added to the corpus
    FILE* f = fopen("fuzz.kvl", "wb");
    if (!f) abort();
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
    {
        Request r;
        RunRequest(r);
    }
    fuzz::RemoveUploads();
    return 0;
}
