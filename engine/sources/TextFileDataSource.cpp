#include "TextFileDataSource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "GroupRowView.h"
#include "RecordCutter.h"
#include "SortKeyWorkers.h"
#include "base/PlatformError.h"
#include "base/ResultCode.h"
#include "base/TextUtil.h"
#include "io/SpillSettings.h"
#include "model/DVFile.h"
#include "model/NumberFormat.h"
#include "sort/SortKey.h"

namespace {

// The entries of one range of the file travel together: large enough that
// handing a range over costs little, small enough that several are under way.
constexpr size_t kIndexRangeBytes = size_t{1} << 19;

// An index entry's payload: the record's position, the length of its note
// and the note, then the record's bytes.
struct IndexedRecord {
    int64_t position = 0;
    std::string_view note;
    std::string_view bytes;
};
constexpr size_t kNoteAt = sizeof(int64_t) + sizeof(uint32_t);

bool ReadIndexed(std::string_view payload, IndexedRecord& record) {
    uint32_t noteLength = 0;
    if (payload.size() < kNoteAt) {
        return false;
    }
    std::memcpy(&record.position, payload.data(), sizeof record.position);
    std::memcpy(&noteLength, payload.data() + sizeof record.position, sizeof noteLength);
    if (payload.size() - kNoteAt < noteLength) {
        return false;
    }
    record.note = payload.substr(kNoteAt, noteLength);
    record.bytes = payload.substr(kNoteAt + noteLength);
    return true;
}

}  // namespace

TextFileDataSource::~TextFileDataSource() = default;

std::string TextFileDataSource::GeneratedName(size_t position) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "col%03zu", position + 1);
    return buffer;
}

std::string_view TextFileDataSource::RemoveOpeningQuote(std::string_view text,
                                                        std::string& storage) {
    const char opening = text.front();
    text.remove_prefix(1);
    if (text.empty() || (text.back() != '"' && text.back() != '\'')) {
        return text;
    }
    const char closing = text.back();
    text.remove_suffix(1);
    if (opening != '"' || closing != '"' || text.find("\"\"") == std::string_view::npos) {
        return text;
    }
    storage.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        storage += text[i];
        if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            ++i;
        }
    }
    return storage;
}

bool TextFileDataSource::IsGeneratedStyleName(std::string_view name) {
    return name.substr(0, 3) == "col";
}

int32_t TextFileDataSource::Validate(const DVFile& definition) {
    return definition.Settings().sourcefilename.empty() ? kNoSourceFile : kSuccess;
}

std::string TextFileDataSource::GetSourceColumnName(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= headerNames_.size()) {
        return {};
    }
    return headerNames_[static_cast<size_t>(index)];
}

std::string_view TextFileDataSource::GetRawValue(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= record_.size()) {
        return {};
    }
    return record_[static_cast<size_t>(index)];
}

void TextFileDataSource::SetRecordSize(size_t count) {
    record_.assign(count, std::string_view());
    fieldStorage_.resize(count);
    SetRawFields(record_.data(), record_.size());
}

int32_t TextFileDataSource::Open(DVFile& definition, int32_t) {
    Close();
    ClearError();
    recordFailed_ = false;
    uncountedFrom_ = -1;
    const DVFileSettings& settings = definition.Settings();
    trimSpace_ = settings.trimspace;
    removeQuotes_ = settings.removequotes;
    path_ = settings.sourcefilename;
    file_ = std::make_unique<Norvik::CTextFile>();
    if (readBlockSize_ > 0) {
        file_->SetBlockSizeForTesting(readBlockSize_);
    }
    if (!file_->Open(path_, true)) {
        SetError(Norvik::ErrnoText(file_->Error()));
        file_.reset();
        return kSourceFileOpen;
    }
    if (!ReadHeader(definition)) {
        Close();
        return recordFailed_ ? kSourceRecord : kNoColumns;
    }
    SyncColumns(definition);
    LoadSettings(definition);
    BuildSortIndex(definition);
    if (Cancelled()) {
        Close();
        return kCancelled;
    }
    if (HasError()) {
        Close();
        return ReadFailureCode();  // the sort index could not read the file
    }
    return kSuccess;
}

