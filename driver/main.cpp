// Process entry. Started by a web server as a CGI program it serves one
// request and exits 0. Started with a listening socket as its standard
// input (as web servers and spawn-fcgi start FastCGI applications), or
// with "--listen ADDRESS", it is a FastCGI worker serving request after
// request.
#include <cstring>
#include <string>

#include "driver/core/config.h"
#include "driver/core/program_dir.h"
#include "driver/fastcgi_worker.h"
#include "driver/modules.h"
#include "driver/serve_request.h"
#include "platform/env.h"
#include "platform/fastcgi.h"
#include "platform/std_streams.h"

int main(int argc, char** argv) {
    using namespace kavr;
    SetProgramInvocation(argv[0]);
    RegisterModules();

    // A CGI program receives the words of a query without "=" as its
    // arguments, so the option counts only outside a CGI run.
    bool as_cgi = platform::env_get("GATEWAY_INTERFACE") != nullptr;
    if (!as_cgi && argc == 3 && std::strcmp(argv[1], "--listen") == 0)
        return RunFastCgiWorker(argv[2]);
    if (platform::stdin_is_fastcgi_listener()) return RunFastCgiWorker(nullptr);

    g_config.loaded = false;
    ConfigLoad(true);
    ServeRequest(nullptr);
    ConfigRelease(true);
    platform::stdout_flush();
    return 0;
}
