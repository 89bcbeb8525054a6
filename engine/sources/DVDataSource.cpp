#include "DVDataSource.h"

#include <algorithm>

#include "base/ResultCode.h"
#include "model/DVFile.h"
#include "model/NumberFormat.h"

DVDataSource::DVDataSource() = default;

DVDataSource::~DVDataSource() = default;

std::string_view DVDataSource::FormattedDisplayValue(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= columns_.size()) {
        return {};
    }
    const auto i = static_cast<size_t>(index);
    if (display_.size() != columns_.size()) {
        display_.resize(columns_.size());
        displaySerial_.assign(columns_.size(), 0);
        plain_.resize(columns_.size());
        anyRowRule_ = false;
        for (size_t c = 0; c < columns_.size(); ++c) {
            const CSCol& column = columns_[c];
            anyRowRule_ = anyRowRule_ || column.SkipsRows();
            plain_[c] = column.ShowsRawValue();
        }
        allPlain_ = std::all_of(plain_.begin(), plain_.end(), [](uint8_t p) { return p != 0; });
        anyUseLast_ = std::any_of(columns_.begin(), columns_.end(),
                                  [](const CSCol& column) { return column.useLastIfEmpty; });
    }
    if (plain_[i]) {
        return GetRawValue(index);  // formatting would copy it unchanged
    }
    if (displaySerial_[i] != recordSerial_) {
        // Formatting may move the column's last value; once per row keeps it
        // exact however often the row is read.
        columns_[i].FormatValueInto(FormattingInput(index), false, display_[i]);
        displaySerial_[i] = recordSerial_;
    }
    return display_[i];
}

std::string_view DVDataSource::FormattingInput(int32_t index) {
    const std::string_view raw = GetRawValue(index);
    const CSCol* column = ColumnAt(index);
    return column && column->dataType == DataTypeProperties::kNumber ? NumberText(index, raw) : raw;
}

std::string DVDataSource::GetColumnValue(int32_t index, bool comparisonForm) {
    std::string out;
    ColumnValueInto(index, comparisonForm, out);
    return out;
}

CSCol* DVDataSource::ColumnAt(int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < columns_.size()
               ? &columns_[static_cast<size_t>(index)]
               : nullptr;
}

void DVDataSource::ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) {
    if (!comparisonForm) {
        out.assign(DisplayValue(index));
    } else if (CSCol* column = ColumnAt(index)) {
        column->FormatValueInto(GetRawValue(index), true, out);
    } else {
        out.clear();
    }
}

int32_t DVDataSource::ReadFailureCode() const {
    return kSourceFileOpen;
}

int32_t DVDataSource::GetSourceColumnKind(int32_t) {
    return DataTypeProperties::kText;
}

int32_t DVDataSource::GetSourceColumnPrecision(int32_t) {
    return 0;
}

bool DVDataSource::SyncColumns(DVFile& definition) {
    const int32_t count = GetSourceColumnCount();
    if (count <= 0) {
        definition.RemoveAllColumns();
        return false;
    }
    for (int32_t i = 0; i < count; ++i) {
        const std::string name = GetSourceColumnName(i);
        const auto position = static_cast<size_t>(i);
        const std::vector<CSCol>& columns = definition.Columns();
        if (position < columns.size() && columns[position].IsNamed(name)) {
            continue;
        }
        // Only columns not yet matched can move here.
        size_t found = columns.size();
        for (size_t j = position + 1; j < columns.size(); ++j) {
            if (columns[j].IsNamed(name)) {
                found = j;
                break;
            }
        }
        if (found < columns.size()) {
            definition.MoveColumn(found, position);
            continue;
        }
        CSCol column(name);
        column.dataType = GetSourceColumnKind(i);
        column.precision = GetSourceColumnPrecision(i);
        const CSCol& added = definition.InsertColumn(position, std::move(column));
        definition.OnColumnAdded(added);
    }
    while (definition.Columns().size() > static_cast<size_t>(count)) {
        definition.RemoveColumn(definition.Columns().size() - 1);
    }
    return true;
}

bool DVDataSource::AcceptRow() {
    if (!columns_.empty() && plain_.size() == columns_.size() && !anyRowRule_) {
        // No column skips rows: only a blank line is not a row.
        for (size_t i = 0; anyUseLast_ && i < columns_.size(); ++i) {
            if (columns_[i].useLastIfEmpty) {
                // Its last value moves on every row, read or not, as below;
                // other columns are formatted when something reads them.
                DisplayValue(static_cast<int32_t>(i));
            }
        }
        if (!RowStandsAlone()) {
            return false;
        }
        ++rowCounter_;
        return !IsBeforeFirstRow() && !IsAfterLastRow();
    }
    bool allEmpty = true;
    for (size_t i = 0; i < columns_.size(); ++i) {
        const std::string_view value = DisplayValue(static_cast<int32_t>(i));
        CSCol& column = columns_[i];
        if (column.skipIfNoMatch && !column.lookupMatched) {
            return false;
        }
        if (!value.empty()) {
            allEmpty = false;
        } else if (column.skipIfEmpty || column.skipIfNoMatch) {
            return false;
        }
        if (column.skipIfZero) {
            const std::optional<double> number = ParseLocaleNumber(value);
            if (!number || *number == 0.0) {
                return false;
            }
        } else if (column.skipIfDuplicate) {
            if (value == column.duplicateValue) {
                return false;
            }
            column.duplicateValue.assign(value);
        }
    }
    if (allEmpty) {
        return false;  // a blank line is never a row
    }
    if (!PassesFilters()) {
        return false;
    }
    ++rowCounter_;
    return !IsBeforeFirstRow() && !IsAfterLastRow();
}

