#include "template/template_path.h"

#include "driver/core/charset.h"
#include "driver/core/config.h"
#include "driver/core/hooks.h"
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

constexpr size_t kValueChars = 1023;

bool has_parent_segment(const std::string& value) {
    size_t start = 0;
    while (start <= value.size()) {
        size_t end = value.find_first_of("\\/", start);
        if (end == std::string::npos) end = value.size();
        if (value.compare(start, end - start, "..") == 0) return true;
        start = end + 1;
    }
    return false;
}

bool is_absolute(const std::string& value) {
    if (!value.empty() && (value[0] == '/' || value[0] == '\\')) return true;
    return value.size() >= 2 && value[1] == ':';  // a drive letter
}

void add_default_extension(std::string& path) {
    const std::string& ext = g_config.tmp_extension;
    if (path.empty()) return;
    if (path.size() == 1) {
        if (path != ".") path += '.';
        path += ext;
        return;
    }
    if (path.find('.', 1) == std::string::npos) path += "." + ext;
}

// The physical path a normalised value maps to; npos prefix when none.
struct Mapping {
    size_t entry = std::string::npos;
    std::string path;
};

Mapping map_logical(const std::string& normalized) {
    const Config& cfg = g_config;
    Mapping m;
    for (size_t i = 0; i < cfg.logical_paths.size() && i < cfg.physical_paths.size(); ++i) {
        const std::string& prefix = cfg.logical_paths[i];
        if (!StartsWithNoCase(normalized, prefix)) continue;
        if (m.entry == std::string::npos || prefix.size() > cfg.logical_paths[m.entry].size())
            m.entry = i;
    }
    if (m.entry == std::string::npos) {
        m.path = normalized;
        return m;
    }
    m.path = cfg.physical_paths[m.entry] + normalized.substr(cfg.logical_paths[m.entry].size());
    add_default_extension(m.path);
    CutText(m.path, kValueChars);
    return m;
}

}  // namespace

std::string NormalizeTemplateValue(Request& request, const std::string& value) {
    std::string v(CutView(value, kValueChars));
    if (g_hooks.substitute) g_hooks.substitute(request, v, kValueChars + 1);
    if (v.empty() || (v[0] != '/' && v[0] != '\\')) v.insert(0, "\\");
    for (char& c : v)
        if (c == '/') c = '\\';
    return v;
}

void DeriveTemplatePermissions(Request& request, const std::string& value) {
    std::string v = NormalizeTemplateValue(request, value);
    // The same file can be named in several ways ("x" and "x.kvl", "/a/x"
    // and "a/x"), so an entry also matches when it maps to the same file.
    std::string file = map_logical(v).path;
    request.permissions = TemplatePermissions();
    for (const UntrustedScript& s : g_config.untrusted_scripts) {
        if (!EqualsNoCase(s.path, v) && !EqualsNoCase(map_logical(s.path).path, file)) continue;
        TemplatePermissions& p = request.permissions;
        p.file_read = s.bits & 1;
        p.file_write = s.bits & 2;
        p.database = s.bits & 4;
        p.run_programs = s.bits & 8;
        p.mail = s.bits & 16;
        return;
    }
}

ResolvedTemplate ResolveTemplatePath(Request& request, const std::string& value) {
    ResolvedTemplate t;
    const Config& cfg = g_config;
    if (cfg.logical_paths.empty()) {
        t.path = std::string(CutView(value, kValueChars));
        if (has_parent_segment(value)) {
            t.refused = true;
            t.reason = "it holds a \"..\" segment";
        } else if (is_absolute(value)) {
            t.refused = true;
            t.reason = "absolute paths are not served while no logical template path is configured";
        }
        return t;
    }
    std::string v = NormalizeTemplateValue(request, value);
    Mapping m = map_logical(v);
    t.path = m.path;
    if (has_parent_segment(v)) {
        t.refused = true;
        t.reason = "it holds a \"..\" segment";
    } else if (m.entry == std::string::npos) {
        t.refused = true;
        t.reason = "it matches no logical template path";
    } else {
        WriteLog(request.thread_number, 1, "Found Template Path=");
        WriteLog(request.thread_number, 1, cfg.logical_paths[m.entry]);
        WriteLog(request.thread_number, 1, " , ");
        WriteLog(request.thread_number, 1, cfg.physical_paths[m.entry]);
        WriteLog(request.thread_number, 1, "\n");
    }
    // A production site does not show its directories: the catalog then
    // names the template as the request did.
    request.vars.set("CurTemplateName__", cfg.error_detail ? t.path : value.substr(0, kValueChars), 0);
    return t;
}

bool InsideTemplateDirectory(const std::string& path) {
    std::string p = NormalizeConfigPath(path);
    if (has_parent_segment(p)) return false;
    // Compared byte for byte: on a file system that tells cases apart, a
    // differently written directory is another directory.
    for (const std::string& dir : g_config.physical_paths)
        if (p.size() > dir.size() + 1 && p.compare(0, dir.size(), dir) == 0 && p[dir.size()] == '\\') return true;
    return false;
}

std::string TemplateDirectory(const std::string& resolved) {
    size_t last = resolved.find_last_of("\\/");
    if (last == std::string::npos) {
        size_t colon = resolved.find(':');
        return colon == std::string::npos ? std::string() : resolved.substr(0, colon + 1);
    }
    std::string dir = resolved.substr(0, last);
    for (char& c : dir)
        if (c == '/') c = '\\';
    return dir;
}

void LogTemplateRefusal(const Request& request, const ResolvedTemplate& t) {
    WriteLog(request.thread_number, 3, "Error: Refused template path ");
    WriteLog(request.thread_number, 3, t.path);
    WriteLog(request.thread_number, 3, ": ");
    WriteLog(request.thread_number, 3, t.reason);
    WriteLog(request.thread_number, 3, "\n");
}

}  // namespace kavr
