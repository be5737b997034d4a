// Calls from the request core up into layers built on top of it. Each higher
// layer fills its entries once at start-up; an empty entry means the layer
// is not part of this program.
#pragma once
#include <string>
#include <vector>

namespace kavr {

struct Request;
struct DataSource;
class ResponseStream;

struct Hooks {
    // Replaces #name# references in a catalog text (capacity in bytes,
    // text cut to capacity - 1). 0 when a reference cannot be evaluated.
    int (*substitute)(Request&, std::string& text, size_t capacity) = nullptr;
    // Sets the context variables that say where the template failed
    // ("CurTagLine__"), just before an error is reported.
    void (*failure_context)(Request&) = nullptr;
    // Queues the administrator's error mail; 0 when a spool step fails.
    int (*queue_error_mail)(Request&, const std::string& to, const std::string& code) = nullptr;
    // Resolves and runs the request's template, header and body included.
    int (*run_template)(Request&) = nullptr;
    // Form-driven insert (1) or update (2).
    int (*form_insert_update)(Request&, int action) = nullptr;
    // Delivers the mail spool once the response is complete.
    void (*flush_spool)() = nullptr;
    // Texts of the open query statements, for the SQL echo.
    void (*query_statements)(Request&, std::vector<std::string>& out) = nullptr;
    // Closes the files and connections a template left open, at the end of
    // a request (while the log is still there to record it).
    void (*release_io)(Request&) = nullptr;
    // Releases query contexts and recorded statements at the end of a request.
    void (*release_queries)(Request&) = nullptr;
    // Disconnects and frees a connected data source.
    void (*release_data_source)(DataSource&) = nullptr;
    // The gate for every file a template names: logical (or ".\" relative)
    // name to physical path, for mode "r" (read) or "w"/"a+" (write), with
    // the file access table's flags and passwords and the template's
    // permissions. 1 with the path; 0 when refused (reported on out, except
    // for a relative name with a "\" before its ".\").
    int (*resolve_file_path)(Request&, const std::string& name, std::string& physical,
                             const std::string& mode, const std::string& password,
                             ResponseStream& out) = nullptr;
};

extern Hooks g_hooks;

}  // namespace kavr
