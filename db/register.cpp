#include "db/register.h"

#include "db/connection.h"
#include "driver/core/hooks.h"
#include "driver/core/request.h"

namespace kavr {

namespace {

// End of a request: nothing stays enlisted or current, and the request's
// database records go.
void release_queries(Request& request) {
    ReleaseRequestConnections(request);
    request.db_state.reset();
}

}  // namespace

void RegisterDbModule() {
    g_hooks.release_data_source = ReleaseDataSource;
    g_hooks.release_queries = release_queries;
}

}  // namespace kavr
