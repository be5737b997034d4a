// One accessor per CGI environment variable. Each reads the process
// environment afresh on every call; nothing is cached, so a value set by the
// web server (or by a test) is seen at once.
#pragma once
#include <optional>
#include <string>

namespace kavr {

std::optional<std::string> ServerSoftware();   // SERVER_SOFTWARE
std::optional<std::string> ServerName();       // SERVER_NAME
int ServerPort();                              // SERVER_PORT, 0 when absent
std::optional<std::string> ServerProtocol();   // SERVER_PROTOCOL
std::optional<std::string> RequestMethod();    // REQUEST_METHOD
std::optional<std::string> QueryString();      // QUERY_STRING
std::optional<std::string> ContentType();      // CONTENT_TYPE
// CONTENT_LENGTH. Only a plain run of decimal digits counts; anything else
// (empty, signs, blanks, letters) reads as 0, that is, no body. A value too
// large for a long reads as the largest long: the body is then read until
// the input ends, and memory is only ever taken as bytes arrive.
long ContentLength();
std::optional<std::string> HttpReferer();      // HTTP_REFERER
std::optional<std::string> HttpUserAgent();    // HTTP_USER_AGENT
std::optional<std::string> HttpFrom();         // HTTP_FROM
std::optional<std::string> HttpCookie();       // HTTP_COOKIE
std::optional<std::string> HttpPragma();       // HTTP_PRAGMA
std::optional<std::string> HttpAccept();       // HTTP_ACCEPT
std::optional<std::string> RemoteHost();       // REMOTE_HOST
std::optional<std::string> RemoteAddr();       // REMOTE_ADDR
std::optional<std::string> RemoteUser();       // REMOTE_USER
std::optional<std::string> RemoteIdent();      // REMOTE_IDENT
std::optional<std::string> GatewayInterface(); // GATEWAY_INTERFACE
std::optional<std::string> ScriptName();       // SCRIPT_NAME
std::optional<std::string> EnvPath();          // PATH
std::optional<std::string> PathInfo();         // PATH_INFO
std::optional<std::string> PathTranslated();   // PATH_TRANSLATED
// Shell-level variables; the template language does not reach them.
std::optional<std::string> EnvShlvl();         // SHLVL
std::optional<std::string> EnvPwd();           // PWD
std::optional<std::string> EnvLogname();       // LOGNAME
std::optional<std::string> EnvUser();          // USER
std::optional<std::string> EnvHost();          // HOST
std::optional<std::string> EnvHosttype();      // HOSTTYPE

// Digits-only conversion used for CONTENT_LENGTH (see ContentLength).
long ParseContentLength(const std::string& text);

}  // namespace kavr
