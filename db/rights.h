// Per-source statement rights: which kinds of statement a data source lets
// templates run.
#pragma once
#include <string>
#include <string_view>

namespace kavr {

struct Request;
class ResponseStream;

enum StatementKind {
    kSqlSelect = 0,
    kSqlInsert = 1,
    kSqlUpdate = 2,
    kSqlDelete = 3,
    kSqlOther = 4,  // stored procedures and anything else
};

// Decided by words anywhere in the text, ignoring case, in this order:
// "update", "delete", "insert", then no "select" means other. A select that
// mentions one of the words anywhere counts as that kind.
StatementKind ClassifySql(std::string_view sql);

// The select right of the named source; refused with the error page 10410.
int CheckSelectRight(Request& request, const std::string& source, ResponseStream& out);

// The right for a statement kind: insert 10420, update 10430, delete 10440,
// other 10450 (select as CheckSelectRight). An unknown source is refused
// with the same code; with no sources configured at all the check fails
// without a page.
int CheckStatementRight(Request& request, const std::string& source, StatementKind kind,
                        ResponseStream& out);

}  // namespace kavr
