// The HTTP_COOKIE header into the cookie table.
#include "cgi/decode.h"
#include "tests/fuzz/fuzz_site.h"

using namespace kavr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RequestTables t;
    ParseCookies(t, fuzz::AsText(data, size));
    if (t.cookies.size() > RequestTables::kMaxCookies) abort();
    for (const NameValue& c : t.cookies)
        if (c.name.size() > 1023 || c.value.size() > 1023) abort();
    return 0;
}
