#include "ParallelRowWriter.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <utility>

#include "AutoTextResolver.h"
#include "BatchRow.h"
#include "NodeTreeWriter.h"
#include "base/ResultCode.h"
#include "model/DVFile.h"
#include "model/RegionalSettings.h"
#include "sources/TextFileDataSource.h"

namespace {

// A batch is handed over at this many rows or bytes of copied values: large
// enough that handing over costs little, small enough that the workers start
// soon and little is held per batch.
constexpr size_t kBatchRows = 2048;
constexpr size_t kBatchBytes = size_t{1} << 19;

std::atomic<size_t> batchRowsForTesting{0};

}  // namespace

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
    writer->ranges_ = true;
    const RegionalSettings& regional = RegionalSettings::Current();
    for (size_t i = 0; i < std::max<size_t>(threads, 1); ++i) {
        auto copy = std::make_unique<DVFile>(definition);
        std::unique_ptr<DVDataSource> source = CreateDataSource(copy->Settings().sourcetype);
        if (!source || source->Validate(*copy) != kSuccess || source->Open(*copy, 0) != kSuccess) {
            return nullptr;
        }
        const auto* text = dynamic_cast<const TextFileDataSource*>(source.get());
        if (!text || !text->CanReadRanges()) {
            return nullptr;
        }
        auto worker = std::make_unique<Worker>(definition, map, std::vector<CSCol>(), resolver,
                                               markRows, regional);
        worker->sourceDefinition = std::move(copy);
        worker->source = std::move(source);
        writer->workers_.push_back(std::move(worker));
    }
    writer->StartThreads();
    return writer;
}

void ParallelRowWriter::StartThreads() {
    pool_ = std::make_unique<OrderedWorkers>(
        workers_.size(), jobs_.size(),
        [this](size_t worker, size_t slot) { Work(*workers_[worker], jobs_[slot]); });
}

ParallelRowWriter::~ParallelRowWriter() = default;

void ParallelRowWriter::SetBatchRowsForTesting(size_t rows) {
    batchRowsForTesting = rows;
}

void ParallelRowWriter::Add(DVDataSource& source, int32_t rowNumber, OutputDocument& output) {
    RowBatch& batch = jobs_[pool_->Filling()].batch;
    batch.Add(source, rowNumber);
    const size_t testRows = batchRowsForTesting;
    if (batch.RowCount() >= (testRows > 0 ? testRows : kBatchRows) ||
        batch.Bytes() >= kBatchBytes) {
        Submit(output);
    }
}

void ParallelRowWriter::AddRange(const RecordCutter::Range& range, OutputDocument& output) {
    jobs_[pool_->Filling()].range = range;
    Submit(output);
}

void ParallelRowWriter::Finish(OutputDocument& output) {
    if (!ranges_ && jobs_[pool_->Filling()].batch.RowCount() > 0) {
        Submit(output);
    }
    while (pool_->InFlight() > 0) {
        JoinFinished(output, true);
    }
}

void ParallelRowWriter::Submit(OutputDocument& output) {
    pool_->Submit();
    // Every slot under way: the next to fill is the oldest, joined first.
    JoinFinished(output, pool_->Full());
    jobs_[pool_->Filling()].batch.Clear();
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
    // A range numbers its rows from 1: they follow those joined before.
    output.AppendPiece(job.piece, ranges_ ? static_cast<int32_t>(rowsJoined_) : 0);
    rowsJoined_ += ranges_ ? job.rows : static_cast<int64_t>(job.batch.RowCount());
    if (!job.sourceFailure.IsOk()) {
        throw SourceFailure(std::exchange(job.sourceFailure, Status()));
    }
}

void ParallelRowWriter::Work(Worker& worker, Job& job) {
    // Each thread formats with the run's regional settings.
    RegionalSettings::Scope scope(worker.regional);
    try {
        if (ranges_) {
            worker.WriteRange(job);
        } else {
            worker.WriteBatch(job);
        }
    } catch (...) {
        job.failure = std::current_exception();
    }
}
