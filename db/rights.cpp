#include "db/rights.h"

#include "db/connection.h"
#include "driver/core/config.h"
#include "driver/core/log.h"
#include "driver/core/request.h"
#include "driver/core/report_error.h"
#include "driver/core/text_util.h"

namespace kavr {

namespace {

struct KindRight {
    const char* code;
    int DataSource::*flag;
};

KindRight right_of(StatementKind kind) {
    switch (kind) {
    case kSqlInsert: return {"10420", &DataSource::insert};
    case kSqlUpdate: return {"10430", &DataSource::update};
    case kSqlDelete: return {"10440", &DataSource::del};
    case kSqlOther: return {"10450", &DataSource::stored_procedure};
    default: return {"10410", &DataSource::select};
    }
}

}  // namespace

StatementKind ClassifySql(std::string_view sql) {
    if (FindNoCase(sql, "update") != std::string_view::npos) return kSqlUpdate;
    if (FindNoCase(sql, "delete") != std::string_view::npos) return kSqlDelete;
    if (FindNoCase(sql, "insert") != std::string_view::npos) return kSqlInsert;
    if (FindNoCase(sql, "select") == std::string_view::npos) return kSqlOther;
    return kSqlSelect;
}

int CheckStatementRight(Request& r, const std::string& source, StatementKind kind,
                        ResponseStream& out) {
    if (g_config.data_sources.empty()) return 0;
    KindRight right = right_of(kind);
    const DataSource* ds = FindDataSource(source);
    if (ds && ds->*right.flag != 0) return 1;
    ReportError(r, right.code, out);
    return 0;
}

bool ListNamesTable(std::string_view list, std::string_view table) {
    while (!list.empty()) {
        size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        size_t first = item.find_first_not_of(" \t");
        size_t last = item.find_last_not_of(" \t");
        item = first == std::string_view::npos ? std::string_view() : item.substr(first, last - first + 1);
        if (item == "*" || (!item.empty() && EqualsNoCase(item, table))) return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

int CheckFormTable(Request& r, const std::string& source, const std::string& table,
                   StatementKind kind, ResponseStream& out) {
    const DataSource* ds = FindDataSource(source);
    // An unknown source is left to the connection, which refuses it.
    if (!ds || ListNamesTable(ds->form_tables, table)) return 1;
    WriteLog(r.thread_number, 3,
             "Error: A form may not write the table " + table.substr(0, 128) + " of datasource " +
                 ds->name + " (not in its SQLFormTables)\n");
    r.vars.set("CurDataSource__", ds->name);
    if (!ReportError(r, right_of(kind).code, out))
        out.write("The table " + HtmlEscape(table.substr(0, 128)) + " may not be changed by a form<BR>");
    return 0;
}

int CheckSelectRight(Request& r, const std::string& source, ResponseStream& out) {
    return CheckStatementRight(r, source, kSqlSelect, out);
}

}  // namespace kavr
