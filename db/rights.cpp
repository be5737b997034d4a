#include "db/rights.h"

#include "db/connection.h"
#include "driver/core/config.h"
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

int CheckSelectRight(Request& r, const std::string& source, ResponseStream& out) {
    return CheckStatementRight(r, source, kSqlSelect, out);
}

}  // namespace kavr
