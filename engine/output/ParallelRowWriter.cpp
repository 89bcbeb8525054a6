#include "ParallelRowWriter.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <utility>

#include "AutoTextResolver.h"
#include "BatchRow.h"
#include "GroupRegistry.h"
#include "NodeTreeWriter.h"
#include "base/PlatformError.h"
#include "base/ResultCode.h"
#include "model/ColumnMap.h"
#include "model/DVFile.h"
#include "model/RegionalSettings.h"
#include "model/XMLNode.h"
#include "sources/GroupRowView.h"
#include "sources/TextFileDataSource.h"

namespace {

// A batch is handed over at this many rows or bytes of copied values: large
// enough that handing over costs little, small enough that the workers start
// soon and little is held per batch.
constexpr size_t kBatchRows = 2048;
constexpr size_t kBatchBytes = size_t{1} << 19;

std::atomic<size_t> batchRowsForTesting{0};

size_t BatchRows() {
    const size_t testRows = batchRowsForTesting;
    return testRows > 0 ? testRows : kBatchRows;
}

// What decides how a group element's rest is written: with text, whether
// it had children too makes no difference.
Norvik::CSAXWriter::OpenElement Normalized(Norvik::CSAXWriter::OpenElement state) {
    if (state.hasText) {
        state.hasChildren = false;
    }
    return state;
}

}  // namespace

void ParallelRowWriter::Groups::Clear() {
    records.clear();
    items.clear();
    parts.clear();
    continues = false;
    endsInside = false;
}

// What one worker thread writes with: a document of pieces, the node tree's
// writer and the row it reads (a copy of a batch's, or its own source), all
// its own.
struct ParallelRowWriter::Worker {
    Worker(const DVFile& definition, const ColumnMap& map, const std::vector<CSCol>& columns,
           const AutoTextResolver& sharedResolver, bool markRows,
           const RegionalSettings& regionalSettings)
        : root(definition.Root()),
          output(definition),
          resolver(sharedResolver),
          nodes(output, resolver, map, nullptr),
          row(columns),
          regional(regionalSettings) {
        output.StartPiece(markRows);
    }

    void WriteBatch(Job& job) {
        const RowBatch& batch = job.batch;
        for (size_t r = 0; r < batch.RowCount(); ++r) {
            row.Select(batch, r);
            const int32_t number = batch.RowNumber(r);
            nodes.SetRowCount(number);
            output.MarkRow(number);
            nodes.WriteRow(root, row, false);
        }
        output.TakePiece(job.piece);
    }

    // Rows are numbered from 1 within the range; joining moves them on.
    void WriteRange(Job& job) {
        auto& text = static_cast<TextFileDataSource&>(*source);
        int32_t rows = 0;
        if (!text.ReadRange(job.range.begin, job.range.end, job.range.linesBefore)) {
            job.sourceFailure = Status(kSourceFileOpen, "The source file cannot be read again");
        } else {
            while (text.NextRow()) {
                ++rows;
                output.MarkRow(rows);
                nodes.WriteRow(root, text, false);
            }
            if (text.HasError()) {
                job.sourceFailure = Status::FromCode(text.ReadFailureCode(), text.ErrorText());
            }
        }
        job.rows = rows;
        output.TakePiece(job.piece);
    }

    // Group parts in turn: records copied from the sorted source, read
    // with this worker's own.
    void WriteGroups(Job& job) {
        auto& text = static_cast<TextFileDataSource&>(*source);
        Groups& groups = job.groups;
        const GroupPart* part = nullptr;
        size_t nextPart = 0;
        if (groups.continues) {
            part = &groups.parts[nextPart++];
            output.RestartPiece(part->node->node, groups.assumed);
            nodes.SetRowCount(part->rowNumber);
        } else {
            output.RestartPiece();
        }
        const std::string_view records = groups.records;
        for (const GroupItem& item : groups.items) {
            const std::string_view record = records.substr(item.begin, item.size);
            switch (item.kind) {
                case GroupItem::Kind::kMark:
                    output.MarkRow(item.rowNumber);
                    break;
                case GroupItem::Kind::kStart:
                    part = &groups.parts[nextPart++];
                    if (!Read(text, record, job)) {
                        return;
                    }
                    nodes.SetRowCount(part->rowNumber);
                    nodes.WriteGroupStart(*part->node->node, text, part->text);
                    break;
                case GroupItem::Kind::kRow:
                    if (!Read(text, record, job)) {
                        return;
                    }
                    if (text.RowStandsAlone() &&
                        text.DisplayValue(part->node->groupIndex) == part->value) {
                        GroupRowView view(text, *part->node->columns);
                        nodes.WriteGroupRow(*part->node->node, view);
                    }
                    break;
                case GroupItem::Kind::kEnd:
                    nodes.WriteGroupEnd(*part->node->node);
                    part = nullptr;
                    break;
            }
        }
        groups.endsInside = part != nullptr;
        groups.endState = Normalized(output.PieceInnermost());
        output.TakePiece(job.piece);
    }

