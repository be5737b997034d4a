// The one object of a request. Built in three layers: the database layer
// (log number, query state, timings, variables), the form layer (decoded
// input and the response stream) and the template layer (late headers and
// the running template's permissions).
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/core/response_stream.h"
#include "driver/core/upload_files.h"
#include "driver/core/var_store.h"

namespace kavr {

// State a higher layer keeps in the request (query contexts, open files,
// sockets); destroyed with the request.
struct ModuleState {
    virtual ~ModuleState() = default;
};

struct NameValue {
    std::string name;
    std::string value;
};

struct UploadEntry {
    std::string field_name;
    std::string browser_file_name;
    std::string logical_file_name;
};

// Decoded request input. vars[0, url_count) came from the query string,
// vars[url_count, form_end) from the body.
struct RequestTables {
    static constexpr size_t kMaxVars = 512;
    static constexpr size_t kMaxCookies = 256;
    static constexpr size_t kMaxUploads = 64;

    std::vector<NameValue> vars;
    size_t url_count = 0;
    size_t form_end = 0;
    std::vector<NameValue> cookies;
    std::vector<UploadEntry> uploads;
    UploadFiles upload_files;     // removed with the request
    bool body_too_large = false;  // refused by MaxRequestBody, nothing read
};

struct TemplatePermissions {
    bool file_read = true;
    bool file_write = true;
    bool database = true;
    bool run_programs = true;
    bool mail = true;
};

enum ActionCode { kActionNone = -1, kActionInsert = 1, kActionUpdate = 2, kActionQuery = 10 };

struct RequestDbLayer {
    int thread_number = 0;
    std::vector<std::string> sql_texts;  // statements recorded for the echo
    long connection_ms = 0;
    long execution_ms = 0;
    int in_transaction = 0;
    VarStore vars;
    bool var_exist_check = true;
    bool parameter_probe = false;  // set while ParameterExists evaluates its argument
    std::unique_ptr<ModuleState> db_state;

    RequestDbLayer() = default;
    RequestDbLayer(const RequestDbLayer&) = delete;
    RequestDbLayer& operator=(const RequestDbLayer&) = delete;
};

struct RequestFormLayer : RequestDbLayer {
    RequestTables input;
    ResponseStream out;
    std::optional<std::string> datasource, tablename, tableowner, tablequalifier, username,
        formfields, nextpage;
    std::optional<std::string> template_path;  // resolved physical path
    bool template_refused = false;              // the value would leave the site
    std::string template_refusal;               // why, for the log
    int action = kActionNone;
};

struct Request : RequestFormLayer {
    std::string pending_location;
    std::string pending_cookie;
    TemplatePermissions permissions;
    std::string template_dir;
    std::unique_ptr<ModuleState> io_state;
    std::unique_ptr<ModuleState> template_state;
};

}  // namespace kavr
