#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One row of values by column position: the current row of a data source, or
// a row kept by the grouping code after the source has moved on.
class DVDataSourceRow {
public:
    virtual ~DVDataSourceRow() = default;
    // The display form (comparisonForm false) or comparison form of column
    // index; empty for an index that names no column.
    virtual std::string GetColumnValue(int32_t index, bool comparisonForm) = 0;
    // The same into out (which keeps its capacity); rows that cache their
    // values copy them without allocating.
    virtual void ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) {
        out = GetColumnValue(index, comparisonForm);
    }
    // The display form as a view, valid until the row moves on (rows that
    // keep no values build it in a buffer the next call reuses).
    virtual std::string_view ColumnDisplayView(int32_t index) {
        viewBuffer_ = GetColumnValue(index, false);
        return viewBuffer_;
    }
    // Every column's display form at once, by position (count of them; a
    // column past them shows nothing), when each is the raw value kept in an
    // array; null otherwise.
    virtual const std::string_view* DisplayFields(size_t& count) {
        count = 0;
        return nullptr;
    }

private:
    std::string viewBuffer_;
};
