#include "cgi/decode.h"
#include "cgi/cookie_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "cgi/cgi_env.h"
#include "cgi/multipart.h"
#include "cgi/scopes.h"
#include "driver/core/config.h"
#include "platform/dir_search.h"
#include "platform/file.h"
#include "tests/unit/test_site.h"

namespace kavr {
namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs pairs_of(const std::vector<NameValue>& list, size_t from = 0, size_t to = SIZE_MAX) {
    Pairs out;
    for (size_t i = from; i < list.size() && i < to; ++i) out.emplace_back(list[i].name, list[i].value);
    return out;
}

// ---------------------------------------------------------------- URL-encoded

struct UrlCase {
    const char* text;
    Pairs expected;
};

TEST(DecodeUrlEncoded, PairsAndEscapes) {
    const std::vector<UrlCase> cases = {
        {"x=a+b%2Cc", {{"x", "a b,c"}}},
        {"x=%41%4", {{"x", "A\x04"}}},
        {"x=%4g", {{"x", "\x04g"}}},
        {"x=1&x=2&x=3", {{"x", "1,2,3"}}},
        {"X=1&x=2", {{"X", "1,2"}}},
        {"a=b=c", {{"a", "b=c"}}},
        {"", {}},
        {"%41%62=v", {{"Ab", "v"}}},
        // A zero byte, escaped or from a bare "%", ends the text there.
        {"x=ab%00cd&y=2", {{"x", "ab"}, {"y", "2"}}},
        {"x=ab%", {{"x", "ab"}}},
        {"x=ab%zz&y=%", {{"x", "ab"}, {"y", ""}}},
        {"n%00ame=1", {{"n", "1"}}},
        // A pair without "=" is a name with an empty value; empty pairs are skipped.
        {"a&b=1", {{"a", ""}, {"b", "1"}}},
        {"a=1&&b=2&", {{"a", "1"}, {"b", "2"}}},
        {"=5&e=", {{"", "5"}, {"e", ""}}},
    };
    for (const UrlCase& c : cases) {
        RequestTables t;
        size_t end = 99;
        ASSERT_EQ(DecodeUrlEncoded(t, c.text, 0, end), 1) << c.text;
        EXPECT_EQ(pairs_of(t.vars), c.expected) << c.text;
        EXPECT_EQ(end, t.vars.size()) << c.text;
    }
}

TEST(DecodeUrlEncoded, The513thDistinctNameFails) {
    std::string text;
    for (int i = 0; i < 512; ++i) text += "v" + std::to_string(i) + "=" + std::to_string(i) + "&";
    text += "v7=again";  // a repeated name needs no new entry
    RequestTables t;
    size_t end = 0;
    ASSERT_EQ(DecodeUrlEncoded(t, text, 0, end), 1);
    EXPECT_EQ(end, 512u);
    EXPECT_EQ(t.vars[7].value, "7,again");

    ASSERT_EQ(DecodeUrlEncoded(t, "v0=x&new=1", 0, end), 0);
    EXPECT_EQ(t.vars.size(), 512u);
    EXPECT_EQ(t.vars[0].value, "0,x");  // merged before the failure
}

TEST(DecodeUrlEncoded, NamesAndValuesOfSeveralMegabytes) {
    const std::string name(3 << 20, 'n');
    std::string value;
    for (int i = 0; i < (1 << 20); ++i) value += "%41+";
    RequestTables t;
    size_t end = 0;
    ASSERT_EQ(DecodeUrlEncoded(t, name + "=" + value + "&b=1", 0, end), 1);
    ASSERT_EQ(t.vars.size(), 2u);
    EXPECT_EQ(t.vars[0].name, name);
    EXPECT_EQ(t.vars[0].value.size(), 2u << 20);
    EXPECT_EQ(t.vars[0].value.substr(0, 4), "A A ");
    EXPECT_EQ(t.vars[1].value, "1");
}

// ---------------------------------------------------------------- cookies

TEST(ParseCookies, HeaderForms) {
    const std::vector<UrlCase> cases = {
        {"pref=dark blue; x=%41", {{"pref", "dark blue"}, {"x", "%41"}}},
        {"  a =  1 ;b=2", {{"a ", "1 "}, {"b", "2"}}},
        {"a=x=y", {{"a", "x=y"}}},
        {"a=1; a=2", {{"a", "1"}, {"a", "2"}}},
        // Without "=" a cookie has an empty value; empty pieces are skipped.
        {"a=1;;b; =3; ", {{"a", "1"}, {"b", ""}, {"", "3"}}},
        {"", {}},
    };
    for (const UrlCase& c : cases) {
        RequestTables t;
        ParseCookies(t, c.text);
        EXPECT_EQ(pairs_of(t.cookies), c.expected) << c.text;
    }
}

TEST(ParseCookies, LimitsCutTextsAndDropCookiesBeyond256) {
    RequestTables t;
    ParseCookies(t, std::string(2000, 'n') + "=" + std::string(3000, 'v') + "; z=1");
    ASSERT_EQ(t.cookies.size(), 2u);
    EXPECT_EQ(t.cookies[0].name, std::string(1023, 'n'));
    EXPECT_EQ(t.cookies[0].value, std::string(1023, 'v'));
    EXPECT_EQ(t.cookies[1].value, "1");

    RequestTables many;
    std::string header;
    for (int i = 0; i < 300; ++i) header += "c" + std::to_string(i) + "=" + std::to_string(i) + "; ";
    ParseCookies(many, header);
    ASSERT_EQ(many.cookies.size(), 256u);
    EXPECT_EQ(many.cookies.back().name, "c255");
}

// ---------------------------------------------------------------- whole request

TEST(ContentLength, OnlyPlainDigitsCount) {
    const std::vector<std::pair<const char*, long>> cases = {
        {"42", 42}, {"0", 0}, {"", 0}, {"12abc", 0}, {"-5", 0}, {" 5", 0}, {"+5", 0},
        {"99999999999999999999999999", LONG_MAX}, {"99999999999999999999999x", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseContentLength(c.first), c.second) << c.first;
}

CgiInput post(const std::string& type, long length) {
    CgiInput in;
    in.request_method = "POST";
    in.content_type = type;
    in.content_length = length;
    return in;
}

TEST(DecodeRequest, QueryStringBodyAndCookiesFillTheirTables) {
    CgiInput in = post("application/x-www-form-urlencoded", 7);
    in.query_string = "a=1&q=2";
    in.cookie = "c=3";
    std::string body = "a=4&b=5&ignored";
    StringSource src(body);
    RequestTables t;
    std::string why;
    ASSERT_EQ(DecodeRequestFrom(t, in, src, why), 1);
    EXPECT_EQ(pairs_of(t.vars), (Pairs{{"a", "1"}, {"q", "2"}, {"a", "4"}, {"b", "5"}}));
    EXPECT_EQ(t.url_count, 2u);
    EXPECT_EQ(t.form_end, 4u);
    EXPECT_EQ(pairs_of(t.cookies), (Pairs{{"c", "3"}}));
}

TEST(DecodeRequest, BodyIsReadOnlyForAPostMethod) {
    struct Case {
        const char* method;
        const char* type;
        Pairs expected;
    };
    const std::vector<Case> cases = {
        {"GET", "application/x-www-form-urlencoded", {}},
        {"post", "application/x-www-form-urlencoded", {}},
        {"XPOSTX", "application/x-www-form-urlencoded", {{"x", "1"}}},
        // The multipart test is exact in case: other spellings are URL-encoded.
        {"POST", "Multipart/Form-Data; boundary=B", {{"x", "1"}}},
    };
    for (const Case& c : cases) {
        CgiInput in = post(c.type, 3);
        in.request_method = c.method;
        StringSource src("x=1");
        RequestTables t;
        std::string why;
        ASSERT_EQ(DecodeRequestFrom(t, in, src, why), 1) << c.method;
        EXPECT_EQ(pairs_of(t.vars), c.expected) << c.method << " " << c.type;
        EXPECT_EQ(t.url_count, 0u);
        EXPECT_EQ(t.form_end, c.expected.size());
    }
}

TEST(DecodeRequest, ContentLengthAgainstTheBytesThatArrive) {
    struct Case {
        long length;
        std::string body;
        int result;
        Pairs expected;
    };
    const std::vector<Case> cases = {
        {3, "a=12345", 1, {{"a", "1"}}},
        {7, "a=1&b=2", 1, {{"a", "1"}, {"b", "2"}}},
        {0, "a=1", 1, {}},                                 // not a number reads as 0
        {7, std::string("a=1\0b=2", 7), 1, {{"a", "1"}}},  // the body text ends at a zero byte
        // A body that ends before its length is cut off: nothing of it counts.
        {100, "a=1&b=2", 0, {}},
        {LONG_MAX, "a=1", 0, {}},  // absurd: nothing taken up front, and cut off
    };
    for (const Case& c : cases) {
        CgiInput in = post("application/x-www-form-urlencoded", c.length);
        StringSource src(c.body);
        RequestTables t;
        std::string why;
        ASSERT_EQ(DecodeRequestFrom(t, in, src, why), c.result) << c.length;
        EXPECT_EQ(pairs_of(t.vars), c.expected) << c.length;
        EXPECT_EQ(why, c.result ? "" : kBodyCutShort) << c.length;
    }
}

TEST(DecodeRequest, TheBodyCannotExceed512VariablesWithTheQuery) {
    std::string query, body;
    for (int i = 0; i < 500; ++i) query += "q" + std::to_string(i) + "=1&";
    for (int i = 0; i < 13; ++i) body += "b" + std::to_string(i) + "=1&";
    CgiInput in = post("application/x-www-form-urlencoded", static_cast<long>(body.size()));
    in.query_string = query;
    in.cookie = "c=1";
    StringSource src(body);
    RequestTables t;
    std::string why;
    EXPECT_EQ(DecodeRequestFrom(t, in, src, why), 0);
    EXPECT_EQ(t.vars.size(), 512u);
    EXPECT_FALSE(why.empty());
}

// ---------------------------------------------------------------- part content

class StringSink : public ContentSink {
public:
    int Append(std::string_view bytes) override {
        text.append(bytes.data(), bytes.size());
        return 1;
    }
    std::string text;
};

TEST(ReadPartContent, StopsAtCrLfAndDelimiter) {
    struct Case {
        std::string input;
        int result;
        std::string content;
        int next;  // first byte after the delimiter, -1 at the end
    };
    const std::vector<Case> cases = {
        {"abc\r\n--B", 1, "abc", -1},
        {"\r\n--Btail", 1, "", 't'},
        {"a\r\r\n--B", 1, "a\r", -1},
        {"a\r\n--C\r\n-\r\n--B--", 1, "a\r\n--C\r\n-", '-'},
        {"a\n--B\r\n--B", 1, "a\n--B", -1},
        {"a\r\n--", 0, "a\r\n--", -1},
        {"", 0, "", -1},
    };
    for (const Case& c : cases) {
        StringSource src(c.input);
        StringSink sink;
        uint64_t bytes = 0;
        EXPECT_EQ(ReadPartContent(src, "--B", sink, bytes), c.result) << c.input;
        EXPECT_EQ(sink.text, c.content) << c.input;
        EXPECT_EQ(bytes, c.content.size());
        EXPECT_EQ(src.Get(), c.next) << c.input;
    }
}

// Delivers its text a few bytes at a time, so that runs of content and
// delimiters fall across the reader's refills.
class TrickleSource : public ByteSource {
public:
    TrickleSource(std::string_view text, size_t step) : text_(text), step_(step) {}

protected:
    size_t Fill(char* buf, size_t size) override {
        size_t n = std::min({text_.size(), size, 1 + (calls_++ % step_)});
        std::memcpy(buf, text_.data(), n);
        text_.remove_prefix(n);
        return n;
    }

private:
    std::string_view text_;
    size_t step_, calls_ = 0;
};

TEST(ReadPartContent, RunsSplitAcrossRefillsReadTheSame) {
    std::string content;
    for (int i = 0; i < 300; ++i) content += "line " + std::to_string(i) + (i % 7 ? "\r\n" : "\r\r\n--") + "x\r";
    const std::string input = content + "\r\n--B--\r\nafter";
    for (size_t step : {1u, 2u, 3u, 5u, 64u}) {
        TrickleSource src(input, step);
        StringSink sink;
        uint64_t bytes = 0;
        ASSERT_EQ(ReadPartContent(src, "--B", sink, bytes), 1) << step;
        EXPECT_EQ(sink.text, content) << step;
        EXPECT_EQ(bytes, content.size());
        EXPECT_EQ(src.Get(), '-') << step;
    }
    // Cut off inside the delimiter: everything read is content, and it fails.
    const std::string cut_input = content + "\r\n-";
    TrickleSource cut(cut_input, 3);
    StringSink sink;
    uint64_t bytes = 0;
    EXPECT_EQ(ReadPartContent(cut, "--B", sink, bytes), 0);
    EXPECT_EQ(sink.text, content + "\r\n-");
}

// Binary content with a carriage return every 256 bytes, and near-misses
// of the delimiter among it: the same bytes whatever sizes the input comes
// in, and they reach the sink in large blocks, not one write per run.
class BlockSink : public StringSink {
public:
    int Append(std::string_view bytes) override {
        sizes.push_back(bytes.size());
        return StringSink::Append(bytes);
    }
    std::vector<size_t> sizes;
};

TEST(ReadPartContent, LargeContentReadsTheSameAndGoesOutInLargeBlocks) {
    std::string content;
    for (int i = 0; i < 4096; ++i) {
        for (int b = 0; b < 256; ++b) content += static_cast<char>(b);
        if (i % 97 == 0) content += "\r\n--b\r\n-B\r\r\n--";
    }
    const std::string input = content + "\r\n--B\r\nnext";
    for (size_t step : {0u, 1000u, 40000u, 70000u}) {
        StringSource whole(input);
        TrickleSource pieces(input, step ? step : 1);
        ByteSource& src = step ? static_cast<ByteSource&>(pieces) : whole;
        BlockSink sink;
        uint64_t bytes = 0;
        ASSERT_EQ(ReadPartContent(src, "--B", sink, bytes), 1) << step;
        EXPECT_TRUE(sink.text == content) << step;
        EXPECT_EQ(bytes, content.size());
        EXPECT_EQ(src.Get(), '\r') << step;
        if (step == 0 || step > 1000) {
            EXPECT_LE(sink.sizes.size(), content.size() / 16384 + 4) << step;
        }
    }
}

TEST(ExtractBoundary, FormsAndLimits) {
    const std::vector<std::pair<std::string, std::string>> good = {
        {"abc", "abc"}, {"abc\r\n", "abc"}, {"\"a b;c\"; x=1", "a b;c"}, {"abc; charset=x", "abc"},
        {std::string(95, 'b'), std::string(95, 'b')},
    };
    for (const auto& g : good) {
        std::string b;
        EXPECT_EQ(ExtractBoundary(g.first, b), 1) << g.first;
        EXPECT_EQ(b, g.second);
    }
    for (const std::string& bad : {std::string(""), std::string("\"\""), std::string(96, 'b'),
                                   std::string("a\tb"), std::string("\"abc\r\n")}) {
        std::string b;
        EXPECT_EQ(ExtractBoundary(bad, b), 0) << bad;
    }
}

// ---------------------------------------------------------------- multipart

const char* const kBoundary = "----kavrTestBoundary7MA4YWxk";

std::string field(const std::string& name, const std::string& value) {
    return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name +
           "\"\r\n\r\n" + value + "\r\n";
}

std::string file_part(const std::string& name, const std::string& file, const std::string& data) {
    return std::string("--") + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name +
           "\"; filename=\"" + file + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
           data + "\r\n";
}

std::string closing() { return std::string("--") + kBoundary + "--\r\n"; }

// A site whose "\temp" entry points at a fresh directory.
class Multipart : public ::testing::Test {
protected:
    void SetUp() override {
        FileAccessEntry temp;
        temp.logical_path = "\\TEMP";
        temp.physical_path = site.dir();
        g_config.file_access.push_back(temp);
    }
    int decode(const std::string& body, const std::string& type = "") {
        CgiInput in = post(type.empty() ? std::string("multipart/form-data; boundary=") + kBoundary
                                        : type,
                           static_cast<long>(body.size()));
        in.query_string = "q=1";
        StringSource src(body);
        return DecodeRequestFrom(t, in, src, why);
    }
    std::vector<std::string> temp_files() const { return platform::find_files(site.dir(), "kavr??????"); }
    std::string upload_content(size_t i) const {
        std::string name = t.uploads[i].logical_file_name.substr(6);  // after "\Temp\"
        return site.read(name);
    }

    test::TestSite site;
    RequestTables t;
    std::string why;
};

TEST_F(Multipart, FieldsAndFilesGoToTheirTables) {
    std::string data;
    for (int i = 0; i < 256; ++i) data += static_cast<char>(i);
    data += "\r\n--" + std::string(kBoundary).substr(0, 10) + "\r\r\n-";  // near misses stay content
    std::string body = "preamble line\r\n" + field("name", "Ann\r\nLee") + field("empty", "") +
                       file_part("doc", "C:\\My Files\\a.bin", data) + field("x", "1") +
                       field("x", "2") + closing();
    ASSERT_EQ(decode(body), 1) << why;
    EXPECT_EQ(pairs_of(t.vars), (Pairs{{"q", "1"}, {"name", "Ann\r\nLee"}, {"empty", ""},
                                       {"x", "1"}, {"x", "2"}}));
    EXPECT_EQ(t.url_count, 1u);
    EXPECT_EQ(t.form_end, 5u);
    ASSERT_EQ(t.uploads.size(), 1u);
    EXPECT_EQ(t.uploads[0].field_name, "doc");
    EXPECT_EQ(t.uploads[0].browser_file_name, "C:\\My Files\\a.bin");
    ASSERT_EQ(t.uploads[0].logical_file_name.substr(0, 10), "\\Temp\\kavr");
    EXPECT_EQ(upload_content(0), data);

    std::string out;
    ASSERT_TRUE(FormLookup(t, "X", out, 1024));
    EXPECT_EQ(out, "1");  // repeated multipart fields are not merged
    ASSERT_TRUE(FormLookup(t, "doc", out, 1024));
    EXPECT_EQ(out, "C:\\My Files\\a.bin");
}

TEST_F(Multipart, TheEndMarkerEndsDecodingWhateverFollows) {
    ASSERT_EQ(decode(field("a", "1") + closing() + field("b", "2") + "garbage"), 1) << why;
    EXPECT_EQ(pairs_of(t.vars, 1), (Pairs{{"a", "1"}}));
}

TEST_F(Multipart, PartHeaderForms) {
    std::string b = std::string("--") + kBoundary + "\r\n";
    std::string body =
        b + "Content-Disposition: form-data; filename=\"f.txt\"; name=\"up\"\r\n\r\nF\r\n" +
        b + "Content-Disposition: form-data; name=plain; x=1\r\n\r\nP\r\n" +
        // A header this decoder does not use does not start the content.
        b + "Content-Disposition: form-data; name=\"h\"\r\nContent-ID: <x>\r\n"
            "Content-Transfer-Encoding: binary\r\n\r\nH\r\n" +
        b + "Content-Disposition: form-data; name=\"" + std::string(150, 'n') + "\"\r\n\r\nN\r\n" +
        closing();
    ASSERT_EQ(decode(body), 1) << why;
    EXPECT_EQ(pairs_of(t.vars, 1),
              (Pairs{{"plain", "P"}, {"h", "H"}, {std::string(99, 'n'), "N"}}));
    ASSERT_EQ(t.uploads.size(), 1u);
    EXPECT_EQ(t.uploads[0].field_name, "up");
    EXPECT_EQ(t.uploads[0].browser_file_name, "f.txt");
    EXPECT_EQ(upload_content(0), "F");
}

TEST_F(Multipart, OverlongLinesAreCutAndTheirRestSkipped) {
    std::string b = std::string("--") + kBoundary;
    // The rest of an over-long line looks like an end marker: it must not end decoding.
    std::string body = std::string(kMaxLinePiece, 'p') + b + "--\r\n" + b + "\r\n" +
                       "Content-Disposition: form-data; name=\"f\"; filename=\"" +
                       std::string(5000, 'x') + "\"\r\n\r\ndata\r\n" + field("after", "ok") +
                       closing();
    ASSERT_EQ(decode(body), 1) << why;
    ASSERT_EQ(t.uploads.size(), 1u);
    EXPECT_EQ(t.uploads[0].browser_file_name, std::string(99, 'x'));
    EXPECT_EQ(upload_content(0), "data");
    EXPECT_EQ(pairs_of(t.vars, 1), (Pairs{{"after", "ok"}}));
}

TEST_F(Multipart, NestedMixedPartsGiveSeveralFilesUnderOneField) {
    const std::string inner = "InnerBoundary42";
    std::string body = field("before", "1") + "--" + kBoundary +
                       "\r\nContent-Disposition: form-data; name=\"files\"\r\n"
                       "Content-Type: multipart/mixed; boundary=" + inner + "\r\n\r\n"
                       "--" + inner + "\r\nContent-Disposition: attachment; filename=\"a.txt\"\r\n"
                       "Content-Type: text/plain\r\n\r\nAAA\r\n"
                       "--" + inner + "\r\nContent-Disposition: attachment; filename=\"b.txt\"\r\n\r\n"
                       "BB\r\n--" + inner + "--\r\n" + field("after", "2") + closing();
    ASSERT_EQ(decode(body), 1) << why;
    EXPECT_EQ(pairs_of(t.vars, 1), (Pairs{{"before", "1"}, {"after", "2"}}));
    ASSERT_EQ(t.uploads.size(), 2u);
    EXPECT_EQ(t.uploads[0].field_name, "files");
    EXPECT_EQ(t.uploads[0].browser_file_name, "a.txt");
    EXPECT_EQ(t.uploads[1].browser_file_name, "b.txt");
    EXPECT_EQ(upload_content(0), "AAA");
    EXPECT_EQ(upload_content(1), "BB");
}

TEST_F(Multipart, HostileBodiesFailAndLeaveNoTemporaryFiles) {
    std::string b = std::string("--") + kBoundary + "\r\n";
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"part without name=", b + "Content-Disposition: form-data; filename=\"f\"\r\n\r\nx\r\n" + closing()},
        {"neither form-data nor attachment", b + "Content-Disposition: inline; name=\"a\"\r\n\r\nx\r\n"},
        {"attachment without filename", b + "Content-Disposition: attachment; name=\"a\"\r\n\r\nx\r\n"},
        {"truncated inside a field", field("a", "1") + b + "Content-Disposition: form-data; name=\"b\"\r\n\r\nhalf"},
        {"truncated inside a file", file_part("ok", "ok.txt", "done") + b +
                                        "Content-Disposition: form-data; name=\"f\"; filename=\"f\"\r\n\r\nhalf\r\n--"},
        {"nested boundary too long", b + "Content-Disposition: form-data; name=\"n\"\r\n"
                                         "Content-Type: multipart/mixed; boundary=" + std::string(96, 'i') + "\r\n"},
    };
    for (const auto& c : cases) {
        t = RequestTables();
        EXPECT_EQ(decode(c.second), 0) << c.first;
        EXPECT_FALSE(why.empty()) << c.first;
        EXPECT_TRUE(temp_files().empty()) << c.first;
    }
}

