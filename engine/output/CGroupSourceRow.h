#pragma once

#include <cstdint>
#include <string>

#include "GroupRegistry.h"
#include "sources/DVDataSourceRow.h"

// The rows of a grouped node whose group value equals one value, read from
// the snapshots the pre-pass kept. Values come back as they were formatted
// when the row was read (display form; the comparison form of date-time
// columns when asked for).
class CGroupSourceRow : public DVDataSourceRow {
public:
    CGroupSourceRow(const GroupSnapshots& snapshots, int32_t groupColumnIndex,
                    std::string groupValue);

    bool IsAtEnd() const noexcept { return row_ >= snapshots_.RowCount(); }
    void Next();
    std::string GetColumnValue(int32_t index, bool comparisonForm) override;
    void ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) override;
    std::string_view ColumnDisplayView(int32_t index) override;

private:
    void Seek(size_t from);

    const GroupSnapshots& snapshots_;
    int32_t groupColumnIndex_;
    std::string groupValue_;
    size_t row_ = 0;
};
