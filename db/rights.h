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

// Inserts and updates that a request starts with its "action" field (no
// template involved) may write only the tables that the data source's
// form table list names ("*" names every table). A refusal is logged with
// data source and table and reported as the kind's right (10420, 10430).
int CheckFormTable(Request& request, const std::string& source, const std::string& table,
                   StatementKind kind, ResponseStream& out);

// True when the comma-separated list names the table ("*" names all);
// names compare without regard to case, blanks around them ignored.
bool ListNamesTable(std::string_view list, std::string_view table);

}  // namespace kavr