TEST_F(Multipart, ContentTypeWithoutBoundaryFails) {
    EXPECT_EQ(decode(field("a", "1") + closing(), "multipart/form-data"), 0);
    EXPECT_FALSE(why.empty());
}

TEST_F(Multipart, EndOfInputBetweenPartsIsSuccess) {
    ASSERT_EQ(decode(field("a", "1") + "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"b\"\r\n"), 1);
    EXPECT_EQ(pairs_of(t.vars, 1), (Pairs{{"a", "1"}}));
}

TEST_F(Multipart, OnlyContentLengthBytesAreTheBody) {
    // The input goes on after the announced length: what follows is never read.
    std::string body = file_part("f", "f.txt", "data") + field("a", "1") + "--" + kBoundary + "\r\n";
    std::string more = "Content-Disposition: form-data; name=\"b\"\r\n\r\n2\r\n" + closing();
    CgiInput in = post(std::string("multipart/form-data; boundary=") + kBoundary,
                       static_cast<long>(body.size()));
    std::string input = body + more;
    StringSource src(input);
    ASSERT_EQ(DecodeRequestFrom(t, in, src, why), 1) << why;
    EXPECT_EQ(pairs_of(t.vars), (Pairs{{"a", "1"}}));
    ASSERT_EQ(t.uploads.size(), 1u);
    EXPECT_EQ(upload_content(0), "data");
    char rest[8];
    EXPECT_EQ(std::string(rest, src.Read(rest, 7)), more.substr(0, 7));
}

