#include "CGroupSourceRow.h"

CGroupSourceRow::CGroupSourceRow(const GroupRegistry::Snapshots& snapshots,
                                 int32_t groupColumnIndex, std::string groupValue)
    : snapshots_(snapshots),
      groupColumnIndex_(groupColumnIndex),
      groupValue_(std::move(groupValue)) {
    Seek(0);
}

void CGroupSourceRow::Seek(size_t from) {
    current_ = nullptr;
    for (cursor_ = from; cursor_ < snapshots_.size(); ++cursor_) {
        const RowSnapshot::Value* value = snapshots_[cursor_].Find(groupColumnIndex_);
        const std::string_view text = value ? std::string_view(value->display) : std::string_view();
        if (text == groupValue_) {
            current_ = &snapshots_[cursor_];
            return;
        }
    }
}

void CGroupSourceRow::Next() {
    if (current_) {
        Seek(cursor_ + 1);
    }
}

std::string CGroupSourceRow::GetColumnValue(int32_t index, bool comparisonForm) {
    if (!current_) {
        return {};
    }
    const RowSnapshot::Value* value = current_->Find(index);
    if (!value) {
        return {};
    }
    return (comparisonForm && !value->comparison.empty()) ? value->comparison : value->display;
}
