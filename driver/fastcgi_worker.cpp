#include "driver/fastcgi_worker.h"

#include <string>

#include "db/connection.h"
#include "driver/core/config.h"
#include "driver/core/log.h"
#include "driver/serve_request.h"
#include "mail/spool.h"
#include "platform/append_file.h"
#include "platform/fastcgi.h"
#include "platform/std_streams.h"
#include "platform/watchdog.h"

namespace kavr {

namespace {

platform::FastCgiServer* g_server = nullptr;
platform::Watchdog* g_watchdog = nullptr;
int g_timeout_seconds = 0;  // of the request that runs now

// The time limit covers the response; the mail spool is flushed after it,
// under the SMTP time-outs of its own.
void end_response() {
    g_server->finish();
    g_watchdog->disarm();
}

// Called on the watchdog's thread when a request outlives its time; the
// process ends right after. The request may be inside the log, so the line
// goes to the file by a write of its own.
void on_request_timeout() {
    std::string why = "Error: Request time limit of " + std::to_string(g_timeout_seconds) +
                      " seconds reached, the FastCGI worker exits\n";
    if (LogWanted(3) && !g_config.log_path.empty()) {
        platform::AppendFile log;
        if (log.open(g_config.log_path, false)) log.write(why);
    }
    platform::stderr_write("kavr: " + why);
}

// The configuration is read for the first request and again whenever the
// file changed; otherwise only the log is started, as a fresh read does.
void prepare_configuration() {
    if (g_config.loaded && !ConfigFileChanged()) {
        LogConfigurationRead();
        return;
    }
    if (g_config.loaded) ConfigRelease(true);  // closes the kept connections too
    g_config.loaded = false;
    ConfigLoad(true);
}

// What a new process would start with and a request may have changed (the
// log's line state ends with each request's log).
void reset_process_state() { g_spool_counters = SpoolCounters(); }

// Kept connections are reset for the next request, or all closed when
// pooling is switched off.
void end_request_connections() {
    for (DataSource& ds : g_config.data_sources) {
        if (g_config.fcgi_pool_connections)
            ResetPooledConnection(ds);
        else
            ReleaseDataSource(ds);
    }
}

}  // namespace

int RunFastCgiWorker(const char* address) {
    platform::FastCgiServer server;
    std::string why;
    bool listening = address ? server.listen_on(address, why) : server.listen_on_stdin();
    if (!listening) {
        platform::stderr_write("kavr: " + (why.empty() ? std::string("cannot serve FastCGI") : why) +
                               "\n");
        return 1;
    }
    platform::Watchdog watchdog(on_request_timeout);
    g_server = &server;
    g_watchdog = &watchdog;
    long served = 0;
    while (server.accept()) {
        prepare_configuration();
        reset_process_state();
        g_timeout_seconds = g_config.fcgi_request_timeout;
        watchdog.arm(g_timeout_seconds > 0 ? g_timeout_seconds * 1000L : 0);
        ServeRequest(end_response);
        end_request_connections();
        ++served;
        if (g_config.fcgi_max_requests > 0 && served >= g_config.fcgi_max_requests) break;
    }
    server.finish();
    ConfigRelease(true);
    g_server = nullptr;
    g_watchdog = nullptr;
    return 0;
}

}  // namespace kavr