TEST_F(Multipart, BodyEndingBeforeItsLengthFailsWhereverItEnds) {
    // Ended between parts, inside a field, inside a file: each is a body
    // that was cut off, and no upload of it stays on disk.
    std::string b = std::string("--") + kBoundary + "\r\n";
    const std::vector<std::string> cut = {
        file_part("f", "f.txt", "data") + field("a", "1"),
        file_part("f", "f.txt", "data") + b + "Content-Disposition: form-data; name=\"x\"\r\n\r\nhal",
        b + "Content-Disposition: form-data; name=\"f\"; filename=\"g\"\r\n\r\nhalf a fi",
    };
    for (const std::string& body : cut) {
        t = RequestTables();
        CgiInput in = post(std::string("multipart/form-data; boundary=") + kBoundary,
                           static_cast<long>(body.size() + 100));
        StringSource src(body);
        EXPECT_EQ(DecodeRequestFrom(t, in, src, why), 0) << body;
        EXPECT_EQ(why, kBodyCutShort) << body;
        EXPECT_TRUE(temp_files().empty()) << body;
    }
}

TEST_F(Multipart, TableLimits) {
    std::string body;
    for (int i = 0; i < 64; ++i) body += file_part("f", "n" + std::to_string(i), "d");
    ASSERT_EQ(decode(body + closing()), 1) << why;
    EXPECT_EQ(t.uploads.size(), 64u);
    EXPECT_EQ(temp_files().size(), 64u);

    // The 65th upload fails the request, and every file it made goes again.
    t = RequestTables();
    for (const std::string& f : temp_files()) platform::delete_file(site.path(f));
    EXPECT_EQ(decode(body + file_part("f", "n64", "d") + closing()), 0);
    EXPECT_TRUE(temp_files().empty());

    std::string fields;
    for (int i = 0; i < 511; ++i) fields += field("v", "1");  // 511 + the query's 1
    t = RequestTables();
    ASSERT_EQ(decode(fields + closing()), 1);
    t = RequestTables();
    EXPECT_EQ(decode(fields + field("v", "1") + closing()), 0);
}

