// Decoding of the request into its input tables: the query string, the
// POST body (URL-encoded, or multipart/form-data with uploads) and the
// cookies. It runs once, before the template is located, and succeeds or
// fails as a whole.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "cgi/byte_source.h"
#include "driver/core/request.h"

namespace kavr {

// What decoding takes from the CGI environment.
struct CgiInput {
    std::optional<std::string> query_string, request_method, content_type, cookie;
    long content_length = 0;
};

// The environment of this process, read now.
CgiInput ReadCgiInput();

// True when a POST announces a body longer than limit bytes (0: no limit).
bool BodyOverLimit(const CgiInput& in, long limit);

// Decodes the request of this process (environment and standard input)
// into request.input. 1 on success, 0 on failure.
int DecodeRequest(Request& request);

// The same from given input and body bytes, for the program and for tests.
// The body is exactly content_length bytes: no byte after them is read,
// and a body that ends before them (the input ended, or nothing more came
// in time) fails the decoding. A URL-encoded body's text ends at a zero
// byte. A multipart body is read until its closing boundary or its last
// byte. why receives a short reason on failure.
int DecodeRequestFrom(RequestTables& t, const CgiInput& in, ByteSource& body, std::string& why);

// The bytes of the body: CONTENT_LENGTH, 0 when it is absent or no number.
unsigned long BodyLength(const CgiInput& in);

// Decodes URL-encoded text into t.vars from index start on, merging a name
// repeated within that range into "old,new". end receives the table's new
// end. 0 when a 513th variable would be needed.
int DecodeUrlEncoded(RequestTables& t, std::string_view text, size_t start, size_t& end);

// "+" is a space, "%" and up to two hex digits the byte of that value; a
// zero byte (from "%00", or a "%" without digits) ends the text there.
std::string UrlDecode(std::string_view text);

// Appends the cookies of an HTTP_COOKIE header to t.cookies.
void ParseCookies(RequestTables& t, std::string_view header);

}  // namespace kavr
