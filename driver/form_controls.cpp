#include "driver/form_controls.h"

#include <cstdio>

#include "cgi/scopes.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "platform/clock.h"
#include "template/template_path.h"

namespace kavr {

namespace {

constexpr size_t kCgiValueSize = 1024;

void set_action(Request& r, const std::string& value) {
    if (EqualsNoCase(value, "insert")) r.action = kActionInsert;
    else if (EqualsNoCase(value, "update")) r.action = kActionUpdate;
    else if (EqualsNoCase(value, "query")) r.action = kActionQuery;
}

void store_template(Request& r, const std::string& value) {
    DeriveTemplatePermissions(r, value);
    ResolvedTemplate t = ResolveTemplatePath(r, value);
    r.template_path = t.path;
    r.template_refused = t.refused;
    r.template_refusal = t.reason;
    r.template_dir = TemplateDirectory(t.path);
}

void store_reserved(Request& r, const NameValue& v) {
    const std::string& n = v.name;
    if (EqualsNoCase(n, "datasource")) r.datasource = v.value;
    else if (EqualsNoCase(n, "tablename")) r.tablename = v.value;
    else if (EqualsNoCase(n, "tableowner")) r.tableowner = v.value;
    else if (EqualsNoCase(n, "tablequalifier")) r.tablequalifier = v.value;
    else if (EqualsNoCase(n, "username")) r.username = v.value;
    else if (EqualsNoCase(n, "formfields")) r.formfields = v.value;
    else if (EqualsNoCase(n, "nextpage")) r.nextpage = v.value;
    else if (EqualsNoCase(n, "action")) set_action(r, v.value);
    else if (EqualsNoCase(n, "template") || EqualsNoCase(n, "script") || EqualsNoCase(n, "code"))
        store_template(r, v.value);
}

// "currentdate()" and its kin become the local date and time.
bool replace_current_time(std::string& value) {
    platform::LocalTime t = platform::local_time();
    char buf[32];
    if (EqualsNoCase(value, "currentdate()"))
        snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
    else if (EqualsNoCase(value, "currenttime()"))
        snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    else if (EqualsNoCase(value, "currentdatetime()"))
        snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                 t.minute, t.second);
    else
        return false;
    value = buf;
    return true;
}

// A value that reads as "cgi" "." name becomes that CGI variable.
void replace_cgi_reference(std::string& value) {
    // Cheap test first: most values are not CGI references, and the lexer
    // would copy the whole value.
    size_t first = value.find_first_not_of(" \t\r\n");
    if (first == std::string::npos || !StartsWithNoCase(std::string_view(value).substr(first), "cgi"))
        return;
    Lexer lex(value, -1);
    std::string tok;
    if (lex.NextToken(tok) != kTokIdent || !EqualsNoCase(tok, "cgi")) return;
    if (lex.NextToken(tok) != kTokPunct || tok != ".") return;
    std::string name;
    if (lex.NextToken(name) == kTokEnd) return;
    std::string found;
    if (CgiLookup(name, found, kCgiValueSize)) value = found;
}

}  // namespace

void ApplyFormControls(Request& r) {
    for (NameValue& v : r.input.vars) {
        store_reserved(r, v);
        if (!replace_current_time(v.value)) replace_cgi_reference(v.value);
    }
}

}  // namespace kavr
