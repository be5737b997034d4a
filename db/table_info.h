// A table's columns and primary key, from the driver's catalog functions,
// for statements built from form fields.
#pragma once
#include <string>
#include <vector>

#include "db/odbc_api.h"

namespace kavr {

struct Request;
class ResponseStream;

constexpr size_t kTableNameChars = 128;
constexpr size_t kMaxTableColumns = 511;

struct TableColumn {
    std::string name;               // up to 128 characters
    SQLSMALLINT type = 0;           // closest known type
    SQLSMALLINT reported_type = 0;  // as the driver lists it
};

// The table's columns in driver order; with a field list only those whose
// name occurs in it (substring test, ignoring case). More columns than the
// limit: error page 12040. 1 when at least one column was kept.
int TableColumns(Request& request, const std::string& table, const std::string* field_list,
                 std::vector<TableColumn>& columns, ResponseStream& out);

// Names of the table's primary key columns (the driver's best row
// identifier when it has no primary key function). 1 when there is one.
int KeyColumns(Request& request, const std::string& table, std::vector<std::string>& names,
               ResponseStream& out);

}  // namespace kavr