    // False (the piece taken, the failure kept) when the copy cannot be read.
    bool Read(TextFileDataSource& text, std::string_view record, Job& job) {
        if (text.ReadRecordCopy(record)) {
            return true;
        }
        job.sourceFailure = Status::FromCode(text.ReadFailureCode(), text.ErrorText());
        job.groups.endsInside = false;
        output.TakePiece(job.piece);
        return false;
    }

    const XMLNode& root;
    OutputDocument output;
    AutoTextResolver resolver;
    NodeTreeWriter nodes;
    BatchRow row;
    const RegionalSettings& regional;
    // Ranges: the worker's own source and the definition it opened.
    std::unique_ptr<DVFile> sourceDefinition;
    std::unique_ptr<DVDataSource> source;
};

ParallelRowWriter::ParallelRowWriter(Key, size_t threads, int64_t rowsBefore)
    : jobs_(2 * std::max<size_t>(threads, 1)), rowsJoined_(rowsBefore) {}

ParallelRowWriter::ParallelRowWriter(const DVFile& definition, const ColumnMap& map,
                                     const std::vector<CSCol>& columns,
                                     const AutoTextResolver& resolver, size_t threads,
                                     bool markRows)
    : jobs_(2 * std::max<size_t>(threads, 1)) {
    for (Job& job : jobs_) {
        job.batch.SetColumns(columns);
    }
    const RegionalSettings& regional = RegionalSettings::Current();
    for (size_t i = 0; i < std::max<size_t>(threads, 1); ++i) {
        workers_.push_back(
            std::make_unique<Worker>(definition, map, columns, resolver, markRows, regional));
    }
    StartThreads();
}

std::unique_ptr<ParallelRowWriter> ParallelRowWriter::ReadingRanges(
    const DVFile& definition, const ColumnMap& map, const AutoTextResolver& resolver,
    size_t threads, bool markRows, int64_t rowsBefore) {
    auto writer = std::make_unique<ParallelRowWriter>(Key(), threads, rowsBefore);
    writer->mode_ = Mode::kRanges;
    if (!writer->AddReadingWorkers(definition, map, resolver, threads, markRows, false)) {
        return nullptr;
    }
    writer->StartThreads();
    return writer;
}

std::unique_ptr<ParallelRowWriter> ParallelRowWriter::WritingGroups(
    const DVFile& definition, const ColumnMap& map, const AutoTextResolver& resolver,
    size_t threads, TextFileDataSource& source, const GroupRegistry& groups,
    OutputDocument& output) {
    auto writer = std::make_unique<ParallelRowWriter>(Key(), threads, 0);
    writer->mode_ = Mode::kGroups;
    for (const auto& child : definition.Root().Children()) {
        const std::vector<int32_t>* columns = groups.ColumnsOf(*child);
        if (child->GetGroup() != 0 && columns) {
            writer->groupNodes_.push_back({child.get(), map.IndexOf(child->GetGroup()), columns});
        }
    }
    if (!writer->AddReadingWorkers(definition, map, resolver, threads, output.MarksRows(), true)) {
        return nullptr;
    }
    writer->groupSource_ = &source;
    writer->output_ = &output;
    writer->definition_ = &definition;
    writer->map_ = &map;
    writer->resolver_ = &resolver;
    writer->StartThreads();
    if (output.MarksRows()) {
        ParallelRowWriter* self = writer.get();
        output.RelayRowMarks(
            [self](int32_t row) { self->AddGroupItem(GroupItem::Kind::kMark, {}, row); });
    }
    return writer;
}

bool ParallelRowWriter::AddReadingWorkers(const DVFile& definition, const ColumnMap& map,
                                          const AutoTextResolver& resolver, size_t threads,
                                          bool markRows, bool groups) {
    for (size_t i = 0; i < std::max<size_t>(threads, 1); ++i) {
        std::unique_ptr<Worker> worker = ReadingWorker(definition, map, resolver, markRows, groups);
        if (!worker) {
            return false;
        }
        workers_.push_back(std::move(worker));
    }
    return true;
}

