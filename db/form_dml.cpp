#include "db/form_dml.h"

#include <cstdio>

#include "db/connection.h"
#include "db/form_quoting.h"
#include "db/form_statement.h"
#include "db/rights.h"
#include "db/statement.h"
#include "db/table_info.h"
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

void trace(const Request& r, std::string_view text) { WriteLog(r.thread_number, 1, text); }
void error(const Request& r, std::string_view text) { WriteLog(r.thread_number, 3, text); }

const std::string& text_or_empty(const std::optional<std::string>& value) {
    static const std::string empty;
    return value ? *value : empty;
}

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

// The table's columns that the field list admits (substring test ignoring
// case; an absent or empty list admits every column).
std::vector<TableColumn> admitted_columns(const std::vector<TableColumn>& all,
                                          const std::optional<std::string>& field_list) {
    if (!field_list || field_list->empty()) return all;
    std::vector<TableColumn> admitted;
    for (const TableColumn& c : all)
        if (FindNoCase(*field_list, c.name) != std::string::npos) admitted.push_back(c);
    return admitted;
}

// The key columns with their types; a key the column list lacks is
// compared as text.
std::vector<TableColumn> typed_keys(const std::vector<std::string>& names,
                                    const std::vector<TableColumn>& all) {
    std::vector<TableColumn> keys;
    for (const std::string& name : names) {
        TableColumn key{name, SQL_VARCHAR, SQL_VARCHAR};
        for (const TableColumn& c : all)
            if (EqualsNoCase(c.name, name)) key = c;
        keys.push_back(key);
    }
    return keys;
}

// The request's fields, to be quoted as the current connection reads texts.
FormValues form_values(Request& r) {
    FormValues values = RequestFormValues(r);
    values.backslash_escapes = ConnectionEscapesBackslashes(r);
    return values;
}

// Executes the statement, logs the rows it changed and, inside a
// transaction, requests rollback when it changed none.
int run_statement(Request& r, const std::string& sql, ResponseStream& out) {
    ExecutionTimer timer(r);
    Statement st;
    if (!st.open(r, out) || !st.execute(r, sql, out)) return 0;
    SQLSMALLINT result_columns = 0;
    if (OdbcOk(SQLNumResultCols(st.handle(), &result_columns)) && result_columns > 0) return 1;
    SQLLEN rows = 0;
    if (!OdbcOk(SQLRowCount(st.handle(), &rows))) rows = 0;
    if (rows < 1 && r.in_transaction > 0) r.in_transaction = -1;
    if (rows >= 1) {
        char line[64];
        snprintf(line, sizeof line, "%ld rows affected.\n", static_cast<long>(rows));
        trace(r, line);
    } else {
        trace(r, "Operation successful\n");
    }
    return 1;
}

// Records the statement for the SQL echo, then checks the right and runs.
int record_and_run(Request& r, const std::string& source, StatementKind kind,
                   const std::string& sql, ResponseStream& out) {
    r.sql_texts.push_back(sql);
    if (!CheckStatementRight(r, source, kind, out)) return 0;
    return run_statement(r, sql, out);
}

int run_insert(Request& r, const std::string& source, const std::string& table,
               const std::vector<TableColumn>& columns, ResponseStream& out) {
    trace(r, "Is SQL_Insert\n");
    std::string sql;
    int taken = 0;
    if (!BuildInsertStatement(r, table, columns, form_values(r), sql, taken, out)) return 0;
    if (LogWanted(1)) trace(r, "DML=" + sql + "\n");
    if (taken == 0) return 0;
    return record_and_run(r, source, kSqlInsert, sql, out);
}

int run_update(Request& r, const std::string& source, const std::string& table,
               const std::vector<TableColumn>& all, const std::vector<TableColumn>& columns,
               ResponseStream& out) {
    trace(r, "Is SQL_Update\n");
    std::vector<std::string> key_names;
    KeyColumns(r, table, key_names, out);
    std::string sql;
    if (!BuildUpdateStatement(r, table, columns, typed_keys(key_names, all), form_values(r),
                              sql, out))
        return 0;
    if (LogWanted(1)) trace(r, "DML=" + sql + "\n");
    return record_and_run(r, source, kSqlUpdate, sql, out);
}

}  // namespace

bool IsPlainTableName(std::string_view name) {
    if (name.empty() || !is_letter(name[0])) return false;
    for (char c : name)
        if (!is_letter(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

int FormDml(Request& r, int kind, ResponseStream& out) {
    const std::string& source = text_or_empty(r.datasource);
    if (source.empty()) {
        error(r, "Error: No Data Source Name\n");
        out.write("No Data Source Name<BR>");
        return 0;
    }
    if (!Connect(r, source, text_or_empty(r.username), "", out)) return 0;

    // The name is written into the statement as it is, so it must be a
    // plain name and nothing more.
    const std::string& table = text_or_empty(r.tablename);
    if (!IsPlainTableName(table)) {
        error(r, "Error: Table name is not a plain name: " + table.substr(0, 128) + "\n");
        out.write("Invalid table name<BR>");
        return 0;
    }
    std::vector<TableColumn> all;
    if (!TableColumns(r, table, nullptr, all, out)) return 0;
    std::vector<TableColumn> columns = admitted_columns(all, r.formfields);
    if (columns.empty()) return 0;

    if (kind == kFormInsert) return run_insert(r, source, table, columns, out);
    if (kind == kFormUpdate) return run_update(r, source, table, all, columns, out);
    return 0;
}

}  // namespace kavr
