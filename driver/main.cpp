// Process entry of the CGI program: configuration, one request, the mail
// spool, exit 0.
#include "driver/core/config.h"
#include "driver/core/hooks.h"
#include "driver/core/log.h"
#include "driver/core/program_dir.h"
#include "driver/core/request.h"
#include "driver/modules.h"
#include "driver/request_driver.h"
#include "platform/std_streams.h"

int main(int, char** argv) {
    using namespace kavr;
    SetProgramInvocation(argv[0]);
    RegisterModules();
    g_config.loaded = false;
    ConfigLoad(true);
    {
        Request request;
        RunRequest(request);
        platform::stdout_flush();
        if (g_hooks.flush_spool) g_hooks.flush_spool();
        ConfigRelease(true);
    }
    EndRequestLog();
    platform::stdout_flush();
    return 0;
}