std::unique_ptr<ParallelRowWriter::Worker> ParallelRowWriter::ReadingWorker(
    const DVFile& definition, const ColumnMap& map, const AutoTextResolver& resolver, bool markRows,
    bool groups) {
    auto copy = std::make_unique<DVFile>(definition);
    std::unique_ptr<DVDataSource> source = CreateDataSource(copy->Settings().sourcetype);
    auto* text = dynamic_cast<TextFileDataSource*>(source.get());
    if (!text) {
        return nullptr;
    }
    // Records come as copies: the sort index is the reading thread's.
    text->SetBuildsSortIndex(!groups);
    if (text->Validate(*copy) != kSuccess || text->Open(*copy, 0) != kSuccess ||
        (!groups && !text->CanReadRanges())) {
        return nullptr;
    }
    auto worker = std::make_unique<Worker>(definition, map, std::vector<CSCol>(), resolver,
                                           markRows, RegionalSettings::Current());
    worker->sourceDefinition = std::move(copy);
    worker->source = std::move(source);
    return worker;
}

void ParallelRowWriter::StartThreads() {
    pool_ = std::make_unique<OrderedWorkers>(
        workers_.size(), jobs_.size(),
        [this](size_t worker, size_t slot) { Work(*workers_[worker], jobs_[slot]); });
}

ParallelRowWriter::~ParallelRowWriter() {
    if (output_ && output_->MarksRows()) {
        output_->RelayRowMarks(nullptr);
    }
}

void ParallelRowWriter::SetBatchRowsForTesting(size_t rows) {
    batchRowsForTesting = rows;
}

void ParallelRowWriter::Add(DVDataSource& source, int32_t rowNumber, OutputDocument& output) {
    RowBatch& batch = jobs_[pool_->Filling()].batch;
    batch.Add(source, rowNumber);
    if (batch.RowCount() >= BatchRows() || batch.Bytes() >= kBatchBytes) {
        Submit(output);
    }
}

bool ParallelRowWriter::Writes(const XMLNode& node) const {
    return std::any_of(groupNodes_.begin(), groupNodes_.end(),
                       [&node](const GroupNode& group) { return group.node == &node; });
}

void ParallelRowWriter::Write(const XMLNode& node, std::string_view text,
                              std::string_view groupValue, int32_t rowNumber) {
    const auto group = std::find_if(groupNodes_.begin(), groupNodes_.end(),
                                    [&node](const GroupNode& g) { return g.node == &node; });
    if (streaming_) {
        EndStream();
    }
    GroupPart part;
    part.node = &*group;
    part.value.assign(groupValue);
    part.text.assign(text);
    part.rowNumber = rowNumber;
    // The start reads the current record: its copy goes before the group's.
    const std::string_view current = groupSource_->CurrentRecordCopy();
    AddGroupItem(GroupItem::Kind::kStart, current);
    jobs_[pool_->Filling()].groups.parts.push_back(part);
    openPart_ = std::move(part);
    if (streams_ && groupSource_->FirstRowOfGroupRun()) {
        // No row of the run came before this one: the rest come as the
        // reading goes on.
        streaming_ = true;
        streamRun_ = groupSource_->GroupRunNumber();
        AddGroupItem(GroupItem::Kind::kRow, current);
        return;
    }
    AddGroupRows(groupSource_->GroupRecordCopies());
    EndGroupElement();
}

void ParallelRowWriter::AddGroupRows(std::optional<TextFileDataSource::GroupCopies> copies) {
    std::string_view record;
    while (copies && copies->Next(record)) {
        AddGroupItem(GroupItem::Kind::kRow, record);
    }
}

void ParallelRowWriter::EndGroupElement() {
    AddGroupItem(GroupItem::Kind::kEnd, {});
    openPart_.reset();
    streaming_ = false;
}

void ParallelRowWriter::PassedOver() {
    if (streaming_) {
        AddGroupItem(GroupItem::Kind::kRow, groupSource_->CurrentRecordCopy());
    }
}

void ParallelRowWriter::EndStream() {
    // Rows of the group's value may still follow in its run, after a row
    // of another spelling started a group of its own: they belong here.
    if (groupSource_->GroupRunNumber() == streamRun_) {
        AddGroupRows(groupSource_->RestOfGroupCopies());
    }
    EndGroupElement();
}

