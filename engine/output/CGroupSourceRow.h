#pragma once

#include <cstdint>
#include <string>

#include "GroupRegistry.h"
#include "sources/DVDataSourceRow.h"

// The rows of a grouped node whose group value equals one value, read from
// the snapshots the pre-pass kept. Values come back as they were formatted
// when the row was read (display form; the comparison form for date-time
// columns).
class CGroupSourceRow : public DVDataSourceRow {
public:
    CGroupSourceRow(const GroupRegistry::Snapshots& snapshots, int32_t groupColumnIndex,
                    std::string groupValue);

    bool IsAtEnd() const noexcept { return current_ == nullptr; }
    void Next();
    std::string GetColumnValue(int32_t index, bool comparisonForm) override;

private:
    void Seek(size_t from);

    const GroupRegistry::Snapshots& snapshots_;
    int32_t groupColumnIndex_;
    std::string groupValue_;
    size_t cursor_ = 0;
    const RowSnapshot* current_ = nullptr;
};
