// A URL-encoded POST: the query string (the input up to its first line
// feed) and the body (the rest), with CONTENT_LENGTH the body's length or,
// when the first byte is odd, a few bytes more than arrive.
#include "cgi/decode.h"
#include "cgi/multipart.h"
#include "tests/fuzz/fuzz_site.h"

using namespace kavr;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text = fuzz::AsText(data, size);
    size_t nl = text.find('\n');
    CgiInput in;
    in.request_method = "POST";
    in.content_type = "application/x-www-form-urlencoded";
    if (nl != std::string_view::npos) {
        in.query_string = std::string(text.substr(0, nl));
        text.remove_prefix(nl + 1);
    }
    bool announce_more = size > 0 && (data[0] & 1);
    in.content_length = static_cast<long>(text.size() + (announce_more ? 3 : 0));
    StringSource body(text);
    RequestTables t;
    std::string why;
    int ok = DecodeRequestFrom(t, in, body, why);
    if (t.vars.size() > RequestTables::kMaxVars || t.url_count > t.form_end) abort();
    // A body that announces more than arrives is always a cut-off body,
    // unless the query string failed first.
    if (announce_more && ok) abort();
    if (!ok && why.empty()) abort();
    return 0;
}
