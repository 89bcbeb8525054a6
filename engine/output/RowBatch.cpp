#include "RowBatch.h"

#include "model/CSCol.h"
#include "sources/DVDataSource.h"

namespace {

constexpr size_t kSlack = 16;

}  // namespace

void RowBatch::SetColumns(const std::vector<CSCol>& columns) {
    numbers_.clear();
    for (const CSCol& column : columns) {
        numbers_.push_back(column.dataType == DataTypeProperties::kNumber);
    }
    Clear();
}

void RowBatch::Clear() {
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
    size_t fieldCount = 0;
    const std::string_view* fields = source.RawFields(fieldCount);
    const size_t columns = numbers_.size();
    for (size_t c = 0; c < columns; ++c) {
        const auto index = static_cast<int32_t>(c);
        const std::string_view raw = c < fieldCount ? fields[c] : source.GetRawValue(index);
        Cell cell;
        cell.raw = Keep(raw);
        cell.input = cell.raw;
        if (numbers_[c]) {
            // Most inputs are the raw value itself: kept once.
            const std::string_view input = source.FormattingInput(index);
            if (input.data() != raw.data() || input.size() != raw.size()) {
                cell.input = Keep(input);
            }
        }
        cells_.push_back(cell);
    }
    // Scans load whole 16-byte blocks and may read past a value's end: keep
    // those bytes inside the batch, where no other thread writes.
    if (text_.capacity() < text_.size() + kSlack) {
        text_.reserve(2 * text_.size() + kSlack);
    }
}