void TextFileDataSource::Close() {
    file_.reset();
    headerNames_.clear();
    SetRawFields(nullptr, 0);
    record_.clear();
    fieldStorage_.clear();
    ClearSortIndex();
}

void TextFileDataSource::ClearSortIndex() {
    index_.reset();
    groupIndex_ = -1;
    groupNoteIndex_ = -1;
    skimming_ = false;
    skimmed_ = false;
}

int32_t TextFileDataSource::ReadFailureCode() const {
    return recordFailed_ ? kSourceRecord : kSourceFileOpen;
}

void TextFileDataSource::FailRecord(std::string text) {
    SetError(text);
    recordFailed_ = true;
}

bool TextFileDataSource::ReadNextLine(std::string_view& line) {
    if (!file_) {
        return false;
    }
    const Norvik::CTextFile::LineStatus status = file_->ReadLine(line, kMaxLineChars);
    return status == Norvik::CTextFile::LineStatus::kLine || LineRead(status);
}

bool TextFileDataSource::LineRead(Norvik::CTextFile::LineStatus status) {
    switch (status) {
        case Norvik::CTextFile::LineStatus::kLine:
            return true;
        case Norvik::CTextFile::LineStatus::kEnd:
            return false;
        case Norvik::CTextFile::LineStatus::kTooLong: {
            int64_t number = file_->LineNumber();
            if (number > 0 && uncountedFrom_ >= 0) {
                // The range's lines were counted from its start only.
                const int64_t before = RecordCutter::CountLines(path_, uncountedFrom_);
                number = before >= 0 ? before + number : 0;
            }
            SetError((number > 0 ? "Line " + std::to_string(number) : std::string("A line")) +
                     " of " + path_ + " is longer than " + std::to_string(kMaxLineChars) +
                     " characters");
            return false;
        }
        case Norvik::CTextFile::LineStatus::kReadError:
            SetError("Reading " + path_ + ": " + file_->ErrorText());
            return false;
    }
    return false;
}

bool TextFileDataSource::CanReadRanges() const {
    return file_ && file_->CanSeek() && !index_ &&
           file_->GetCodePage() != Norvik::CTextFile::kUtf16 &&
           file_->GetCodePage() != Norvik::CTextFile::kUtf16BigEndian;
}

bool TextFileDataSource::ReadRange(int64_t begin, int64_t end, int64_t linesBefore) {
    if (!file_ || index_ || begin < 0 || end < begin) {
        return false;
    }
    ClearError();
    recordFailed_ = false;
    ResetRowCounter();
    const auto hint = static_cast<size_t>(
        std::min<int64_t>(end - begin, static_cast<int64_t>(Norvik::CTextFile::kBlockSize)));
    if (!file_->Seek(begin, hint)) {
        return false;
    }
    const bool counted = linesBefore != RecordCutter::kLinesNotCounted;
    uncountedFrom_ = counted ? -1 : begin;
    file_->SetLineNumber(counted ? linesBefore : 0);
    file_->SetLimit(end);
    return true;
}

bool TextFileDataSource::NextRow() {
    skimmed_ = false;
    if (!file_ || HasError() || IsAfterLastRow()) {
        return false;
    }
    do {
        if (index_) {
            if (!NextSorted()) {
                return false;
            }
            IndexedRecord record;
            if (!ReadIndexed(index_->Payload(), record)) {
                return DamagedIndex();
            }
            if (skimming_ && !record.note.empty()) {
                if (record.note.front() == '\0') {
                    if (!CountRecordRead()) {
                        return false;
                    }
                    continue;  // filtered out or blank: no row
                }
                if (record.note.substr(1) == skimValue_) {
                    skimmed_ = true;
                    CountRowInBlock();
                    return CountRecordRead();
                }
            }
            file_->SeekToCopy(record.position, record.bytes);
        }
        if (!ReadRecord() || !CountRecordRead()) {
            return false;
        }
        if (AcceptRow()) {
            CountRowInBlock();
            return true;
        }
    } while (!IsAfterLastRow());
    return false;
}

