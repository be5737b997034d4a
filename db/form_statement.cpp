#include "db/form_statement.h"

#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

void trace(const Request& r, std::string_view text) { WriteLog(r.thread_number, 1, text); }
void error(const Request& r, std::string_view text) { WriteLog(r.thread_number, 3, text); }

const char* kind_name(SQLSMALLINT type) {
    switch (LiteralKindOf(type)) {
    case kLiteralNumber: return "number";
    case kLiteralDate: return "date";
    case kLiteralTime: return "time";
    case kLiteralStamp: return "date and time";
    case kLiteralBinary: return "hexadecimal text";
    default: return "text without zero bytes";
    }
}

bool is_key(const std::vector<TableColumn>& keys, const std::string& name) {
    for (const TableColumn& k : keys)
        if (EqualsNoCase(k.name, name)) return true;
    return false;
}

// The column's literal, or 0 after reporting why the value does not fit.
int literal_for(Request& r, const TableColumn& column, const std::string& value,
                const FormValues& values, std::string& literal, ResponseStream& out) {
    if (FormatColumnValue(column.type, value, literal, values.backslash_escapes)) return 1;
    ReportInvalidValue(r, column, value, out);
    return 0;
}

}  // namespace

void ReportInvalidValue(Request& r, const TableColumn& column, const std::string& value,
                        ResponseStream& out) {
    std::string shown = value.substr(0, 100);
    for (char& c : shown)
        if (c == '\0' || c == '\n' || c == '\r') c = ' ';
    error(r, "Error: Column " + column.name + " needs a " + kind_name(column.type) +
                 ", the form sent: " + shown + "\n");
    // The column name comes from the database catalog, never from the form.
    out.write("Invalid value for column " + column.name + "<BR>");
}

int BuildInsertStatement(Request& r, const std::string& table,
                         const std::vector<TableColumn>& columns, const FormValues& values,
                         std::string& sql, int& taken, ResponseStream& out) {
    sql.clear();
    taken = 0;
    std::string names = "INSERT INTO " + table + " (";
    std::string list = " VALUES (";
    for (const TableColumn& column : columns) {
        const std::string* value = values.find(column.name);
        if (!value || value->empty()) continue;
        std::string literal;
        if (!literal_for(r, column, *value, values, literal, out)) return 0;
        if (taken++ > 0) {
            names += ',';
            list += ',';
        }
        names += column.name;
        list += literal;
    }
    sql = names + ")\n" + list + ")\n";
    return 1;
}

int BuildUpdateStatement(Request& r, const std::string& table,
                         const std::vector<TableColumn>& columns,
                         const std::vector<TableColumn>& keys, const FormValues& values,
                         std::string& sql, ResponseStream& out) {
    sql.clear();
    // Without a key the statement would change every row.
    if (keys.empty()) {
        error(r, "Error: No Primary keys\n");
        out.write("No primary keys<BR>");
        return 0;
    }
    for (const TableColumn& key : keys) {
        const std::string* value = values.find(key.name);
        if (!value || value->empty()) {
            error(r, "Error: Not All Primary_keys have valued\n");
            out.write("Not all primary keys with value<BR>");
            return 0;
        }
    }
    trace(r, "All Primary_keys have valued\n");

    std::string set = "UPDATE " + table + " SET ";
    int assigned = 0;
    for (const TableColumn& column : columns) {
        if (is_key(keys, column.name)) continue;
        const std::string* value = values.find(column.name);
        if (!value) continue;
        std::string literal;
        if (!literal_for(r, column, *value, values, literal, out)) return 0;
        if (assigned++ > 0) set += ',';
        set += column.name + "=" + literal;
    }
    if (LogWanted(1)) trace(r, "UPDATE SET FINISHED: " + set + "\n");
    if (assigned == 0) {
        error(r, "Error DML Statement: " + set + "\n");
        return 0;
    }

    std::string where = " WHERE ";
    int conditions = 0;
    for (const TableColumn& key : keys) {
        std::string literal;
        if (!literal_for(r, key, *values.find(key.name), values, literal, out)) return 0;
        if (conditions++ > 0) where += " AND ";
        where += table + "." + key.name + "=" + literal;
    }
    if (LogWanted(1)) trace(r, "UPDATE WHERE FINISHED = " + where + "\n");
    sql = set + "\n";
    if (conditions > 0) sql += where + "\n";
    return 1;
}

}  // namespace kavr
