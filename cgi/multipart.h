// multipart/form-data bodies, read from a ByteSource: fields
// become form variables, files are streamed into temporary files and listed
// in the upload table. Nested multipart/mixed parts (several files under one
// field) are followed one level deep.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "cgi/byte_source.h"
#include "driver/core/request.h"

namespace kavr {

// Longest boundary taken; longer ones fail the decoding.
constexpr size_t kMaxBoundary = 95;
// Longest piece of a header or boundary line that is looked at; the rest of
// a longer line is skipped unread.
constexpr size_t kMaxLinePiece = 2047;
// Field names and file names of part headers are cut to this length.
constexpr size_t kMaxPartHeaderName = 99;

// The reason given for a body that ended before its announced length.
extern const char* const kBodyCutShort;

// Where part content goes: a file, or a growing text.
class ContentSink {
public:
    virtual ~ContentSink() = default;
    virtual int Append(std::string_view bytes) = 0;  // 1 ok, 0 failed
};

// Copies content up to the pattern CR LF delimiter, which is consumed and
// not copied. 1 when the delimiter ended the content; 0 when the input ended
// first or the sink failed. bytes counts the content copied.
int ReadPartContent(ByteSource& in, std::string_view delimiter, ContentSink& sink,
                    uint64_t& bytes);

// The boundary that follows "oundary=" in text: a quoted value up to its
// closing quote, otherwise everything up to ";" with trailing blanks and
// line ends removed. 0 when it is empty, longer than kMaxBoundary, or holds
// a line-end or other control character.
int ExtractBoundary(std::string_view after_key, std::string& boundary);

// Decodes the body whose outer boundary is given, appending form variables
// and uploads to t. On failure every temporary file made by this call is
// removed again and why holds a short reason.
int DecodeMultipart(RequestTables& t, ByteSource& in, const std::string& boundary,
                    std::string& why);

}  // namespace kavr
