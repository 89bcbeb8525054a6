#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "DVDataSource.h"
#include "DelimitedFieldSplitter.h"
#include "io/CTextFile.h"
#include "sort/SortIndex.h"

// The common part of the delimited and fixed-width sources: the file, header
// names, the current record, row reading and the sort index.
class TextFileDataSource : public DVDataSource {
public:
    static constexpr size_t kMaxLineChars = Norvik::CTextFile::kDefaultMaxChars;
    // A record whose quoted field runs on across lines stops here.
    static constexpr size_t kMaxRecordBytes = size_t{16} << 20;

    using DVDataSource::DVDataSource;
    ~TextFileDataSource() override;

    int32_t Open(DVFile& definition, int32_t rowLimit) override;
    int32_t GetSourceColumnCount() override { return static_cast<int32_t>(headerNames_.size()); }
    std::string GetSourceColumnName(int32_t index) override;
    std::string_view GetRawValue(int32_t index) override;
    bool NextRow() override;
    // 122 for a record that cannot be read, 103 otherwise.
    int32_t ReadFailureCode() const override;
    void Close() override;
    int32_t Validate(const DVFile& definition) override;
    int32_t ValidateSource(const DVFile& definition) override { return Validate(definition); }
    // Keeps a sort index (building it reads and sorts the whole file) while
    // the file is unchanged: the index is read once more, for the last time.
    bool Rewind(DVFile& definition) override;
    // When the first sort key is the group column, shown as it stands: a
    // group's rows are then the records of one run of equal keys in the
    // index, read again from where that run began.
    bool ServeGroupRows(int32_t groupIndex) override;
    std::unique_ptr<DVGroupRows> GroupRows(std::string value,
                                           const std::vector<int32_t>& columns) override;
    // The sort index notes with each record whether it stands alone and its
    // display value in the column of this id (0: none), so that rows of a
    // group can be passed over unread (SkimGroupValue). Set before Open.
    void SetGroupNote(int32_t columnId) noexcept { groupNoteId_ = columnId; }
    bool HasGroupNotes() const noexcept { return index_ && groupNoteIndex_ >= 0; }
    // Sorted reading with group notes: while a value is set, NextRow passes
    // over a record whose note shows it stands alone with that group value
    // without reading it (Skimmed then says so, and the row's values are
    // not read), and over one that does not stand alone without counting
    // it. Null: every record is read.
    void SkimGroupValue(const std::string* value);
    bool Skimmed() const noexcept { return skimmed_; }

    // Copies of records, for another source of the same definition (one
    // that builds no index) to read with ReadRecordCopy: the current
    // record's, valid until the next row; and those of the current row's
    // group, in order, while groups are served. Reading the copies counts
    // the records read, and stops when the run is cancelled or the sort
    // index cannot be read (the error set).
    std::string_view CurrentRecordCopy() const;
    class GroupCopies {
    public:
        GroupCopies(TextFileDataSource& source, SortIndex::BlockReader rows);
        // The next copy, valid until the next call; false at the end.
        bool Next(std::string_view& copy);

    private:
        TextFileDataSource& source_;
        SortIndex::BlockReader rows_;
    };
    std::optional<GroupCopies> GroupRecordCopies();
    // The same from the current record on (it first), to the end of its
    // group's run of equal keys.
    std::optional<GroupCopies> RestOfGroupCopies();
    // While groups are served: which run of equal keys the current record
    // is in (they are counted), and whether the current row is the first
    // of its run that counts as a row.
    uint64_t GroupRunNumber() const noexcept { return index_ ? index_->BlockNumber() : 0; }
    bool FirstRowOfGroupRun() const noexcept { return rowsInBlock_ == 1; }
    // Makes the copied record the current one.
    bool ReadRecordCopy(std::string_view copy);

    // Tests use small read blocks to cross many of them.
    void SetReadBlockSizeForTesting(size_t bytes) { readBlockSize_ = bytes; }
    // Threads that make the sort index's keys, each reading ranges of the
    // file with a source of its own (1: this source alone). Set before Open.
    void SetSortThreads(size_t threads) noexcept { sortThreads_ = threads; }
    // Off: Open resolves the sort columns but builds no index, for a source
    // that only makes index entries (NextIndexEntry) for another.
    void SetBuildsSortIndex(bool on) noexcept { buildsSortIndex_ = on; }
    // Asked while the sort index is built, for each record (then current)
    // with its key: a record it says false to is left out of the index and
    // so out of the rows. Keys are then made on this thread. Set before Open.
    using IndexFilter = std::function<bool(std::string_view key)>;
    void SetIndexFilter(IndexFilter filter) { indexFilter_ = std::move(filter); }
    // Reads the next record and makes its index entry: the sort key, and the
    // record's position and bytes. False at the end or on an error.
    bool NextIndexEntry(std::string& key, std::string& payload);