void ParallelRowWriter::AddGroupItem(GroupItem::Kind kind, std::string_view record,
                                     int32_t rowNumber) {
    Groups* groups = &jobs_[pool_->Filling()].groups;
    if (groups->items.size() >= BatchRows() || groups->records.size() >= kBatchBytes) {
        Submit(*output_);
        groups = &jobs_[pool_->Filling()].groups;
        if (openPart_) {
            // The rest of the open group element: as if it had content
            // before (checked when joined).
            groups->continues = true;
            groups->assumed =
                Normalized({false, !openPart_->text.empty(), openPart_->text.empty()});
            groups->parts.push_back(*openPart_);
        }
    }
    groups->items.push_back({kind, rowNumber, groups->records.size(), record.size()});
    groups->records.append(record);
}

void ParallelRowWriter::AddRange(const RecordCutter::Range& range, OutputDocument& output) {
    jobs_[pool_->Filling()].range = range;
    Submit(output);
}

void ParallelRowWriter::Finish(OutputDocument& output) {
    if (streaming_) {
        EndGroupElement();  // every row of the run has been passed over
    }
    const Job& filling = jobs_[pool_->Filling()];
    if ((mode_ == Mode::kBatches && filling.batch.RowCount() > 0) ||
        (mode_ == Mode::kGroups && !filling.groups.items.empty())) {
        Submit(output);
    }
    while (pool_->InFlight() > 0) {
        JoinFinished(output, true);
    }
    if (mode_ == Mode::kGroups && output.MarksRows()) {
        output.RelayRowMarks(nullptr);
    }
}

void ParallelRowWriter::Submit(OutputDocument& output) {
    pool_->Submit();
    // Every slot under way: the next to fill is the oldest, joined first.
    // One join per hand-over: a join may wait for the file to take the
    // piece, and the workers must have work meanwhile.
    size_t slot = 0;
    if (pool_->TakeOldest(slot, pool_->Full())) {
        Join(jobs_[slot], output);
    }
    jobs_[pool_->Filling()].batch.Clear();
    jobs_[pool_->Filling()].groups.Clear();
}

void ParallelRowWriter::JoinFinished(OutputDocument& output, bool wait) {
    size_t slot = 0;
    while (pool_->TakeOldest(slot, wait)) {
        Join(jobs_[slot], output);
        wait = false;
    }
}

void ParallelRowWriter::Join(Job& job, OutputDocument& output) {
    if (job.failure) {
        std::rethrow_exception(std::exchange(job.failure, nullptr));
    }
    if (mode_ == Mode::kGroups) {
        if (job.groups.continues && job.groups.assumed != joinedState_ &&
            job.sourceFailure.IsOk()) {
            WriteAgain(job);
        }
        if (job.groups.endsInside) {
            joinedState_ = job.groups.endState;
        }
    }
    const bool ranges = mode_ == Mode::kRanges;
    // A range numbers its rows from 1: they follow those joined before.
    output.AppendPiece(job.piece, ranges ? static_cast<int32_t>(rowsJoined_) : 0);
    rowsJoined_ += ranges ? job.rows : static_cast<int64_t>(job.batch.RowCount());
    if (!job.sourceFailure.IsOk()) {
        throw SourceFailure(std::exchange(job.sourceFailure, Status()));
    }
}

void ParallelRowWriter::Work(Worker& worker, Job& job) {
    // Each thread formats with the run's regional settings.
    RegionalSettings::Scope scope(worker.regional);
    try {
        switch (mode_) {
            case Mode::kBatches:
                worker.WriteBatch(job);
                break;
            case Mode::kRanges:
                worker.WriteRange(job);
                break;
            case Mode::kGroups:
                worker.WriteGroups(job);
                break;
        }
    } catch (...) {
        job.failure = std::current_exception();
    }
}

void ParallelRowWriter::WriteAgain(Job& job) {
    // Rare: a large group whose rows wrote nothing before this part.
    if (!again_) {
        again_ = ReadingWorker(*definition_, *map_, *resolver_, output_->MarksRows(), true);
        if (!again_) {
            throw SourceFailure(Status(kSourceFileOpen, "The source file cannot be read again"));
        }
    }
    job.groups.assumed = joinedState_;
    Work(*again_, job);
    if (job.failure) {
        std::rethrow_exception(std::exchange(job.failure, nullptr));
    }
}
