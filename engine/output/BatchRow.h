#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/CSCol.h"
#include "sources/DVDataSourceRow.h"

class RowBatch;

// A row of a RowBatch as the node tree reads rows: display and comparison
// forms formatted by a copy of the source's columns, exactly as the source
// formats its current row.
class BatchRow : public DVDataSourceRow {
public:
    explicit BatchRow(std::vector<CSCol> columns);

    void Select(const RowBatch& batch, size_t row);

    std::string GetColumnValue(int32_t index, bool comparisonForm) override;
    void ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) override;
    std::string_view ColumnDisplayView(int32_t index) override;
    const std::string_view* DisplayFields(size_t& count) override;

private:
    bool Valid(int32_t index) const noexcept {
        return index >= 0 && static_cast<size_t>(index) < columns_.size();
    }

    std::vector<CSCol> columns_;
    std::vector<bool> plain_;
    bool allPlain_ = true;
    const RowBatch* batch_ = nullptr;
    size_t row_ = 0;
    std::vector<std::string_view> raw_;  // the selected row's raw values
    std::vector<std::string> display_;
    std::vector<bool> formatted_;  // display_ holds the selected row's form
};
