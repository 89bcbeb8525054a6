#include "BatchRow.h"

#include "RowBatch.h"

BatchRow::BatchRow(std::vector<CSCol> columns)
    : columns_(std::move(columns)),
      plain_(columns_.size()),
      raw_(columns_.size()),
      display_(columns_.size()),
      formatted_(columns_.size(), false) {
    for (size_t c = 0; c < columns_.size(); ++c) {
        plain_[c] = columns_[c].ShowsRawValue();
        allPlain_ = allPlain_ && plain_[c];
    }
}

void BatchRow::Select(const RowBatch& batch, size_t row) {
    batch_ = &batch;
    row_ = row;
    const size_t count = std::min(columns_.size(), batch.ColumnCount());
    for (size_t c = 0; c < count; ++c) {
        raw_[c] = batch.Raw(row, c);
    }
    formatted_.assign(columns_.size(), false);
}

std::string_view BatchRow::ColumnDisplayView(int32_t index) {
    if (!Valid(index)) {
        return {};
    }
    const auto c = static_cast<size_t>(index);
    if (plain_[c]) {
        return raw_[c];
    }
    if (!formatted_[c]) {
        columns_[c].FormatValueInto(batch_->Input(row_, c), false, display_[c]);
        formatted_[c] = true;
    }
    return display_[c];
}

void BatchRow::ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) {
    if (!comparisonForm) {
        out.assign(ColumnDisplayView(index));
    } else if (Valid(index)) {
        columns_[static_cast<size_t>(index)].FormatValueInto(raw_[static_cast<size_t>(index)], true,
                                                             out);
    } else {
        out.clear();
    }
}

std::string BatchRow::GetColumnValue(int32_t index, bool comparisonForm) {
    std::string out;
    ColumnValueInto(index, comparisonForm, out);
    return out;
}

const std::string_view* BatchRow::DisplayFields(size_t& count) {
    count = allPlain_ ? raw_.size() : 0;
    return allPlain_ ? raw_.data() : nullptr;
}