    // Reads the next line into the record; false at the end or on an error.
    virtual bool ReadRecord() = 0;

    // Reading in ranges of whole records, each by a source of its own: a
    // seekable file whose line ends are single bytes, read in file order.
    virtual bool CanReadRanges() const;
    // Where the record after the current one starts, and the lines before it.
    int64_t NextRecordOffset() const { return file_ ? file_->Tell() : -1; }
    int64_t LinesRead() const { return file_ ? file_->LineNumber() : 0; }
    // How records run on past a line end: null when every line is one.
    virtual const DelimitedFieldSplitter* QuotedRecords() const { return nullptr; }
    // From now on reads only the records from begin up to end, the lines
    // before begin counting linesBefore (RecordCutter::kLinesNotCounted:
    // counted when a message needs them); the first and last row settings
    // count from the range's start.
    bool ReadRange(int64_t begin, int64_t end, int64_t linesBefore);

    // The generated name of a 0-based field position: "col001", "col002", …
    static std::string GeneratedName(size_t position);
    // Drops a leading double or single quote and then, if there was one, a
    // trailing double or single quote. When both were double quotes, doubled
    // quotes inside ("") become one, as quoted CSV fields write them; storage
    // then holds the text. Other texts come back unchanged.
    static std::string_view RemoveQuotes(std::string_view text, std::string& storage) {
        // Most fields have no quote to remove: no call for them.
        if (text.empty() || (text.front() != '"' && text.front() != '\'')) {
            return text;
        }
        return RemoveOpeningQuote(text, storage);
    }
    // Names beginning with "col" count as generated and are renumbered.
    static bool IsGeneratedStyleName(std::string_view name);

protected:
    // The next non-empty line; false at the end or after an error (set).
    bool ReadNextLine(std::string_view& line);
    // Whether a read gave a line; sets the error of a line too long or a
    // file that cannot be read.
    bool LineRead(Norvik::CTextFile::LineStatus status);
    // A record that cannot be read (a quoted field never closed, a record
    // too long): the error, and the result code it gives.
    void FailRecord(std::string text);
    void SetRecordSize(size_t count);

    std::unique_ptr<Norvik::CTextFile> file_;
    std::string path_;
    bool trimSpace_ = true;
    bool removeQuotes_ = true;
    std::vector<std::string> headerNames_;
    // Fields of the current line: views into the line, or into fieldStorage_
    // when a field had to change.
    std::vector<std::string_view> record_;
    std::vector<std::string> fieldStorage_;
    bool recordFailed_ = false;
    int64_t uncountedFrom_ = -1;  // where a range with uncounted lines began

private:
    class BlockGroupRows;

    // RemoveQuotes for text that starts with a quote.
    static std::string_view RemoveOpeningQuote(std::string_view text, std::string& storage);

    // Orders rows by an index of (key, record bytes), one entry per record:
    // numbers by value, dates by their comparison text, text without regard
    // to case; equal keys keep file order. A large index goes to temporary
    // files past half the memory budget.
    void BuildSortIndex(const DVFile& definition);
    // The column index and kind of each sort entry.
    void ResolveSortColumns(const DVFile& definition);
    // One index entry for each record from the current one to the end.
    void IndexRecords();
    // The same with the keys made by other threads, range by range; the
    // entries reach the index in file order, so ties keep it.
    void IndexRecordsApart(const DVFile& definition);
    // value and lower are buffers kept across records.
    void AppendRecordKey(std::string& key, std::string& value, std::string& lower);
    // Moves to the next record in key order; false at the end or on an error.
    bool NextSorted();
    // Counts the row just read or passed over in its run of equal keys.
    void CountRowInBlock();
    // Fails the reading: an index entry does not hold what was put in; false.
    bool DamagedIndex();
    // Makes the record of an index entry's payload the next to read.
    bool SeekToIndexed(std::string_view payload);
    void ClearSortIndex();

    std::unique_ptr<SortIndex> index_;
    std::vector<int32_t> sortKinds_;
    size_t readBlockSize_ = 0;  // 0: the file's own
    size_t sortThreads_ = 1;
    bool buildsSortIndex_ = true;  // false: a helper that only makes keys
    std::string keyValue_;         // scratch of AppendRecordKey
    std::string keyLower_;
    int64_t indexedSize_ = 0;  // the file as the index read it
    int64_t indexedTime_ = 0;
    int32_t groupIndex_ = -1;  // the group column whose rows the index serves
    int32_t groupNoteId_ = 0;
    int32_t groupNoteIndex_ = -1;  // the column the index notes (resolved)
    bool skimming_ = false;
    std::string skimValue_;
    bool skimmed_ = false;
    uint64_t rowsBlock_ = 0;   // the run of equal keys rowsInBlock_ counts in
    int64_t rowsInBlock_ = 0;  // rows read or passed over in it so far
    IndexFilter indexFilter_;
};
