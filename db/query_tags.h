// The query tags: kavdbquery, kavdbquerymore, the closing kavdbquery,
// kavdbtransaction and kavdbrollback.
#pragma once

namespace kavr {

struct TagCall;

int KavDbQuery(TagCall& call);
int KavDbQueryMore(TagCall& call);
int KavDbQueryClose(TagCall& call);
int KavDbTransaction(TagCall& call);
int KavDbRollback(TagCall& call);

}  // namespace kavr
