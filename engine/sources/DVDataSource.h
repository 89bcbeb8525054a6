#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "DVDataSourceRow.h"
#include "DVGroupRows.h"
#include "base/Status.h"
#include "model/CSCol.h"
#include "model/DVFilter.h"

class DVFile;

// One sort key of an opened source.
struct SortEntry {
    int32_t columnId = 0;
    bool descending = false;
    int32_t columnIndex = -1;  // resolved when a text sort index is built
};

// The common base of every data source: row acceptance (skip rules, filters,
// first and last row), filters and sort keys as SQL text, and keeping the
// definition's column list in line with the source's fields.
//
// Calling order: Validate; if 0, Open; if 0, NextRow until it returns false,
// reading values between calls. A false NextRow with HasError() set is a
// failure (ErrorText says why), not the end of the data.
class DVDataSource : public DVDataSourceRow {
public:
    static constexpr size_t kMaxFilters = 3;

    DVDataSource();
    ~DVDataSource() override;
    DVDataSource(const DVDataSource&) = delete;
    DVDataSource& operator=(const DVDataSource&) = delete;

    // Values of the current row. The display form is computed once per row.
    std::string GetColumnValue(int32_t index, bool comparisonForm) override;
    void ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) override;
    std::string_view ColumnDisplayView(int32_t index) override { return DisplayValue(index); }
    const std::string_view* DisplayFields(size_t& count) override {
        count = allPlain_ ? rawFieldCount_ : 0;
        return allPlain_ ? rawFields_ : nullptr;
    }
    // The display form of the current row's column, formatted once per row;
    // plain text columns hand out the raw value itself.
    std::string_view DisplayValue(int32_t index) {
        const auto i = static_cast<size_t>(index);
        if (i < plain_.size() && plain_[i] && i < rawFieldCount_) {
            return rawFields_[i];
        }
        return FormattedDisplayValue(index);
    }

    virtual int32_t Open(DVFile& definition, int32_t rowLimit) = 0;
    virtual int32_t GetSourceColumnCount() = 0;
    virtual bool NextRow() = 0;
    virtual std::string GetSourceColumnName(int32_t index) = 0;
    virtual int32_t GetSourceColumnKind(int32_t index);
    virtual int32_t GetSourceColumnPrecision(int32_t index);
    virtual void Close() = 0;
    virtual int32_t Validate(const DVFile& definition) = 0;
    virtual int32_t ValidateSource(const DVFile& definition) = 0;
    bool HasError() const noexcept { return hasError_; }
    // The result code of a failure while rows are read (HasError after a
    // false NextRow): the source could not be read.
    virtual int32_t ReadFailureCode() const;
    const std::string& ErrorText() const noexcept { return errorText_; }
    // Makes the definition's columns mirror the source's fields by position:
    // matching names stay, columns named elsewhere move, new names become new
    // columns (with the tree upkeep for added columns), surplus columns go.
    virtual bool SyncColumns(DVFile& definition);
    // Whether the row just read counts: skip rules, the all-empty rule,
    // filters (AND binds tighter than OR), then first and last row.
    bool AcceptRow();
    // Whether every row counts or not by itself alone: no column skips rows
    // or carries a value over, and no first or last row is set.
    bool RowsStandAlone();
    // Whether the current row is neither blank nor filtered out, without
    // counting it: all that decides a row that stands alone.
    bool RowStandsAlone();
    bool IsBeforeFirstRow() const noexcept { return rowCounter_ < firstRow_; }
    bool IsAfterLastRow() const noexcept { return lastRow_ != 0 && lastRow_ < rowCounter_; }
    std::string BuildWhereClause(const DVFile& definition) const;
    bool HasFilters() const noexcept { return !filters_.empty(); }
    bool HasSort() const noexcept { return !sortEntries_.empty(); }
    // Takes filters, sort keys, columns and row range from the definition.
    void LoadSettings(const DVFile& definition);
    void Reset();
    void ClearSort() { sortEntries_.clear(); }
    void ClearFilters() { filters_.clear(); }
    std::string BuildOrderByClause(const DVFile& definition) const;
    // Back before the first row with the state a fresh Open would give, when
    // the source can get there cheaper than by opening again; false when the
    // caller must open a new source instead.
    virtual bool Rewind(DVFile& definition);
    // Whether the source can hand out the rows of a group itself, where a
    // group's rows are those whose groupIndex column shows the group's
    // value; from then on GroupRows does. Sources that cannot say false, and
    // the caller keeps copies of the rows.
    virtual bool ServeGroupRows(int32_t groupIndex);
    // While the current row shows value in the groupIndex column: that
    // group's rows, read with the values of columns (ascending) only; the
    // comparison form of date-time columns, the display form otherwise. The
    // current row comes back when the result goes.
    virtual std::unique_ptr<DVGroupRows> GroupRows(std::string value,
                                                   const std::vector<int32_t>& columns);
    virtual std::string GetConnectionString(const DVFile& definition);
    static void ClearValueSet(std::set<std::string>& values) { values.clear(); }
    // Called every so many records read (rows rejected and records sorted
    // included) with how many were read; false stops the reading: the
    // source then reads nothing more and Cancelled says so.
    using ReadProgress = std::function<bool(int64_t recordsRead)>;
    void SetReadProgress(ReadProgress progress) { readProgress_ = std::move(progress); }
    bool Cancelled() const noexcept { return cancelled_; }
    // The unformatted value of the current row; valid until the next row.
    virtual std::string_view GetRawValue(int32_t index) = 0;
    // What the column's display form is formatted from: the raw value, in
    // the regional settings' form for number columns (NumberText).
    std::string_view FormattingInput(int32_t index);
    // The current row's raw values as an array, when the reader keeps them
    // so (count set); null otherwise.
    const std::string_view* RawFields(size_t& count) const noexcept {
        count = rawFieldCount_;
        return rawFields_;
    }
    void ClearError();
    void SetError(std::string_view text);
    virtual bool ReadHeader(DVFile& definition) = 0;

    const std::vector<CSCol>& Columns() const noexcept { return columns_; }
    int32_t RowCounter() const noexcept { return rowCounter_; }
    // Records read since the source was made (rejected and sorted ones too).
    int64_t RecordsRead() const noexcept { return recordsRead_; }

