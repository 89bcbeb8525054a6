#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "GroupRegistry.h"
#include "sources/DVGroupRows.h"

// The rows of a grouped node whose group value equals one value, read from
// the snapshots the pre-pass kept. Values come back as they were formatted
// when the row was read (display form; the comparison form of date-time
// columns when asked for).
class CGroupSourceRow : public DVGroupRows {
public:
    CGroupSourceRow(const GroupSnapshots& snapshots, std::string groupValue);

    bool IsAtEnd() const noexcept override { return atEnd_; }
    void Next() override;
    std::string GetColumnValue(int32_t index, bool comparisonForm) override;
    void ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) override;
    std::string_view ColumnDisplayView(int32_t index) override;

private:
    const GroupSnapshots& snapshots_;
    std::string groupValue_;
    std::optional<Norvik::ExternalSorter::Reader> rows_;
    bool atEnd_ = true;
};