void TextFileDataSource::CountRowInBlock() {
    if (!index_) {
        return;
    }
    if (index_->BlockNumber() != rowsBlock_) {
        rowsBlock_ = index_->BlockNumber();
        rowsInBlock_ = 0;
    }
    ++rowsInBlock_;
}

bool TextFileDataSource::NextSorted() {
    // The index holds each record's bytes, so rows in key order come from
    // its sequential runs rather than from reads all over the file.
    try {
        return index_->Next();
    } catch (const Norvik::PlatformError& error) {
        SetError(error.Description());
        return false;
    }
}

bool TextFileDataSource::SeekToIndexed(std::string_view payload) {
    IndexedRecord record;
    if (!ReadIndexed(payload, record)) {
        return DamagedIndex();
    }
    file_->SeekToCopy(record.position, record.bytes);
    return true;
}

bool TextFileDataSource::DamagedIndex() {
    SetError("The sort index of " + path_ + " is damaged");  // never fewer rows unreported
    return false;
}

void TextFileDataSource::SkimGroupValue(const std::string* value) {
    skimming_ = value && HasGroupNotes();
    if (skimming_) {
        skimValue_.assign(*value);
    }
}

// Reads the block of the current record again from its beginning, keeping
// the records that count and show the group's value. The source has one
// current record: the group's rows pass through it, and the record that was
// current comes back at the end.
class TextFileDataSource::BlockGroupRows : public DVGroupRows {
public:
    BlockGroupRows(TextFileDataSource& source, std::string value,
                   const std::vector<int32_t>& columns)
        : source_(source),
          value_(std::move(value)),
          view_(source, columns),
          current_(source.index_->Payload()),
          copies_(source, source.index_->ReadBlock()) {
        Next();
    }
    ~BlockGroupRows() override {
        if (source_.SeekToIndexed(current_)) {
            source_.ReadRecord();
        }
    }
    BlockGroupRows(const BlockGroupRows&) = delete;
    BlockGroupRows& operator=(const BlockGroupRows&) = delete;

    bool IsAtEnd() const noexcept override { return atEnd_; }

    void Next() override {
        std::string_view copy;
        while (!atEnd_) {
            if (!copies_.Next(copy)) {
                atEnd_ = true;
            } else if (source_.ReadRecordCopy(copy) && source_.RowStandsAlone() &&
                       source_.DisplayValue(source_.groupIndex_) == value_) {
                return;
            } else if (source_.HasError()) {
                atEnd_ = true;
            }
        }
    }

    std::string GetColumnValue(int32_t index, bool comparisonForm) override {
        return atEnd_ ? std::string() : view_.GetColumnValue(index, comparisonForm);
    }
    void ColumnValueInto(int32_t index, bool comparisonForm, std::string& out) override {
        if (atEnd_) {
            out.clear();
        } else {
            view_.ColumnValueInto(index, comparisonForm, out);
        }
    }
    std::string_view ColumnDisplayView(int32_t index) override {
        return atEnd_ ? std::string_view() : view_.ColumnDisplayView(index);
    }

private:
    TextFileDataSource& source_;
    std::string value_;
    GroupRowView view_;
    std::string current_;  // the index payload of the current record
    GroupCopies copies_;
    bool atEnd_ = false;
};

TextFileDataSource::GroupCopies::GroupCopies(TextFileDataSource& source,
                                             SortIndex::BlockReader rows)
    : source_(source), rows_(std::move(rows)) {}

