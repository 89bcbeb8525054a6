#include "CGroupSourceRow.h"

CGroupSourceRow::CGroupSourceRow(const GroupSnapshots& snapshots, std::string groupValue)
    : snapshots_(snapshots), groupValue_(std::move(groupValue)) {
    if (!snapshots_.Empty()) {
        rows_.emplace(snapshots_.Find(groupValue_));
        atEnd_ = false;
        Next();
    }
}

void CGroupSourceRow::Next() {
    // The rows are ordered by group value: the first other value ends the group.
    if (!atEnd_) {
        atEnd_ = !rows_->Next() || rows_->Key() != groupValue_;
    }
}

void CGroupSourceRow::ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) {
    if (IsAtEnd()) {
        out.clear();
        return;
    }
    out.assign(snapshots_.Value(rows_->Payload(), index, comparisonForm).value_or(""));
}

std::string CGroupSourceRow::GetColumnValue(int32_t index, bool comparisonForm) {
    std::string out;
    ColumnValueInto(index, comparisonForm, out);
    return out;
}

std::string_view CGroupSourceRow::ColumnDisplayView(int32_t index) {
    return IsAtEnd() ? std::string_view()
                     : snapshots_.Value(rows_->Payload(), index, false).value_or("");
}