TEST_F(Multipart, UploadsNeedATempLogicalPath) {
    g_config.file_access.clear();
    EXPECT_EQ(decode(file_part("f", "a", "x") + closing()), 0);
    t = RequestTables();
    EXPECT_EQ(decode(field("a", "1") + closing()), 1);  // fields still decode
}

// 50 MB of file content made on the fly. Halfway through, it looks at the
// upload's file on disk, which must already hold most of what was sent.
class GeneratedUpload : public ByteSource {
public:
    static constexpr uint64_t kSize = 50ull << 20;

    GeneratedUpload(std::string dir) : dir_(std::move(dir)) {
        head_ = file_part("big", "big.bin", "");
        head_.resize(head_.size() - 2);  // the content goes where "\r\n" was
        tail_ = "\r\n" + closing();
    }
    static char byte_at(uint64_t i) { return static_cast<char>((i * 7 + i / 251) & 0xFF); }
    long length() const { return static_cast<long>(head_.size() + kSize + tail_.size()); }

    uint64_t seen_on_disk = 0;

protected:
    size_t Fill(char* buf, size_t size) override {
        size_t n = 0;
        while (n < size) {
            if (pos_ < head_.size()) {
                buf[n++] = head_[pos_++];
            } else if (pos_ < head_.size() + kSize) {
                uint64_t i = pos_ - head_.size();
                if (i == kSize / 2) look_at_disk();
                buf[n++] = byte_at(i);
                ++pos_;
            } else if (pos_ < head_.size() + kSize + tail_.size()) {
                buf[n++] = tail_[pos_ - head_.size() - kSize];
                ++pos_;
            } else {
                break;
            }
        }
        return n;
    }

private:
    void look_at_disk() {
        for (const std::string& f : platform::find_files(dir_, "kavr??????")) {
            platform::File file(dir_ + "/" + f, "rb");
            seen_on_disk = static_cast<uint64_t>(file.size());
        }
    }

