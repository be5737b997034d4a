#include "io/resolve_file_path.h"

#include "driver/core/config.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

const char* const kWrongReadPassword = "Error: Wrong password for read on file: ";
const char* const kWrongWritePassword = "Error: Wrong password for write on file: ";
const char* const kReadDenied = "Error: Read permission denied on file: ";
const char* const kWriteDenied = "Error: You should have Read and Write permission on file: ";

bool is_read_mode(const std::string& mode) { return mode.find('r') != std::string::npos; }

int refuse(Request& r, ResponseStream& out, const char* log_text, const std::string& path,
           const char* code) {
    WriteLog(r.thread_number, 3, std::string(log_text) + path + "\n");
    ReportError(r, code, out);
    return 0;
}

int refuse_access(Request& r, ResponseStream& out, bool read, const std::string& path) {
    return read ? refuse(r, out, kReadDenied, path, "10520") : refuse(r, out, kWriteDenied, path, "10530");
}

// A name that could leave the directory it resolves under, or a path too
// long to be one: refused as a denied access, with the reason logged.
int refuse_unsafe(Request& r, ResponseStream& out, bool read, const std::string& name,
                  const char* why) {
    WriteLog(r.thread_number, 3, std::string("Error: ") + why + name + "\n");
    ReportError(r, read ? "10520" : "10530", out);
    return 0;
}

bool has_password(const std::optional<std::string>& p) { return p.has_value(); }

// Whether the entry lets this template use its file for the mode.
bool entry_grants(const FileAccessEntry& e, bool read, const TemplatePermissions& perm) {
    if (read) return e.read != 0 && perm.file_read;
    return e.read != 0 && e.write != 0 && perm.file_write;
}

int check_logical_entry(Request& r, ResponseStream& out, const FileAccessEntry& e, bool read,
                        bool moving, const std::string& password, const std::string& path) {
    if (read) {
        if (has_password(e.read_password) && *e.read_password != password)
            return refuse(r, out, kWrongReadPassword, path, "10650");
        if (!entry_grants(e, true, r.permissions)) return refuse(r, out, kReadDenied, path, "10520");
        if (moving && !entry_grants(e, false, r.permissions))
            return refuse(r, out, kWriteDenied, path, "10530");
        return 1;
    }
    if (has_password(e.write_password) && *e.write_password != password)
        return refuse(r, out, kWrongWritePassword, path, "10660");
    if (!entry_grants(e, false, r.permissions)) return refuse(r, out, kWriteDenied, path, "10530");
    return 1;
}

// The walk over the table for a path made from the template's directory.
int check_physical(Request& r, ResponseStream& out, bool read, bool moving,
                   const std::string& password, const std::string& path) {
    for (const FileAccessEntry& e : g_config.file_access) {
        if (e.physical_path.empty() || !CoversPath(e.physical_path, path)) continue;
        const std::optional<std::string>& pw = read ? e.read_password : e.write_password;
        if (has_password(pw) && *pw != password)
            return refuse(r, out, read ? kWrongReadPassword : kWrongWritePassword, path,
                          read ? "10650" : "10660");
        if (entry_grants(e, read, r.permissions) && (!moving || entry_grants(e, false, r.permissions)))
            return 1;
    }
    return refuse_access(r, out, read && !moving, path);
}

// The entry with the longest logical path covering name (first of equal
// length), or null.
const FileAccessEntry* find_logical(const std::string& name) {
    const FileAccessEntry* best = nullptr;
    for (const FileAccessEntry& e : g_config.file_access) {
        // An entry without a directory would put the name at the root.
        if (e.physical_path.empty()) continue;
        if (!StartsWithNoCase(name, e.logical_path)) continue;
        std::string_view rest = std::string_view(name).substr(e.logical_path.size());
        bool whole_segment = e.logical_path.empty() || e.logical_path.back() == '\\' ||
                             rest.empty() || rest[0] == '\\';
        if (!whole_segment) continue;
        if (!best || e.logical_path.size() > best->logical_path.size()) best = &e;
    }
    return best;
}

}  // namespace

bool HasParentSegment(const std::string& name) {
    size_t start = 0;
    for (;;) {
        size_t sep = name.find('\\', start);
        size_t end = sep == std::string::npos ? name.size() : sep;
        if (name.compare(start, end - start, "..") == 0 && end - start == 2) return true;
        if (sep == std::string::npos) return false;
        start = sep + 1;
    }
}

bool CoversPath(const std::string& prefix, const std::string& path) {
    // Physical directories are compared exactly: this system's file names
    // differ by case, so "\srv\Data" must not cover "\srv\data".
    if (prefix.empty()) return true;
    if (path.compare(0, prefix.size(), prefix) != 0) return false;
    return path.size() == prefix.size() || prefix.back() == '\\' || path[prefix.size()] == '\\';
}

namespace {

int resolve(Request& r, const std::string& name_in, std::string& physical, bool read, bool moving,
            const std::string& password, ResponseStream& out) {
    r.vars.set("CurFileName__", name_in, 0);
    std::string name = name_in;
    for (char& c : name)
        if (c == '/') c = '\\';

    // Checked before anything else, so that every such name is refused
    // with a reason, whichever form it has.
    if (HasParentSegment(name) || name.find('\0') != std::string::npos)
        return refuse_unsafe(r, out, read, name, "File name leads outside its directory: ");

    size_t dot = name.find(".\\");
    if (dot != std::string::npos) {
        if (name.find('\\') < dot) return 0;
        std::string rest = name.substr(dot + 1);
        std::string path = name.substr(0, dot) + r.template_dir + rest;
        if (path.size() > kMaxPhysicalPath)
            return refuse_unsafe(r, out, read, path, "File path too long: ");
        if (!check_physical(r, out, read, moving, password, path)) return 0;
        physical = path;
        return 1;
    }

    if (name.empty() || g_config.file_access.empty()) {
        ReportError(r, "10510", out);
        return 0;
    }
    if (name[0] != '\\') name.insert(0, 1, '\\');
    const FileAccessEntry* e = find_logical(name);
    if (!e) {
        WriteLog(r.thread_number, 3, "Error: No such Logical path defined for " + name + "\n");
        ReportError(r, "10510", out);
        return 0;
    }
    if (LogWanted(1)) WriteLog(r.thread_number, 1, "Found File's Logical Path=" + e->logical_path + "\n");
    std::string rest = name.substr(e->logical_path.size());
    std::string path = e->physical_path + rest;
    if (path.size() > kMaxPhysicalPath)
        return refuse_unsafe(r, out, read, path, "File path too long: ");
    if (!check_logical_entry(r, out, *e, read, moving, password, path)) return 0;
    physical = path;
    return 1;
}

}  // namespace

int ResolveFilePath(Request& r, const std::string& name, std::string& physical,
                    const std::string& mode, const std::string& password, ResponseStream& out) {
    return resolve(r, name, physical, is_read_mode(mode), false, password, out);
}

int ResolveFileToMove(Request& r, const std::string& name, std::string& physical,
                      const std::string& password, ResponseStream& out) {
    return resolve(r, name, physical, true, true, password, out);
}

}  // namespace kavr
