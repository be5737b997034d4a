#include "cgi/scopes.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <map>
#include <string>

#include "cgi/echo.h"

namespace kavr {
namespace {

const char* const kCgiVariables[] = {
    "SERVER_SOFTWARE", "SERVER_NAME",  "SERVER_PORT",     "SERVER_PROTOCOL", "REQUEST_METHOD",
    "QUERY_STRING",    "CONTENT_TYPE", "CONTENT_LENGTH",  "HTTP_REFERER",    "HTTP_USER_AGENT",
    "HTTP_FROM",       "HTTP_COOKIE",  "REMOTE_HOST",     "REMOTE_ADDR",     "REMOTE_USER",
    "REMOTE_IDENT",    "HTTP_HOST",
};

using Env = std::map<std::string, std::string>;

// Sets exactly the given CGI variables for one test and clears them after.
class CgiEnvironment {
public:
    explicit CgiEnvironment(const std::map<std::string, std::string>& vars) {
        clear();
        for (const auto& v : vars) setenv(v.first.c_str(), v.second.c_str(), 1);
    }
    ~CgiEnvironment() { clear(); }

private:
    static void clear() {
        for (const char* name : kCgiVariables) unsetenv(name);
    }
};

RequestTables sample_tables() {
    RequestTables t;
    t.vars = {{"a", "url-a"}, {"only_url", "u"}, {"A", "form-a"}, {"long", std::string(2000, 'x')}};
    t.url_count = 2;
    t.form_end = 4;
    t.cookies = {{"Sid", "s1"}, {"sid", "s2"}};
    t.uploads = {{"doc", "report.pdf", "\\Temp\\kavrAB12cd"}, {"long", "ignored.txt", "\\Temp\\x"}};
    return t;
}

TEST(CgiLookup, KnownNamesAlwaysFoundUnknownNever) {
    CgiEnvironment env(Env{{"SERVER_PORT", "8080"}, {"HTTP_HOST", "example.org"},
                        {"SERVER_PROTOCOL", "HTTP/1.1"}, {"CONTENT_LENGTH", "12x"},
                        {"REMOTE_ADDR", "10.0.0.1"}});
    const std::map<std::string, std::string> expected = {
        {"Server_Port", "8080"},       {"http_host", ""},  // never the server's HTTP_HOST
        {"REQUEST_PROTOCAL", "HTTP/1.1"}, {"remote_user", ""},  // anonymous: empty, still found
        {"content_length", "0"},        {"remote_addr", "10.0.0.1"}, {"server_name", ""},
    };
    for (const auto& e : expected) {
        std::string out = "stale";
        ASSERT_TRUE(CgiLookup(e.first, out, 1024)) << e.first;
        EXPECT_EQ(out, e.second) << e.first;
    }
    std::string out;
    EXPECT_FALSE(CgiLookup("request_protocol", out, 1024));
    EXPECT_FALSE(CgiLookup("path", out, 1024));
}

TEST(CgiLookup, EnvironmentIsReadAfreshEachTime) {
    CgiEnvironment env(Env{{"REQUEST_METHOD", "GET"}});
    std::string out;
    ASSERT_TRUE(CgiLookup("request_method", out, 1024));
    EXPECT_EQ(out, "GET");
    setenv("REQUEST_METHOD", "POST", 1);
    ASSERT_TRUE(CgiLookup("request_method", out, 1024));
    EXPECT_EQ(out, "POST");
}

TEST(RequestScopes, EachScopeSeesItsOwnPartOfTheTables) {
    const RequestTables t = sample_tables();
    struct Case {
        bool (*lookup)(const RequestTables&, const std::string&, std::string&, size_t);
        const char* name;
        bool found;
        std::string value;
    };
    const Case cases[] = {
        {UrlLookup, "A", true, "url-a"},
        {FormLookup, "a", true, "form-a"},
        {UrlLookup, "ONLY_URL", true, "u"},
        {FormLookup, "only_url", false, ""},      // URL variables are not form variables
        {FormLookup, "DOC", true, "report.pdf"},  // a file field gives the browser's file name
        {UrlLookup, "doc", false, ""},
        {FormLookup, "long", true, std::string(1023, 'x')},  // the variable wins over the upload
        {CookieLookup, "SID", true, "s1"},        // first of two wins
        {CookieLookup, "a", false, ""},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(c.lookup(t, c.name, out, 1024), c.found) << c.name;
        if (c.found) {
            EXPECT_EQ(out, c.value) << c.name;
        }
    }
}

TEST(RequestScopes, ValuesAreCutToTheBufferSize) {
    const RequestTables t = sample_tables();
    std::string out;
    ASSERT_TRUE(FormLookup(t, "long", out, 1024));
    EXPECT_EQ(out.size(), 1023u);
    ASSERT_TRUE(FormLookup(t, "doc", out, 4));
    EXPECT_EQ(out, "rep");
    ASSERT_TRUE(CookieLookup(t, "sid", out, 0));
    EXPECT_EQ(out, "");
}

TEST(IsParameter, FormThenUrlVariablesWithMarksRemoved) {
    const RequestTables t = sample_tables();
    EXPECT_TRUE(IsParameter(t, "#only_url#"));
    EXPECT_TRUE(IsParameter(t, "A"));
    EXPECT_TRUE(IsParameter(t, "#LONG"));
    EXPECT_FALSE(IsParameter(t, "#sid#"));  // cookies are not parameters
    EXPECT_FALSE(IsParameter(t, "#doc#"));  // nor are uploads
    EXPECT_FALSE(IsParameter(t, "##"));
}

std::string echoed(void (*fill)(ResponseStream&)) {
    ResponseStream s;
    s.set_buffered(true);
    fill(s);
    std::string all;
    for (const auto& b : s.blocks()) all += b;
    return all;
}

TEST(Echo, CgiBlockListsOnlyVariablesThatAreSetAsText) {
    CgiEnvironment env(Env{{"SERVER_NAME", "www"}, {"REQUEST_METHOD", "GET"}, {"QUERY_STRING", ""},
                        {"HTTP_USER_AGENT", "<b>agent</b>"}, {"CONTENT_TYPE", "text/plain"}});
    EXPECT_EQ(echoed([](ResponseStream& s) { EchoCgiVariables(s); }),
              "<BR><B>The CGI Variables:</B><BR>Server Name=www<BR>Request Method=GET<BR>"
              "QueryString=<BR>Http_User_Agent=&lt;b&gt;agent&lt;/b&gt;<BR>Content Type=text/plain<BR>"
              "Server Port=0<BR>");
}

TEST(Echo, FormAndCookieBlocks) {
    static RequestTables t;
    t = sample_tables();
    t.vars.pop_back();
    EXPECT_EQ(echoed([](ResponseStream& s) { EchoFormVariables(t, s); }),
              "<BR><B>The URL and Form Variables:</B><BR>a=url-a<BR>only_url=u<BR>A=form-a<BR>");
    EXPECT_EQ(echoed([](ResponseStream& s) { EchoCookies(t, s); }),
              "<BR><B>The Cookie Variables:</B><BR>Sid=s1<BR>sid=s2<BR>");
    t.cookies.clear();
    EXPECT_EQ(echoed([](ResponseStream& s) { EchoCookies(t, s); }),
              "<BR><B>The Cookie Variables:</B><BR>");
}

}  // namespace
}  // namespace kavr
