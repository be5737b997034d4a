// Built-in functions that read the site around the request: KavIniGet,
// KavIniRefresh, UploadFile, GetTempFileName and CurrentPath.
#include "cgi/temp_file_name.h"
#include "driver/core/config.h"
#include "driver/core/log.h"
#include "driver/core/report_error.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"
#include "expr/lexer.h"
#include "io/environment_functions.h"
#include "platform/profile.h"

namespace kavr {

namespace {

constexpr size_t kIniValueSize = 100;  // values up to 99 characters

struct ProductKey {
    const char* names[2];
    const char* value;
};

const ProductKey kProductKeys[] = {
    {{"KavrClientVersion", "KavrServerVersion"}, "2.1 Desktop\n"},
    {{"KavrClientCompileNbr", "KavrServerCompileNbr"}, "142\n"},
    {{"KavrServerOS", "KavrClientOS"}, "Windows NT and Windows 95\n"},
};

const char* const kIniSections[] = {"Admin", "Main", "Template", "Log", "SMTP", "ODBC", "FILE IO", "KAVRUN"};

// Reads the arguments that remain up to the closing ")"; 0 when the call
// is not well formed or an argument fails.
int skip_arguments(FunctionCall& call, int state) {
    std::string ignored;
    while (state == 1) state = call.Argument(ignored);
    return state == 2 ? 1 : 0;
}

// A call written with "()" or without parentheses at all.
int no_arguments(FunctionCall& call) {
    std::string tok;
    int cls = call.lexer.NextToken(tok);
    if (cls == kTokEnd) return 1;
    if (cls != kTokPunct || tok != "(") {
        call.lexer.PushBack(tok);
        return 1;
    }
    return skip_arguments(call, 1);
}

}  // namespace

int ProductInformation(const std::string& key, std::string& value) {
    for (const ProductKey& k : kProductKeys) {
        if (EqualsNoCase(key, k.names[0]) || EqualsNoCase(key, k.names[1])) {
            value = k.value;
            return 1;
        }
    }
    return 0;
}

std::string ConfigurationValue(const platform::ProfileFile& ini, const std::string& key) {
    std::string value;
    if (ProductInformation(key, value)) return value;
    for (const char* section : kIniSections) {
        value = ini.get(section, key, "", kIniValueSize);
        if (!value.empty()) return value;
    }
    return std::string();
}

int FnKavIniGet(FunctionCall& call) {
    Request& r = call.request;
    std::string password, key;
    if (!call.Open()) return 0;
    int state = call.Argument(password);
    if (state == 0) return 0;
    if (state == 2) {
        ReportError(r, "10720", r.out);
        WriteLog(r.thread_number, 3, "Error: Misssing Admin Password, KavIniGet failed\n");
        return 0;
    }
    state = call.Argument(key);
    if (!skip_arguments(call, state)) return 0;

    platform::ProfileFile ini;
    ini.load(ConfigFilePath());
    if (g_config.admin_ini_password_required && password != ConfigurationValue(ini, "AdminPassword")) {
        ReportError(r, "10720", r.out);
        WriteLog(r.thread_number, 3, "Error: Wrong Admin Password, KavIniGet failed\n");
        return 0;
    }
    if (!r.permissions.file_read) {
        WriteLog(r.thread_number, 3, "Error: Read permission denied on ");
        WriteLog(r.thread_number, 3, "kavri.ini");
        WriteLog(r.thread_number, 3, "\n");
        ReportError(r, "10520", r.out);
        return 0;
    }
    return call.Result(ConfigurationValue(ini, key));
}

int FnKavIniRefresh(FunctionCall& call) {
    std::string argument;
    if (!call.Open() || !skip_arguments(call, call.Argument(argument))) return 0;
    // Nothing is reloaded: the configuration is read once per request.
    platform::ProfileFile ini;
    if (!ini.load(ConfigFilePath())) return 0;
    ConfigurationValue(ini, "AdminPassword");
    return call.Result("");
}

int FnUploadFile(FunctionCall& call) {
    if (!call.Open()) return 0;
    std::string field, tok;
    call.lexer.NextToken(field);
    // The rest of the call up to its ")".
    int cls;
    while ((cls = call.lexer.NextToken(tok)) != kTokEnd && !(cls == kTokPunct && tok == ")")) {
    }
    for (const UploadEntry& u : call.request.input.uploads)
        if (EqualsNoCase(u.field_name, field)) return call.Result(u.logical_file_name);
    return 0;
}

int FnGetTempFileName(FunctionCall& call) {
    Request& r = call.request;
    if (!no_arguments(call)) return 0;
    bool configured = false;
    for (const FileAccessEntry& e : g_config.file_access)
        if (EqualsNoCase(e.logical_path, "\\temp")) configured = true;
    if (!configured) {
        WriteLog(r.thread_number, 3, "Errorr: Missing Logical and Physical Temporary Path definition in ");
        WriteLog(r.thread_number, 3, "kavri.ini");
        WriteLog(r.thread_number, 3, "\n");
        ReportError(r, "11020", r.out);
        return 0;
    }
    std::string physical, logical;
    if (!MakeUploadTempName(physical, logical)) return 0;
    return call.Result(logical);
}

int FnCurrentPath(FunctionCall& call) {
    if (!no_arguments(call)) return 0;
    return call.Result(call.request.template_dir);
}

void RegisterEnvironmentFunctions() {
    RegisterFunction("KavIniGet", FnKavIniGet);
    RegisterFunction("KavIniRefresh", FnKavIniRefresh);
    RegisterFunction("UploadFile", FnUploadFile);
    RegisterFunction("GetTempFileName", FnGetTempFileName);
    RegisterFunction("CurrentPath", FnCurrentPath);
}

}  // namespace kavr
