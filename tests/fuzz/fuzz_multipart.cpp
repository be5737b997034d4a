// A multipart/form-data POST: the input's first line is what follows
// "boundary=" in CONTENT_TYPE, the rest is the body. Uploads go to the
// scratch directory and are removed after each input.
#include "cgi/decode.h"
#include "tests/fuzz/fuzz_site.h"

using namespace kavr;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::SetUpSite();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text = fuzz::AsText(data, size);
    size_t nl = text.find('\n');
    std::string_view boundary = nl == std::string_view::npos ? text : text.substr(0, nl);
    std::string_view body_text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
    CgiInput in;
    in.request_method = "POST";
    in.content_type = "multipart/form-data; boundary=" + std::string(boundary);
    in.content_length = static_cast<long>(body_text.size());
    StringSource body(body_text);
    RequestTables t;
    std::string why;
    int ok = DecodeRequestFrom(t, in, body, why);
    if (t.vars.size() > RequestTables::kMaxVars || t.uploads.size() > RequestTables::kMaxUploads)
        abort();
    // A failed decoding leaves no upload on disk; a successful one leaves
    // exactly the files its table lists.
    size_t files = platform::find_files(fuzz::ScratchDir() + "/uploads", "*").size();
    if (ok ? files != t.uploads.size() : files != 0) abort();
    for (const UploadEntry& u : t.uploads)
        if (u.field_name.size() > 99 || u.browser_file_name.size() > 99) abort();
    fuzz::RemoveUploads();
    return 0;
}
