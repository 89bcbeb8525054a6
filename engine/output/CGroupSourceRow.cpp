#include "CGroupSourceRow.h"

CGroupSourceRow::CGroupSourceRow(const GroupSnapshots& snapshots, int32_t groupColumnIndex,
                                 std::string groupValue)
    : snapshots_(snapshots),
      groupColumnIndex_(groupColumnIndex),
      groupValue_(std::move(groupValue)) {
    Seek(0);
}

void CGroupSourceRow::Seek(size_t from) {
    for (row_ = from; row_ < snapshots_.RowCount(); ++row_) {
        if (snapshots_.Value(row_, groupColumnIndex_, false).value_or("") == groupValue_) {
            return;
        }
    }
}

void CGroupSourceRow::Next() {
    if (!IsAtEnd()) {
        Seek(row_ + 1);
    }
}

void CGroupSourceRow::ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) {
    if (IsAtEnd()) {
        out.clear();
        return;
    }
    out.assign(snapshots_.Value(row_, index, comparisonForm).value_or(""));
}

std::string CGroupSourceRow::GetColumnValue(int32_t index, bool comparisonForm) {
    std::string out;
    ColumnValueInto(index, comparisonForm, out);
    return out;
}

std::string_view CGroupSourceRow::ColumnDisplayView(int32_t index) {
    return IsAtEnd() ? std::string_view() : snapshots_.Value(row_, index, false).value_or("");
}
