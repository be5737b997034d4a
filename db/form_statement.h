// The INSERT and UPDATE statements of a form-driven data change, built from
// the table's columns (and, for an update, its primary key) and the fields
// of the request that carry the columns' names.
#pragma once
#include <string>
#include <vector>

#include "db/form_value.h"
#include "db/table_info.h"

namespace kavr {

struct Request;
class ResponseStream;

// "INSERT INTO table (c1,c2)\n VALUES (v1,v2)\n" from every column whose
// field is present and not empty, in column order; taken counts them.
// 0 when a value cannot be written for its column (reported on out; the
// statement is then empty).
int BuildInsertStatement(Request& request, const std::string& table,
                         const std::vector<TableColumn>& columns, const FormValues& values,
                         std::string& sql, int& taken, ResponseStream& out);

// "UPDATE table SET c=v,...\n WHERE table.k=v AND ...\n": every column that
// is not a key and has a field (empty values included) is assigned; every
// key column (with its type, whatever the field list says) must have a
// non-empty field and goes into the condition.
// 0, with the reason logged and on out, when the table has no key, a key
// value is missing, no column is left to assign or a value cannot be
// written for its column.
int BuildUpdateStatement(Request& request, const std::string& table,
                         const std::vector<TableColumn>& columns,
                         const std::vector<TableColumn>& keys, const FormValues& values,
                         std::string& sql, ResponseStream& out);

// Writes "Invalid value for column <name><BR>" and logs which column and
// what kind of value it needs (the value itself cut to 100 characters).
void ReportInvalidValue(Request& request, const TableColumn& column, const std::string& value,
                        ResponseStream& out);

}  // namespace kavr