    std::string dir_, head_, tail_;
    uint64_t pos_ = 0;
};

TEST_F(Multipart, FiftyMegabyteUploadIsStreamedToDisk) {
    GeneratedUpload src(site.dir());
    CgiInput in = post(std::string("multipart/form-data; boundary=") + kBoundary, src.length());
    ASSERT_EQ(DecodeRequestFrom(t, in, src, why), 1) << why;
    ASSERT_EQ(t.uploads.size(), 1u);
    EXPECT_GE(src.seen_on_disk, GeneratedUpload::kSize / 2 - (1 << 20));

    platform::File file(site.path(t.uploads[0].logical_file_name.substr(6)), "rb");
    ASSERT_TRUE(file.is_open());
    EXPECT_EQ(static_cast<uint64_t>(file.size()), GeneratedUpload::kSize);
    std::vector<char> chunk(1 << 16);
    uint64_t at = 0, wrong = 0;
    for (size_t n; (n = file.read(chunk.data(), chunk.size())) > 0;)
        for (size_t k = 0; k < n; ++k, ++at)
            if (chunk[k] != GeneratedUpload::byte_at(at)) ++wrong;
    EXPECT_EQ(at, GeneratedUpload::kSize);
    EXPECT_EQ(wrong, 0u);
}

}  // namespace
}  // namespace kavr

namespace kavr {
namespace {

TEST(CookieText, EveryByteComesBackAsItWasSet) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    for (bool is_name : {false, true}) {
        std::string sent = CookieEncode(all, is_name);
        EXPECT_EQ(sent.find_first_of(std::string(" ;,\"\\\r\n\t\x7f") + (is_name ? "=" : "")),
                  std::string::npos)
            << sent;
        EXPECT_EQ(CookieDecode(sent), all);
    }
    EXPECT_EQ(CookieEncode("x; Path=/", false), "x%3B%20Path=/");
    EXPECT_EQ(CookieEncode("a=b", true), "a%3Db");
    EXPECT_EQ(CookieDecode("%41%zz%2"), "%41%zz%2");  // escapes it never writes stay
}

}  // namespace
}  // namespace kavr
