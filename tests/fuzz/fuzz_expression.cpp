// The expression evaluator: the input is one expression text, evaluated
// with a few variables, URL values and cookies of a request of its own.
#include "cgi/decode.h"
#include "driver/core/request.h"
#include "driver/modules.h"
#include "expr/evaluator.h"
#include "tests/fuzz/fuzz_site.h"

using namespace kavr;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    RegisterModules();
    fuzz::SetUpSite();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string expr(fuzz::AsText(data, size));
    Request r;
    size_t end = 0;
    DecodeUrlEncoded(r.input, "id=7&name=Ann+Lee&list=1,2,3", 0, end);
    r.input.url_count = r.input.form_end = r.input.vars.size();
    ParseCookies(r.input, "pref=dark; n=5");
    r.vars.set("x", "42");
    r.vars.set("s", "text with \"quotes\"");
    r.vars.set("a", "first", 1);
    r.vars.set("a", "second", 2);
    std::string out;
    int rc = compute_exp(expr, out, kValueSize, r);
    if (rc != 1 && rc != -1) abort();
    if (out.size() >= kValueSize) abort();  // the value keeps its buffer's limit
    fuzz::RemoveUploads();  // GetTempFileName makes files
    return 0;
}