bool TextFileDataSource::GroupCopies::Next(std::string_view& copy) {
    try {
        if (!rows_.Next()) {
            return false;
        }
    } catch (const Norvik::PlatformError& error) {
        source_.SetError(error.Description());
        return false;
    }
    if (!source_.CountRecordRead()) {
        return false;
    }
    copy = rows_.Payload();
    return true;
}

std::string_view TextFileDataSource::CurrentRecordCopy() const {
    return index_ ? index_->Payload() : std::string_view();
}

std::optional<TextFileDataSource::GroupCopies> TextFileDataSource::GroupRecordCopies() {
    if (groupIndex_ < 0 || !index_ || !index_->InBlock()) {
        return std::nullopt;
    }
    return std::optional<GroupCopies>(std::in_place, *this, index_->ReadBlock());
}

std::optional<TextFileDataSource::GroupCopies> TextFileDataSource::RestOfGroupCopies() {
    if (groupIndex_ < 0 || !index_ || !index_->InBlock()) {
        return std::nullopt;
    }
    return std::optional<GroupCopies>(std::in_place, *this, index_->ReadRestOfBlock());
}

bool TextFileDataSource::ReadRecordCopy(std::string_view copy) {
    return SeekToIndexed(copy) && ReadRecord();
}

bool TextFileDataSource::ServeGroupRows(int32_t groupIndex) {
    const std::vector<SortEntry>& entries = SortEntries();
    if (!index_ || index_->Released() || HasError() || entries.empty() || sortKinds_.empty() ||
        groupIndex < 0 || entries.front().columnIndex != groupIndex ||
        sortKinds_.front() != DataTypeProperties::kText ||
        static_cast<size_t>(groupIndex) >= Columns().size() ||
        !Columns()[static_cast<size_t>(groupIndex)].ShowsRawValue() || !RowsStandAlone()) {
        return false;
    }
    // The index is read for the last time, block by block.
    index_->ServeBlocks(entries.front().descending);
    groupIndex_ = groupIndex;
    return true;
}

std::unique_ptr<DVGroupRows> TextFileDataSource::GroupRows(std::string value,
                                                           const std::vector<int32_t>& columns) {
    if (groupIndex_ < 0 || !index_ || !index_->InBlock()) {
        return nullptr;
    }
    return std::make_unique<BlockGroupRows>(*this, std::move(value), columns);
}

bool TextFileDataSource::Rewind(DVFile& definition) {
    if (!file_ || HasError() || !index_ || index_->Released() || file_->GetSize() != indexedSize_ ||
        file_->GetModificationTime() != indexedTime_) {
        return false;
    }
    LoadSettings(definition);
    // The run's last pass: the index's pages serve the output instead.
    index_->ReadAgain();
    ResetRowCounter();
    return !HasError();
}

void TextFileDataSource::BuildSortIndex(const DVFile& definition) {
    ClearSortIndex();
    if (!HasSort() || !file_) {
        return;
    }
    ResolveSortColumns(definition);
    const int32_t noted = groupNoteId_ != 0 ? definition.ColumnIndexById(groupNoteId_) : -1;
    groupNoteIndex_ = noted >= 0 && static_cast<size_t>(noted) < Columns().size() ? noted : -1;
    if (!buildsSortIndex_) {
        return;
    }
    // The index covers every record from the first data line.
    indexedSize_ = file_->GetSize();
    indexedTime_ = file_->GetModificationTime();
    file_->Seek(0);
    if (definition.Settings().firstrowhascolnames) {
        ReadRecord();
    }
    try {
        // Grouping takes the other half of the budget.
        const bool apart = sortThreads_ > 1 && CanReadRanges() && !indexFilter_;
        index_ = std::make_unique<SortIndex>(Norvik::SpillSettings::BudgetBytes() / 2);
        if (sortThreads_ > 1) {
            index_->SpillInBackground();
        }
        if (apart) {
            IndexRecordsApart(definition);
        } else {
            IndexRecords();
        }
    } catch (const Norvik::PlatformError& error) {
        ClearSortIndex();
        SetError(error.Description());
    }
    ResetRowCounter();
}

