#include "cgi/decode.h"

#include "cgi/cgi_env.h"
#include "cgi/multipart.h"
#include "driver/core/config.h"
#include "driver/core/log.h"

namespace kavr {

CgiInput ReadCgiInput() {
    CgiInput in;
    in.query_string = QueryString();
    in.request_method = RequestMethod();
    in.content_type = ContentType();
    in.cookie = HttpCookie();
    in.content_length = ContentLength();
    return in;
}

// Memory grows with the bytes that actually arrive, never with the length
// the request announces.
static std::string read_body(ByteSource& body) {
    std::string text;
    char chunk[16384];
    for (size_t n; (n = body.Read(chunk, sizeof chunk)) > 0;) text.append(chunk, n);
    size_t nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

static int decode_body(RequestTables& t, const CgiInput& in, ByteSource& input, std::string& why) {
    LimitedSource body(input, BodyLength(in));
    const std::string type = in.content_type.value_or("");
    if (type.find("multipart/form-data") != std::string::npos) {
        size_t key = type.find("oundary=");
        if (key == std::string::npos) {
            why = "multipart body without a boundary";
            return 0;
        }
        std::string boundary;
        if (!ExtractBoundary(std::string_view(type).substr(key + 8), boundary)) {
            why = "multipart boundary empty, over 95 characters or not printable";
            return 0;
        }
        return DecodeMultipart(t, body, boundary, why);
    }
    size_t end = 0;
    std::string text = read_body(body);
    if (body.CutShort()) {
        why = kBodyCutShort;
        return 0;
    }
    if (!DecodeUrlEncoded(t, text, t.url_count, end)) {
        why = "more than 512 variables";
        return 0;
    }
    return 1;
}

int DecodeRequestFrom(RequestTables& t, const CgiInput& in, ByteSource& body, std::string& why) {
    size_t end = 0;
    if (in.query_string && !DecodeUrlEncoded(t, *in.query_string, 0, end)) {
        t.url_count = t.form_end = t.vars.size();
        why = "more than 512 variables";
        return 0;
    }
    t.url_count = t.vars.size();
    int ok = 1;
    if (in.request_method && in.request_method->find("POST") != std::string::npos)
        ok = decode_body(t, in, body, why);
    t.form_end = t.vars.size();
    if (!ok) return 0;
    if (in.cookie) ParseCookies(t, *in.cookie);
    return 1;
}

bool BodyOverLimit(const CgiInput& in, long limit) {
    bool posted = in.request_method && in.request_method->find("POST") != std::string::npos;
    return posted && limit > 0 && in.content_length > limit;
}

unsigned long BodyLength(const CgiInput& in) {
    return in.content_length > 0 ? static_cast<unsigned long>(in.content_length) : 0;
}

int DecodeRequest(Request& request) {
    CgiInput in = ReadCgiInput();
    // A body over the limit is refused before a byte of it is read, so
    // nothing of it reaches the disk.
    if (BodyOverLimit(in, g_config.max_request_body)) {
        request.input.body_too_large = true;
        WriteLog(request.thread_number, 3,
                 "Error: Request body of " + std::to_string(in.content_length) +
                     " bytes is larger than MaxRequestBody (" +
                     std::to_string(g_config.max_request_body) + ")\n");
        return 0;
    }
    StdinSource body(g_config.body_timeout > 0 ? g_config.body_timeout * 1000L : -1, BodyLength(in));
    std::string why;  // the driver logs the failure in its own words
    return DecodeRequestFrom(request.input, in, body, why);
}

}  // namespace kavr
