// The query string: URL-encoded pairs into the URL variable table.
#include "cgi/decode.h"
#include "tests/fuzz/fuzz_site.h"

using namespace kavr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text = fuzz::AsText(data, size);
    RequestTables t;
    size_t end = 0;
    int ok = DecodeUrlEncoded(t, text, 0, end);
    // The table keeps its limit, and a success reports where it ends.
    if (t.vars.size() > RequestTables::kMaxVars) abort();
    if (ok && end != t.vars.size()) abort();
    // A decoded text never grows.
    if (UrlDecode(text).size() > text.size()) abort();
    return 0;
}
