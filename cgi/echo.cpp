#include "cgi/echo.h"

#include <cstdio>
#include <optional>
#include <string>

#include "cgi/cgi_env.h"
#include "driver/core/text_util.h"

namespace kavr {

void EchoCgiVariables(ResponseStream& out) {
    struct Line {
        const char* label;
        std::optional<std::string> (*value)();
    };
    static const Line kLines[] = {
        {"Server Software=", ServerSoftware}, {"Server Name=", ServerName},
        {"Request Protocal=", ServerProtocol}, {"Request Method=", RequestMethod},
        {"QueryString=", QueryString},        {"Remote Host=", RemoteHost},
        {"Remote Address=", RemoteAddr},      {"Remote User=", RemoteUser},
        {"Referer=", HttpReferer},            {"RemoteIdent=", RemoteIdent},
        {"Http_User_Agent=", HttpUserAgent},  {"Http_From=", HttpFrom},
        {"Content Type=", ContentType},
    };
    out.write("<BR><B>The CGI Variables:</B><BR>");
    for (const Line& line : kLines) {
        std::optional<std::string> v = line.value();
        if (!v) continue;
        out.write(line.label);
        out.write(HtmlEscape(*v));
        out.write("<BR>");
    }
    char port[32];
    std::snprintf(port, sizeof port, "%d", ServerPort());
    out.write("Server Port=");
    out.write(port);
    out.write("<BR>");
}

// Names and values come from the visitor: written as text, never as markup,
// so that a crafted request cannot script the page it is echoed on.
static void echo_pairs(const std::vector<NameValue>& list, size_t count, ResponseStream& out) {
    for (size_t i = 0; i < count && i < list.size(); ++i) {
        out.write(HtmlEscape(list[i].name));
        out.write("=");
        out.write(HtmlEscape(list[i].value));
        out.write("<BR>");
    }
}

void EchoFormVariables(const RequestTables& t, ResponseStream& out) {
    out.write("<BR><B>The URL and Form Variables:</B><BR>");
    echo_pairs(t.vars, t.vars.size(), out);
}

void EchoCookies(const RequestTables& t, ResponseStream& out) {
    out.write("<BR><B>The Cookie Variables:</B><BR>");
    echo_pairs(t.cookies, t.cookies.size(), out);
}

}  // namespace kavr
