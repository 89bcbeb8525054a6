#include "ParallelRowWriter.h"

#include <algorithm>
#include <atomic>
#include <system_error>

#include "AutoTextResolver.h"
#include "BatchRow.h"
#include "NodeTreeWriter.h"
#include "model/DVFile.h"
#include "model/RegionalSettings.h"

namespace {

// A batch is handed over at this many rows or bytes of copied values: large
// enough that handing over costs little, small enough that the workers start
// soon and little is held per batch.
constexpr size_t kBatchRows = 2048;
constexpr size_t kBatchBytes = size_t{1} << 19;

std::atomic<size_t> batchRowsForTesting{0};

}  // namespace

// What one worker thread writes with: a document of pieces, the node tree's
// writer and the row it reads, all its own.
struct ParallelRowWriter::Worker {
    Worker(const DVFile& definition, const ColumnMap& map, const std::vector<CSCol>& columns,
           const AutoTextResolver& sharedResolver, bool markRows, const RegionalSettings& regional)
        : root(definition.Root()),
          output(definition),
          resolver(sharedResolver),
          nodes(output, resolver, map, nullptr),
          row(columns),
          regional(regional) {
        output.StartPiece(markRows);
    }

    void Write(const RowBatch& batch, OutputDocument::Piece& piece) {
        for (size_t r = 0; r < batch.RowCount(); ++r) {
            row.Select(batch, r);
            const int32_t number = batch.RowNumber(r);
            nodes.SetRowCount(number);
            output.MarkRow(number);
            nodes.WriteRow(root, row, false);
        }
        output.TakePiece(piece);
    }

    const XMLNode& root;
    OutputDocument output;
    AutoTextResolver resolver;
    NodeTreeWriter nodes;
    BatchRow row;
    const RegionalSettings& regional;
};

ParallelRowWriter::ParallelRowWriter(const DVFile& definition, const ColumnMap& map,
                                     const std::vector<CSCol>& columns,
                                     const AutoTextResolver& resolver, size_t threads,
                                     bool markRows)
    : columnCount_(columns.size()), jobs_(2 * std::max<size_t>(threads, 1)) {
    for (Job& job : jobs_) {
        job.batch.Clear(columnCount_);
    }
    const RegionalSettings& regional = RegionalSettings::Current();
    for (size_t i = 0; i < std::max<size_t>(threads, 1); ++i) {
        workers_.push_back(
            std::make_unique<Worker>(definition, map, columns, resolver, markRows, regional));
    }
    try {
        for (const auto& worker : workers_) {
            threads_.emplace_back([this, w = worker.get()] { Work(*w); });
        }
    } catch (...) {
        // Threads already started must end before the object goes.
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
        }
        workAvailable_.notify_all();
        for (std::thread& thread : threads_) {
            thread.join();
        }
        throw;
    }
}

ParallelRowWriter::~ParallelRowWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void ParallelRowWriter::SetBatchRowsForTesting(size_t rows) {
    batchRowsForTesting = rows;
}

void ParallelRowWriter::Add(DVDataSource& source, int32_t rowNumber, OutputDocument& output) {
    RowBatch& batch = jobs_[filling_].batch;
    batch.Add(source, rowNumber);
    const size_t testRows = batchRowsForTesting;
    if (batch.RowCount() >= (testRows > 0 ? testRows : kBatchRows) ||
        batch.Bytes() >= kBatchBytes) {
        Submit(output);
    }
}

void ParallelRowWriter::Finish(OutputDocument& output) {
    if (jobs_[filling_].batch.RowCount() > 0) {
        Submit(output);
    }
    while (inFlight_ > 0) {
        JoinFinished(output, true);
    }
}

void ParallelRowWriter::Submit(OutputDocument& output) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_[filling_].state = Job::State::kQueued;
        queue_.push_back(filling_);
    }
    workAvailable_.notify_one();
    ++inFlight_;
    filling_ = (filling_ + 1) % jobs_.size();
    // Every batch under way: the next to fill is the oldest, joined first.
    JoinFinished(output, inFlight_ == jobs_.size());
    jobs_[filling_].batch.Clear(columnCount_);
}

void ParallelRowWriter::JoinFinished(OutputDocument& output, bool wait) {
    while (inFlight_ > 0) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            Job& job = jobs_[oldest_];
            if (wait) {
                jobDone_.wait(lock, [&job] { return job.state == Job::State::kDone; });
            } else if (job.state != Job::State::kDone) {
                return;
            }
        }
        JoinOldest(output);
        wait = false;
    }
}

void ParallelRowWriter::JoinOldest(OutputDocument& output) {
    Job& job = jobs_[oldest_];
    oldest_ = (oldest_ + 1) % jobs_.size();
    --inFlight_;
    job.state = Job::State::kFilling;
    if (job.failure) {
        std::rethrow_exception(std::exchange(job.failure, nullptr));
    }
    output.AppendPiece(job.piece);
}

void ParallelRowWriter::Work(Worker& worker) {
    RegionalSettings::Scope scope(worker.regional);
    for (;;) {
        size_t index = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            workAvailable_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            index = queue_.front();
            queue_.pop_front();
        }
        Job& job = jobs_[index];
        try {
            worker.Write(job.batch, job.piece);
        } catch (...) {
            job.failure = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job.state = Job::State::kDone;
        }
        jobDone_.notify_all();
    }
}