void TextFileDataSource::ResolveSortColumns(const DVFile& definition) {
    sortKinds_.clear();
    for (SortEntry& entry : MutableSortEntries()) {
        entry.columnIndex = definition.ColumnIndexById(entry.columnId);
        const bool known =
            entry.columnIndex >= 0 && static_cast<size_t>(entry.columnIndex) < Columns().size();
        sortKinds_.push_back(known ? Columns()[static_cast<size_t>(entry.columnIndex)].dataType
                                   : DataTypeProperties::kText);
    }
}

bool TextFileDataSource::NextIndexEntry(std::string& key, std::string& payload) {
    const int64_t position = file_->Tell();
    if (!ReadRecord()) {
        return false;
    }
    key.clear();
    AppendRecordKey(key, keyValue_, keyLower_);
    payload.resize(kNoteAt);
    std::memcpy(payload.data(), &position, sizeof position);
    if (groupNoteIndex_ >= 0) {
        payload += RowStandsAlone() ? '\1' : '\0';
        payload += DisplayValue(groupNoteIndex_);
    }
    const auto noteLength = static_cast<uint32_t>(payload.size() - kNoteAt);
    std::memcpy(payload.data() + sizeof position, &noteLength, sizeof noteLength);
    if (!file_->AppendBytes(position, payload)) {
        throw Norvik::PlatformError(Norvik::kEFail, "Reading " + path_ + ": " + file_->ErrorText());
    }
    return true;
}

void TextFileDataSource::IndexRecordsApart(const DVFile& definition) {
    std::unique_ptr<SortKeyWorkers> workers;
    try {
        workers = SortKeyWorkers::Open(definition, sortThreads_, groupNoteId_);
    } catch (const std::system_error&) {
        workers.reset();
    }
    if (!workers) {
        IndexRecords();  // no helpers to be had: this source reads alone
        return;
    }
    RecordCutter cutter(path_, file_->Tell(), file_->LineNumber(), QuotedRecords(),
                        kIndexRangeBytes, false);
    SortKeyWorkers::Stop stop;
    const bool whole = workers->MakeEntries(
        cutter,
        [this](std::string_view key, std::string_view payload) {
            if (!CountRecordRead()) {
                return false;  // the run is cancelled
            }
            index_->Add(key, payload);
            return true;
        },
        stop);
    if (Cancelled()) {
        return;
    }
    if (!whole) {
        if (!stop.error.empty()) {
            SetError(stop.error);
            recordFailed_ = stop.recordFailed;
        } else {
            SetError("Reading " + path_ + ": " + Norvik::ErrnoText(cutter.Error()));
        }
    }
    index_->Finish();
}

void TextFileDataSource::IndexRecords() {
    std::string key;
    std::string payload;
    while (NextIndexEntry(key, payload)) {
        if (!CountRecordRead()) {
            return;  // the run is cancelled: the index is not used
        }
        if (!indexFilter_ || indexFilter_(key)) {
            index_->Add(key, payload);
        }
    }
    index_->Finish();
}

void TextFileDataSource::AppendRecordKey(std::string& key, std::string& value, std::string& lower) {
    const std::vector<SortEntry>& entries = SortEntries();
    for (size_t i = 0; i < entries.size(); ++i) {
        ColumnValueInto(entries[i].columnIndex, true, value);
        const bool descending = entries[i].descending;
        if (sortKinds_[i] == DataTypeProperties::kNumber) {
            // The comparison form is padded text; its value orders
            // negatives and numbers wider than the padding correctly.
            SortKey::AppendNumber(key, ComparisonNumberValue(value), descending);
        } else if (sortKinds_[i] == DataTypeProperties::kDateTime) {
            SortKey::AppendText(key, value, descending);
        } else {
            Norvik::ToLowerInto(value, lower);
            SortKey::AppendText(key, lower, descending);
        }
    }
}
