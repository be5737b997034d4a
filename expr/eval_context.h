// What an expression is evaluated against besides the request: the current
// query row, when a caller is printing one (column names and values at the
// same positions).
#pragma once
#include <string>
#include <vector>

namespace kavr {

struct RowView {
    const std::vector<std::string>* names = nullptr;
    const std::vector<std::string>* values = nullptr;
    int count = 0;  // columns in names and values

    // The value of the column named name (without regard to case), or null.
    // A view without columns looks in the ambient row, if one is set.
    const std::string* find(const std::string& name) const;

    // A view of a row whose names and values the caller keeps alive.
    static RowView Of(const std::vector<std::string>& names, const std::vector<std::string>& values) {
        RowView v;
        v.names = &names;
        v.values = &values;
        v.count = static_cast<int>(names.size() < values.size() ? names.size() : values.size());
        return v;
    }
};

// The row an output tag is rendering a text against, for the tags inside
// that text, which evaluate their expressions without a row of their own.
// Set only for the time of one text (the previous value is returned, to be
// set again afterwards); null when none.
const RowView* SetAmbientRow(const RowView* row);

// Every value an expression computes or reads passes through buffers of
// this size (so values are cut to 8191 characters).
constexpr size_t kValueSize = 8192;

}  // namespace kavr
