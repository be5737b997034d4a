// SQL types of result and table columns: the closest type of the set the
// rest of the system knows, and the display width a column needs.
#pragma once
#include <cstddef>

#include "db/odbc_api.h"

namespace kavr {

// A long value is fetched piecewise into at most this many characters.
constexpr size_t kLongValueChars = 8191;

// The closest of the types the system knows (character, numeric, date and
// time, binary, long text) for any type a driver reports, so that a newer
// driver's wide character, GUID, interval or long binary columns are shown
// as text. Types without a close relative become long text, which any
// driver can hand over as characters.
SQLSMALLINT ClosestKnownType(SQLSMALLINT reported_type);

// Smallest precision that holds the text of a reported type (a GUID needs
// 36 characters whatever the driver says), else the reported precision.
SQLULEN PrecisionForType(SQLSMALLINT reported_type, SQLULEN precision);

struct ColumnWidth {
    int width = 0;        // bytes of the bound buffer, terminator excluded
    bool is_long = false;  // fetched piecewise, never bound
};

// Width of a column of a known type (see ClosestKnownType) from its
// precision and the length of its name. Widths beyond the long value size
// are fetched piecewise too, so that no column binds a huge buffer.
ColumnWidth WidthForColumn(SQLSMALLINT known_type, SQLULEN precision, size_t name_length);

}  // namespace kavr
