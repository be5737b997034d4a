#include "db/column_types.h"

#include "driver/core/charset.h"

#include <algorithm>

namespace kavr {

SQLSMALLINT ClosestKnownType(SQLSMALLINT reported_type) {
    switch (reported_type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_BIGINT:
    case SQL_BINARY:
    case SQL_LONGVARCHAR:
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_NUMERIC:
    case SQL_DECIMAL:
    case SQL_INTEGER:
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DATE:
    case SQL_TIME:
    case SQL_TIMESTAMP:
        return reported_type;
    case SQL_WCHAR:
    case SQL_GUID:
        return SQL_CHAR;
    case SQL_WVARCHAR:
        return SQL_VARCHAR;
    case SQL_WLONGVARCHAR:
    case SQL_LONGVARBINARY:
        return SQL_LONGVARCHAR;
    case SQL_VARBINARY:
        return SQL_BINARY;
    case SQL_TYPE_DATE:
        return SQL_DATE;
    case SQL_TYPE_TIME:
        return SQL_TIME;
    case SQL_TYPE_TIMESTAMP:
        return SQL_TIMESTAMP;
    default:
        break;
    }
    // Intervals read as text of their reported size.
    if (reported_type >= SQL_INTERVAL_YEAR && reported_type <= SQL_INTERVAL_MINUTE_TO_SECOND)
        return SQL_VARCHAR;
    return SQL_LONGVARCHAR;
}

SQLULEN PrecisionForType(SQLSMALLINT reported_type, SQLULEN precision) {
    if (reported_type == SQL_GUID) return std::max<SQLULEN>(precision, 36);
    return precision;
}

ColumnWidth WidthForColumn(SQLSMALLINT known_type, SQLULEN precision, size_t name_length) {
    // Precisions beyond any bound buffer are capped here; such a column is
    // read piecewise below anyway.
    const long prec = static_cast<long>(std::min<SQLULEN>(precision, kLongValueChars + 1));
    const long name = static_cast<long>(name_length);
    long width = 0;
    switch (known_type) {
    case SQL_BIT:
        width = prec > 0 ? prec + 1 : 1;
        break;
    case SQL_TINYINT:
    case SQL_SMALLINT:
        width = std::max(name, 6L);
        break;
    case SQL_BIGINT:
        width = std::max(prec, 20L);
        break;
    case SQL_BINARY:
        width = std::max(2 * name, prec);
        break;
    case SQL_CHAR:
    case SQL_VARCHAR:
        // The precision counts characters; on a utf-8 site each may take
        // up to four bytes of the buffer.
        width = std::max(name, (Utf8Site() ? 4 * prec : prec) + 1);
        break;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        width = std::max(name, prec + 2);
        break;
    case SQL_INTEGER:
        width = std::max(name, 11L);
        break;
    case SQL_REAL:
        width = std::max(name, 13L);
        break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        width = std::max(name, 22L);
        break;
    case SQL_DATE:
        width = std::max(prec, 10L);
        break;
    case SQL_TIME:
        width = std::max(prec, 8L);
        break;
    case SQL_TIMESTAMP:
        width = std::max(prec, 23L);
        break;
    default:  // long text
        return ColumnWidth{0, true};
    }
    if (width > static_cast<long>(kLongValueChars)) return ColumnWidth{0, true};
    return ColumnWidth{static_cast<int>(width), false};
}

}  // namespace kavr