// AND binds tighter than OR: the filters form OR-ed groups of AND-ed
// conditions, read left to right, as the WHERE clause renders them.
bool DVDataSource::PassesFilters() {
    bool groupHolds = true;
    for (size_t i = 0; i < filters_.size(); ++i) {
        const DVFilter& filter = filters_[i];
        if (i > 0 && !filter.IsAnd()) {
            if (groupHolds) {
                return true;
            }
            groupHolds = true;
        }
        if (groupHolds) {
            const int32_t index = filter.ColumnIndex();
            CSCol* column = ColumnAt(index);
            if (column && filter.ComparesNumbers() &&
                column->dataType == DataTypeProperties::kNumber) {
                groupHolds = filter.EvaluateNumber(
                    column->ComparisonNumberOf(GetRawValue(index), filterText_));
            } else {
                ColumnValueInto(index, true, filterText_);
                groupHolds = filter.Evaluate(filterText_);
            }
        }
    }
    return groupHolds;
}

std::string DVDataSource::BuildWhereClause(const DVFile& definition) const {
    if (filters_.empty()) {
        return {};
    }
    std::string clause = "WHERE ";
    bool first = true;
    for (const DVFilter& filter : filters_) {
        const int32_t index = filter.ColumnIndex();
        if (index < 0 || static_cast<size_t>(index) >= definition.Columns().size()) {
            continue;
        }
        if (!first) {
            clause += filter.IsAnd() ? " AND " : " OR ";
        }
        clause += filter.BuildSqlCondition(definition.Columns()[static_cast<size_t>(index)].name);
        first = false;
    }
    return clause;
}

std::string DVDataSource::BuildOrderByClause(const DVFile& definition) const {
    if (!HasSort()) {
        return {};
    }
    std::string clause;
    for (const SortEntry& entry : sortEntries_) {
        const int32_t index = definition.ColumnIndexById(entry.columnId);
        if (index < 0) {
            continue;
        }
        clause += clause.empty() ? "ORDER BY " : ", ";
        clause += "\"" + definition.Columns()[static_cast<size_t>(index)].name + "\"";
        clause += entry.descending ? " DESC" : " ASC";
    }
    return clause;
}

void DVDataSource::Reset() {
    ClearFilters();
    ClearSort();
    columns_.clear();
    display_.clear();
    displaySerial_.clear();
    plain_.clear();
    allPlain_ = false;
}

void DVDataSource::LoadSettings(const DVFile& definition) {
    Reset();
    for (const std::optional<SortOrder>& order : definition.SortOrders()) {
        if (order && order->columnId != 0) {
            sortEntries_.push_back(SortEntry{order->columnId, order->descending, -1});
        }
    }
    columns_ = definition.Columns();
    for (CSCol& column : columns_) {
        column.lastValue.clear();
        column.duplicateValue.clear();
        column.lookupMatched = true;
    }
    ++recordSerial_;
    for (const DVFilter& source : definition.Filters()) {
        if (filters_.size() == kMaxFilters) {
            break;
        }
        if (source.ColumnId() == 0 || source.OperatorCode() == DVFilter::kNone) {
            continue;
        }
        DVFilter filter = source;
        const int32_t index = definition.ColumnIndexById(source.ColumnId());
        filter.SetColumnIndex(index);
        if (index >= 0) {
            filter.SetValueType(definition.Columns()[static_cast<size_t>(index)].dataType);
        }
        filters_.push_back(std::move(filter));
    }
    firstRow_ = definition.Settings().firstrow;
    lastRow_ = definition.Settings().lastrow;
}

bool DVDataSource::Rewind(DVFile&) {
    return false;
}

bool DVDataSource::ServeGroupRows(int32_t) {
    return false;
}

std::unique_ptr<DVGroupRows> DVDataSource::GroupRows(std::string, const std::vector<int32_t>&) {
    return nullptr;
}

bool DVDataSource::RowsStandAlone() {
    for (const CSCol& column : columns_) {
        if (column.SkipsRows() || column.useLastIfEmpty) {
            return false;
        }
    }
    return firstRow_ <= 1 && lastRow_ == 0;
}

bool DVDataSource::RowStandsAlone() {
    bool allEmpty = true;
    for (size_t i = 0; i < columns_.size() && allEmpty; ++i) {
        allEmpty = DisplayValue(static_cast<int32_t>(i)).empty();
    }
    return !allEmpty && PassesFilters();
}

std::string DVDataSource::GetConnectionString(const DVFile&) {
    return {};
}

void DVDataSource::ClearError() {
    if (hasError_) {
        hasError_ = false;
        errorText_.clear();
    }
}

void DVDataSource::SetError(std::string_view text) {
    if (!text.empty()) {
        hasError_ = true;
        errorText_.assign(text);
    }
}
