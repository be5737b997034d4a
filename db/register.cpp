#include "db/register.h"

#include "db/connection.h"
#include "db/print_engine.h"
#include "db/print_table.h"
#include "db/query_state.h"
#include "db/query_tags.h"
#include "db/query_values.h"
#include "expr/functions.h"
#include "expr/resolve.h"
#include "template/tag_table.h"
#include "driver/core/hooks.h"
#include "driver/core/request.h"
#include "db/form_dml.h"
#include "db/form_tags.h"
#include "db/rights.h"
#include "template/tag_table.h"

namespace kavr {

namespace {

// End of a request: nothing stays enlisted or current, and the request's
// database records go.
void release_queries(Request& request) {
    ReleaseRequestConnections(request);
    request.db_state.reset();
}

// Form-driven insert (1) or update (2) of the request driver: only into a
// table the data source opens to forms.
int form_insert_update(Request& request, int action) {
    if (!CheckFormTable(request, request.datasource.value_or(""), request.tablename.value_or(""),
                        action == kFormInsert ? kSqlInsert : kSqlUpdate, request.out))
        return 0;
    return FormDml(request, action, request.out);
}

}  // namespace

void RegisterDbModule() {
    g_hooks.release_data_source = ReleaseDataSource;
    g_hooks.release_queries = release_queries;
    // Form-driven inserts and updates, from a form or a template.
    g_hooks.form_insert_update = form_insert_update;
    RegisterTag("kavdbinsert", KavDbInsert);
    RegisterTag("kavdbupdate", KavDbUpdate);
    // Query tags, query values and the SQL echo.
    g_hooks.query_statements = QueryStatements;
    RegisterTag("kavdbquery", KavDbQuery);
    RegisterTag("kavdbquerymore", KavDbQueryMore);
    RegisterTag("/kavdbquery", KavDbQueryClose);
    RegisterTag("kavdbtransaction", KavDbTransaction, kTagPassesExit);
    RegisterTag("kavdbrollback", KavDbRollback);
    RegisterTag("kavprint", KavPrint);
    RegisterTag("kavprinttable", KavPrintTable);
    SetQueryColumnResolver(QueryColumnValue);
    RegisterFunction("valuelist", ValueListFunction);
    RegisterFunction("quotedvaluelist", ValueListFunction);
}

}  // namespace kavr
