#include "driver/serve_request.h"

#include "driver/core/hooks.h"
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/request_driver.h"
#include "platform/std_streams.h"

namespace kavr {

void ServeRequest(void (*end_response)()) {
    {
        Request request;
        RunRequest(request);
    }
    platform::stdout_flush();
    if (end_response) end_response();
    if (g_hooks.flush_spool) g_hooks.flush_spool();
    EndRequestLog();
}

}  // namespace kavr
