#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "DVDataSourceRow.h"

class DVDataSource;

// A source's current row as the kept copies of a group's rows show it: the
// columns asked for only (ascending), and of date-time columns the
// comparison form only; every other column is empty.
class GroupRowView : public DVDataSourceRow {
public:
    GroupRowView(DVDataSource& source, const std::vector<int32_t>& columns)
        : source_(source), columns_(columns) {}

    std::string GetColumnValue(int32_t index, bool comparisonForm) override;
    void ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) override;
    std::string_view ColumnDisplayView(int32_t index) override;

private:
    bool Reads(int32_t index) const;

    DVDataSource& source_;
    const std::vector<int32_t>& columns_;
};
