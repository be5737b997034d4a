#include "driver/core/config.h"

#include <cctype>
#include <climits>
#include <cstring>
#include <string>

#include "driver/core/charset.h"
#include "driver/core/hooks.h"
#include "driver/core/log.h"
#include "driver/core/program_dir.h"
#include "driver/core/text_util.h"
#include "driver/core/version.h"
#include "platform/profile.h"

namespace kavr {

Config g_config;

namespace {

constexpr size_t kValueBuffer = 1024;  // every key is read through this size
constexpr size_t kPathChars = 259;
constexpr size_t kCharsetChars = 40;  // goes into the Content-type header

class Reader {
public:
    explicit Reader(const platform::ProfileFile& f) : f_(f) {}

    // The value, or "" when missing; values are cut at 1023 characters
    // (before a character that would not fit whole).
    std::string text(const char* section, const std::string& key) const {
        std::string v = f_.get(section, key, "", kValueBuffer + 3);
        CutToSize(v, kValueBuffer);
        return v;
    }
    void text(const char* section, const std::string& key, std::string& field,
              size_t max_chars = kValueBuffer - 1) const {
        std::string v = text(section, key);
        if (v.empty()) return;
        CutText(v, max_chars);
        field = v;
    }
    void opt_text(const char* section, const std::string& key,
                  std::optional<std::string>& field) const {
        std::string v = text(section, key);
        if (!v.empty()) field = v;
    }
    void path(const char* section, const std::string& key, std::string& field,
              size_t max_chars = kValueBuffer - 1) const {
        std::string v = text(section, key);
        if (v.empty()) return;
        v = NormalizeConfigPath(v);
        CutText(v, max_chars);
        field = v;
    }
    void opt_path(const char* section, const std::string& key,
                  std::optional<std::string>& field) const {
        std::string v = text(section, key);
        if (!v.empty()) field = NormalizeConfigPath(v);
    }
    // "%d" reading: text that does not start with a number keeps the value.
    void integer(const char* section, const std::string& key, int& field) const {
        std::string v = text(section, key);
        if (!v.empty()) ParseLeadingInt(v, field);
    }
    void long_integer(const char* section, const std::string& key, long& field) const {
        std::string v = text(section, key);
        if (!v.empty()) ParseLeadingLong(v, field);
    }

private:
    const platform::ProfileFile& f_;
};

std::string indexed(const char* stem, int n) { return stem + std::to_string(n); }

void read_logical_paths(const Reader& r, Config& c) {
    for (int n = 1;; ++n) {
        std::string logical = r.text("Template", indexed("TmpLogicalPath", n));
        if (logical.empty()) break;
        c.logical_paths.push_back(NormalizeConfigPath(logical));
        std::string physical = r.text("Template", indexed("TmpPhysicalPath", n));
        if (!physical.empty()) c.physical_paths.push_back(NormalizeConfigPath(physical));
    }
}

void read_untrusted_scripts(const Reader& r, Config& c) {
    for (int n = 1;; ++n) {
        std::string path = r.text("Template", indexed("UntrustedScript", n));
        if (path.empty()) break;
        UntrustedScript s;
        s.path = NormalizeConfigPath(path);
        r.integer("Template", indexed("UntrustedScriptAllowOnly", n), s.bits);
        c.untrusted_scripts.push_back(s);
    }
}

void read_file_access(const Reader& r, Config& c) {
    for (int n = 1;; ++n) {
        std::string logical = r.text("File IO", indexed("FileIOLogicalPath", n));
        if (logical.empty()) break;
        c.file_access.emplace_back();
        FileAccessEntry& e = c.file_access.back();
        e.logical_path = NormalizeConfigPath(logical);
        std::string physical = r.text("File IO", indexed("FileIOPhysicalPath", n));
        if (physical.empty()) break;
        e.physical_path = NormalizeConfigPath(physical);
        std::string rd = r.text("File IO", indexed("FileRead", n));
        if (rd.empty()) break;
        ParseLeadingInt(rd, e.read);
        std::string wr = r.text("File IO", indexed("FileWrite", n));
        if (wr.empty()) break;
        ParseLeadingInt(wr, e.write);
        r.opt_text("File IO", indexed("FileReadPassword", n), e.read_password);
        r.opt_text("File IO", indexed("FileWritePassword", n), e.write_password);
    }
}

void read_data_sources(const Reader& r, Config& c) {
    for (int n = 1;; ++n) {
        std::string name = r.text("ODBC", indexed("SQLDataSource", n));
        if (name.empty()) break;
        DataSource* ds = nullptr;
        for (DataSource& d : c.data_sources)
            if (EqualsNoCase(d.name, name)) ds = &d;
        if (!ds) {
            c.data_sources.emplace_back();
            ds = &c.data_sources.back();
            ds->name = name;
        }
        r.opt_text("ODBC", indexed("SQLUserID", n), ds->user_id);
        r.opt_text("ODBC", indexed("SQLPassword", n), ds->password);
        r.integer("ODBC", indexed("SQLConnectionTime", n), ds->connection_time);
        r.integer("ODBC", indexed("SQL_Select", n), ds->select);
        r.integer("ODBC", indexed("SQL_Insert", n), ds->insert);
        r.integer("ODBC", indexed("SQL_Update", n), ds->update);
        r.integer("ODBC", indexed("SQL_Delete", n), ds->del);
        r.integer("ODBC", indexed("SQL_SP", n), ds->stored_procedure);
        r.text("ODBC", indexed("SQLFormTables", n), ds->form_tables);
        r.integer("ODBC", indexed("SQLRequestUser", n), ds->request_user);
    }
}

// "utf-8" (or "utf8", in any case) is the character set of the default;
// any other name is a single-byte character set, with the byte behaviour.
// The name is kept up to its first character that cannot be part of a
// header token.
void read_charset(const Reader& r, Config& c) {
    r.opt_text("Main", "Charset", c.charset);
    if (!c.charset) return;
    std::string& name = *c.charset;
    size_t end = 0;
    while (end < name.size() && end < kCharsetChars &&
           (std::isalnum(static_cast<unsigned char>(name[end])) || std::strchr("-_.:+", name[end])))
        ++end;
    name.resize(end);
    if (name.empty()) c.charset.reset();
    c.utf8 = !c.charset || EqualsNoCase(*c.charset, "utf-8") || EqualsNoCase(*c.charset, "utf8");
}

void reset_to_defaults(Config& c, bool first_load) {
    std::vector<DataSource> keep;
    if (!first_load) keep.swap(c.data_sources);
    c = Config();
    c.data_sources.swap(keep);
    c.loaded = true;
    c.exe_path = "c:\\dba\\bin";
    c.wscgi_path = "c:\\website\\cgi-shl";
    c.wshtml_root = "c:\\website\\htdocs";
    c.admin_ip = "x.x.x.x";
    c.tmp_extension = "kvl";
    c.log_file_path = "c:\\dba\\log";
}

}  // namespace

std::string NormalizeConfigPath(std::string value) {
    for (char& ch : value)
        if (ch == '/') ch = '\\';
    if (!value.empty() && value.back() == '\\') value.pop_back();
    return value;
}

std::string ConfigFilePath() { return ProgramDirectory() + "\\kavri.ini"; }

void ConfigLoad(bool first_load) {
    Config& c = g_config;
    if (c.loaded) return;
    reset_to_defaults(c, first_load);

    // Stamped before reading: a change while it is read shows next time.
    c.file_stamp = platform::file_stamp(ConfigFilePath());
    platform::ProfileFile file;
    file.load(ConfigFilePath());
    Reader r(file);

    read_charset(r, c);  // first: it decides how the other values are cut
    r.path("Main", "EXEPath", c.exe_path, kPathChars);
    r.path("Main", "WSCGIPath", c.wscgi_path, kPathChars);
    r.path("Main", "WSHTMLRoot", c.wshtml_root, kPathChars);
    r.integer("Admin", "AdminWebForm", c.admin_web_form);
    r.integer("Admin", "KavThreadTimeout", c.thread_timeout);
    r.integer("Admin", "SocketTimeout", c.socket_timeout);
    r.integer("Admin", "BodyTimeout", c.body_timeout);
    r.text("Admin", "AdminPassword", c.admin_password, 49);
    r.text("Admin", "AdminIP", c.admin_ip, 41);
    r.opt_text("Admin", "AdminEmail", c.admin_email);
    r.text("Template", "TmpExtension", c.tmp_extension, 11);
    r.integer("Admin", "AdminIniPasswordRequired", c.admin_ini_password_required);
    r.long_integer("Admin", "MaxRequestBody", c.max_request_body);
    r.integer("Admin", "ErrorDetail", c.error_detail);
    r.integer("File IO", "FileKeepUploads", c.keep_uploads);
    r.integer("KavRun", "KavRunEnabled", c.kavrun_enabled);
    r.opt_text("KavRun", "KavRunPassword", c.kavrun_password);
    r.opt_path("SMTP", "MailLogPath", c.mail_log_path);
    r.opt_path("SMTP", "MailSpoolPath", c.mail_spool_path);
    r.opt_path("SMTP", "MailErrorPath", c.mail_error_path);
    r.integer("SMTP", "NbrRetrial", c.nbr_retrial);

    read_logical_paths(r, c);
    read_untrusted_scripts(r, c);
    read_file_access(r, c);
    read_data_sources(r, c);

    r.integer("Log", "LogLevel", c.log_level);
    r.path("Log", "LogFilePath", c.log_file_path, kPathChars);
    r.integer("Log", "EchoCGI", c.echo_cgi);
    r.integer("Log", "EchoForm", c.echo_form);
    r.integer("Log", "EchoSQL", c.echo_sql);
    r.integer("Log", "EchoTime", c.echo_time);
    r.integer("Log", "EchoTimeSQL", c.echo_time_sql);
    r.integer("Log", "LogAppend", c.log_append);
    r.integer("Log", "LogSendEmail", c.log_send_email);

    r.integer("FastCGI", "MaxRequests", c.fcgi_max_requests);
    r.integer("FastCGI", "RequestTimeout", c.fcgi_request_timeout);
    r.integer("FastCGI", "PoolConnections", c.fcgi_pool_connections);

    LogConfigurationRead();
}

bool ConfigFileChanged() { return platform::file_stamp(ConfigFilePath()) != g_config.file_stamp; }

void LogConfigurationRead() {
    PrepareLog();
    WriteLog(0, 1, "Finish reading ");
    WriteLog(0, 1, "kavri.ini");
    WriteLog(0, 1, "\n");
    std::string version = std::string(kProductName) + " version " + kProductVersion +
                          ", compile " + kCompileNumber + ", released " + kReleaseDate +
                          ", for " + kOperatingSystem + "\n";
    WriteLog(0, 3, version);
}

void ConfigRelease(bool all) {
    Config& c = g_config;
    if (all) {
        for (DataSource& d : c.data_sources)
            if (d.connected && g_hooks.release_data_source) g_hooks.release_data_source(d);
        c.data_sources.clear();
    }
    std::vector<DataSource> keep;
    keep.swap(c.data_sources);
    c = Config();
    c.data_sources.swap(keep);
}

}  // namespace kavr
