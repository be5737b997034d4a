#include "cgi/scopes.h"

#include <cstdio>
#include <optional>
#include <unordered_map>

#include "cgi/cgi_env.h"
#include "driver/core/charset.h"
#include "driver/core/text_util.h"

namespace kavr {

static void copy_cut(const std::string& value, std::string& out, size_t size) {
    out.assign(CutView(value, size == 0 ? 0 : size - 1));
}

static const NameValue* find_in(const std::vector<NameValue>& list, size_t from, size_t to,
                                const std::string& name) {
    if (to > list.size()) to = list.size();
    for (size_t i = from; i < to; ++i)
        if (EqualsNoCase(list[i].name, name)) return &list[i];
    return nullptr;
}

using EnvText = std::optional<std::string> (*)();

struct CgiName {
    const char* name;
    EnvText text;  // null for the numeric and the fixed entries
};

static const CgiName kCgiNames[] = {
    {"server_software", ServerSoftware}, {"server_name", ServerName},
    {"server_port", nullptr},            {"request_protocal", ServerProtocol},
    {"request_method", RequestMethod},   {"http_user_agent", HttpUserAgent},
    {"http_from", HttpFrom},             {"query_string", QueryString},
    {"referer", HttpReferer},            {"remote_host", RemoteHost},
    {"http_host", nullptr},              {"remote_addr", RemoteAddr},
    {"remote_user", RemoteUser},         {"content_type", ContentType},
    {"content_length", nullptr},
};

// The entries by name, so that the many names that are not CGI names
// cost one hash each.
static const CgiName* find_cgi_name(const std::string& name) {
    using Table = std::unordered_map<std::string_view, const CgiName*, NoCaseHash, NoCaseEqual>;
    static const Table by_name = [] {
        Table m;
        for (const CgiName& entry : kCgiNames) m.emplace(entry.name, &entry);
        return m;
    }();
    auto it = by_name.find(name);
    return it == by_name.end() ? nullptr : it->second;
}

bool CgiLookup(const std::string& name, std::string& out, size_t size) {
    if (const CgiName* found = find_cgi_name(name)) {
        const CgiName& entry = *found;
        std::string value;
        char num[32];
        if (entry.text) {
            value = entry.text().value_or("");
        } else if (EqualsNoCase(name, "server_port")) {
            std::snprintf(num, sizeof num, "%d", ServerPort());
            value = num;
        } else if (EqualsNoCase(name, "content_length")) {
            std::snprintf(num, sizeof num, "%ld", ContentLength());
            value = num;
        }  // "http_host" is always empty
        copy_cut(value, out, size);
        return true;
    }
    return false;
}

bool UrlLookup(const RequestTables& t, const std::string& name, std::string& out, size_t size) {
    const NameValue* nv = find_in(t.vars, 0, t.url_count, name);
    if (!nv) return false;
    copy_cut(nv->value, out, size);
    return true;
}

bool FormLookup(const RequestTables& t, const std::string& name, std::string& out, size_t size) {
    if (const NameValue* nv = find_in(t.vars, t.url_count, t.form_end, name)) {
        copy_cut(nv->value, out, size);
        return true;
    }
    for (const UploadEntry& up : t.uploads) {
        if (EqualsNoCase(up.field_name, name)) {
            copy_cut(up.browser_file_name, out, size);
            return true;
        }
    }
    return false;
}

bool CookieLookup(const RequestTables& t, const std::string& name, std::string& out,
                  size_t size) {
    const NameValue* nv = find_in(t.cookies, 0, t.cookies.size(), name);
    if (!nv) return false;
    copy_cut(nv->value, out, size);
    return true;
}

bool IsParameter(const RequestTables& t, const std::string& name) {
    std::string bare = name;
    if (!bare.empty() && bare.front() == '#') bare.erase(0, 1);
    if (!bare.empty() && bare.back() == '#') bare.pop_back();
    return find_in(t.vars, t.url_count, t.form_end, bare) || find_in(t.vars, 0, t.url_count, bare);
}

}  // namespace kavr
