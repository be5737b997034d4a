// The configuration record: every setting of "kavri.ini" and its four
// tables, read once per process before the request starts.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/file.h"

namespace kavr {

struct UntrustedScript {
    std::string path;  // as configured, "/" turned into "\"
    int bits = 0;      // 1 file read, 2 file write, 4 database, 8 programs, 16 mail
};

struct FileAccessEntry {
    int read = 1;
    int write = 0;
    std::string logical_path;
    std::string physical_path;
    std::optional<std::string> read_password;
    std::optional<std::string> write_password;
};

struct DataSource {
    std::string name;
    std::optional<std::string> user_id;
    std::optional<std::string> password;
    int connection_time = 100;
    int select = 1, insert = 1, update = 1, del = 1, stored_procedure = 1;
    // Tables that inserts and updates started by a request's "action" may
    // write, as configured ("a,b"; "*" for every table); none when unset.
    std::string form_tables;
    // 1 lets a request's "username" choose the connection's user when no
    // user id is configured.
    int request_user = 0;
    int connected = 0;
    void* henv = nullptr;  // ODBC handles, owned by the database layer
    void* hdbc = nullptr;
    // A FastCGI worker's connection kept open from an earlier request and
    // not yet used by this one: it may have broken in between.
    bool kept = false;
};

struct Config {
    bool loaded = false;

    // [Main]
    std::string exe_path, wscgi_path, wshtml_root;
    // Charset as written (absent: utf-8, and the Content-type header names
    // no charset); utf8 is false for any single-byte character set.
    std::optional<std::string> charset;
    bool utf8 = true;
    // [Admin]
    int admin_web_form = 1, thread_timeout = 0, socket_timeout = 20;
    // Seconds a request body may pause before it counts as cut off (0 or
    // less: no limit).
    int body_timeout = 20;
    std::string admin_password, admin_ip;
    std::optional<std::string> admin_email;
    int admin_ini_password_required = 1;
    // Largest request body in bytes; 0 for no limit.
    long max_request_body = 64L * 1024 * 1024;
    // 0 shows visitors only the message of an error block; the rest goes
    // to the log.
    int error_detail = 1;
    // [Template]
    std::string tmp_extension;
    std::vector<std::string> logical_paths, physical_paths;
    std::vector<UntrustedScript> untrusted_scripts;
    // [File IO]
    std::vector<FileAccessEntry> file_access;
    // 1 leaves uploads in the temporary directory after the request.
    int keep_uploads = 0;
    // [ODBC]
    std::vector<DataSource> data_sources;
    // [KavRun]
    int kavrun_enabled = 0;
    std::optional<std::string> kavrun_password;
    // [SMTP]
    std::optional<std::string> mail_log_path, mail_spool_path, mail_error_path;
    int nbr_retrial = 1;
    // [Log]
    int log_level = 0;
    std::string log_file_path;
    int echo_cgi = 0, echo_form = 0, echo_sql = 0, echo_time = 0, echo_time_sql = 0;
    int log_append = 0, log_send_email = 0;

    // [FastCGI]: a persistent worker's limits; a CGI run does not read them.
    int fcgi_max_requests = 0;      // requests before the worker exits; 0 no limit
    int fcgi_request_timeout = 0;   // seconds one request may take; 0 no limit
    int fcgi_pool_connections = 1;  // keep database connections between requests

    std::string log_path;            // derived by PrepareLog
    platform::FileStamp file_stamp;  // of "kavri.ini" as it was read
};

extern Config g_config;

// Loads the record unless it is already loaded. With first_load the data
// source table is emptied first; otherwise its records (and connections)
// are kept and updated by name.
void ConfigLoad(bool first_load);

// Starts the log of a request as reading the configuration does:
// PrepareLog, then the trace of the reading and the version lines.
// ConfigLoad ends with it; a worker that keeps the record calls it at the
// start of every further request.
void LogConfigurationRead();

// True when "kavri.ini" is no longer the file the record was read from.
bool ConfigFileChanged();

// Frees the tables; with all, the data sources and their connections too.
void ConfigRelease(bool all);

// "/" -> "\" and one trailing separator removed, as every path key is kept.
std::string NormalizeConfigPath(std::string value);

// Path of "kavri.ini" beside the program.
std::string ConfigFilePath();

}  // namespace kavr
