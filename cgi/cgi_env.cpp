#include "cgi/cgi_env.h"

#include <climits>

#include "driver/core/text_util.h"
#include "platform/env.h"

namespace kavr {

static std::optional<std::string> env(const char* name) {
    const char* v = platform::env_get(name);
    if (!v) return std::nullopt;
    return std::string(v);
}

std::optional<std::string> ServerSoftware() { return env("SERVER_SOFTWARE"); }
std::optional<std::string> ServerName() { return env("SERVER_NAME"); }
std::optional<std::string> ServerProtocol() { return env("SERVER_PROTOCOL"); }
std::optional<std::string> RequestMethod() { return env("REQUEST_METHOD"); }
std::optional<std::string> QueryString() { return env("QUERY_STRING"); }
std::optional<std::string> ContentType() { return env("CONTENT_TYPE"); }
std::optional<std::string> HttpReferer() { return env("HTTP_REFERER"); }
std::optional<std::string> HttpUserAgent() { return env("HTTP_USER_AGENT"); }
std::optional<std::string> HttpFrom() { return env("HTTP_FROM"); }
std::optional<std::string> HttpCookie() { return env("HTTP_COOKIE"); }
std::optional<std::string> HttpPragma() { return env("HTTP_PRAGMA"); }
std::optional<std::string> HttpAccept() { return env("HTTP_ACCEPT"); }
std::optional<std::string> RemoteHost() { return env("REMOTE_HOST"); }
std::optional<std::string> RemoteAddr() { return env("REMOTE_ADDR"); }
std::optional<std::string> RemoteUser() { return env("REMOTE_USER"); }
std::optional<std::string> RemoteIdent() { return env("REMOTE_IDENT"); }
std::optional<std::string> GatewayInterface() { return env("GATEWAY_INTERFACE"); }
std::optional<std::string> ScriptName() { return env("SCRIPT_NAME"); }
std::optional<std::string> EnvPath() { return env("PATH"); }
std::optional<std::string> PathInfo() { return env("PATH_INFO"); }
std::optional<std::string> PathTranslated() { return env("PATH_TRANSLATED"); }
std::optional<std::string> EnvShlvl() { return env("SHLVL"); }
std::optional<std::string> EnvPwd() { return env("PWD"); }
std::optional<std::string> EnvLogname() { return env("LOGNAME"); }
std::optional<std::string> EnvUser() { return env("USER"); }
std::optional<std::string> EnvHost() { return env("HOST"); }
std::optional<std::string> EnvHosttype() { return env("HOSTTYPE"); }

int ServerPort() {
    int port = 0;
    const char* v = platform::env_get("SERVER_PORT");
    if (v && ParseLeadingInt(v, port)) return port;
    return 0;
}

long ParseContentLength(const std::string& text) {
    if (text.empty()) return 0;
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        int digit = c - '0';
        if (value > (LONG_MAX - digit) / 10) {
            value = LONG_MAX;  // keep scanning: a later non-digit still means "not a number"
            continue;
        }
        value = value * 10 + digit;
    }
    return value;
}

long ContentLength() {
    const char* v = platform::env_get("CONTENT_LENGTH");
    return v ? ParseContentLength(v) : 0;
}

}  // namespace kavr