protected:
    // Readers call this whenever another record becomes current.
    void BeginRecord() noexcept { ++recordSerial_; }
    // Readers that keep the raw values of a record in an array say where, so
    // plain columns are read without a call (null: GetRawValue only).
    void SetRawFields(const std::string_view* fields, size_t count) noexcept {
        rawFields_ = fields;
        rawFieldCount_ = fields ? count : 0;
    }
    void ResetRowCounter() noexcept { rowCounter_ = 0; }
    // Counts a record read; false once reading is to stop.
    bool CountRecordRead() {
        if ((++recordsRead_ % kReadProgressStep) == 0 && readProgress_ &&
            !readProgress_(recordsRead_)) {
            cancelled_ = true;
        }
        return !cancelled_;
    }
    // The text a number column formats its display value from: the raw
    // value, unless the source writes numbers otherwise than the regional
    // settings read them. (Comparison forms always read '.'.)
    virtual std::string_view NumberText(int32_t, std::string_view raw) { return raw; }
    const std::vector<SortEntry>& SortEntries() const noexcept { return sortEntries_; }
    std::vector<SortEntry>& MutableSortEntries() noexcept { return sortEntries_; }
    std::vector<CSCol>& MutableColumns() noexcept { return columns_; }

private:
    // The column at index; null when there is none.
    CSCol* ColumnAt(int32_t index);
    bool PassesFilters();
    std::string_view FormattedDisplayValue(int32_t index);

    bool hasError_ = false;
    static constexpr int64_t kReadProgressStep = 1024;
    ReadProgress readProgress_;
    int64_t recordsRead_ = 0;
    bool cancelled_ = false;
    std::string errorText_;
    std::vector<DVFilter> filters_;
    std::string filterText_;  // the value a filter is testing, kept between rows
    std::vector<SortEntry> sortEntries_;
    std::vector<CSCol> columns_;
    int32_t rowCounter_ = 0;
    int32_t firstRow_ = 0;
    int32_t lastRow_ = 0;
    uint64_t recordSerial_ = 1;
    std::vector<std::string> display_;
    std::vector<uint64_t> displaySerial_;
    std::vector<uint8_t> plain_;  // columns whose display form is the raw value
    bool anyRowRule_ = true;      // some column skips rows by its value
    bool allPlain_ = false;       // every column is plain (and plain_ is known)
    bool anyUseLast_ = true;      // some column carries its last value over
    const std::string_view* rawFields_ = nullptr;
    size_t rawFieldCount_ = 0;
};

// A new source for a source type (0 delimited text, 1 fixed width, 2 ODBC,
// 3 Excel workbook, 4 Access database), or null for any other.
std::unique_ptr<DVDataSource> CreateDataSource(int32_t sourceType);
// Creates, validates and opens a data source on the definition; prepare
// sets it up in between. A source that fails to open is closed; the status
// carries its error text.
Status OpenDataSource(DVFile& definition, std::unique_ptr<DVDataSource>& source,
                      const std::function<void(DVDataSource&)>& prepare = {});
