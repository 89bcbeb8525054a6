#include "RowBatch.h"

#include "sources/DVDataSource.h"

void RowBatch::Clear(size_t columns) {
    columns_ = columns;
    text_.clear();
    cells_.clear();
    rowNumbers_.clear();
}

RowBatch::Span RowBatch::Keep(std::string_view text) {
    const Span span{static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(text.size())};
    text_.append(text);
    return span;
}

void RowBatch::Add(DVDataSource& source, int32_t rowNumber) {
    rowNumbers_.push_back(rowNumber);
    for (size_t c = 0; c < columns_; ++c) {
        const auto index = static_cast<int32_t>(c);
        const std::string_view raw = source.GetRawValue(index);
        const std::string_view input = source.FormattingInput(index);
        Cell cell;
        cell.raw = Keep(raw);
        // Most inputs are the raw value itself: kept once.
        cell.input =
            input.data() == raw.data() && input.size() == raw.size() ? cell.raw : Keep(input);
        cells_.push_back(cell);
    }
}
