// Form-driven inserts and updates: a row written from the request's fields
// into the table the request names, with a statement built from the
// table's columns and primary key and run with the data source's rights.
// The request driver runs it for the actions insert and update; the tags
// kavdbinsert and kavdbupdate run it from a template.
#pragma once
#include <string_view>

namespace kavr {

struct Request;
class ResponseStream;

// Statement kinds of form DML (the request's action codes).
enum FormDmlKind { kFormInsert = 1, kFormUpdate = 2 };

// A table name that can stand unquoted in a statement: a letter or "_",
// then letters, digits or "_".
bool IsPlainTableName(std::string_view name);

// Runs an insert or update from the request's data source, table name,
// field list and user. Failures are on out and in the log; the statement
// is recorded for the SQL echo once it is built, whether or not it may
// run. Inside a transaction a statement that changes no row requests
// rollback. 1 when the statement ran.
int FormDml(Request& request, int kind, ResponseStream& out);

}  // namespace kavr
