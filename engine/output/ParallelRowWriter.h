#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <stdexcept>
#include <vector>

#include "OutputDocument.h"
#include "RowBatch.h"
#include "base/OrderedWorkers.h"
#include "base/Status.h"
#include "sources/RecordCutter.h"

class AutoTextResolver;
class CSCol;
class ColumnMap;
class DVDataSource;
class DVFile;

// Writes the rows of one document on several threads, after its first row.
// Work goes out in parts, in order: batches of rows the reading thread has
// read and copied, or ranges of whole records of a text file that workers
// read themselves, each with a source of its own. A worker writes its part
// as a piece of the document (reading, formatting, tokens, markup,
// encoding); the calling thread joins the pieces to the document in order.
// At most two parts per worker are under way, so memory stays bounded
// however many rows there are.
//
// For rows NodeTreeWriter::WritesRowsApart, from a source whose columns
// carry no value from row to row, into a document that TakesPieces: the
// joined bytes are then those one writer would have written. Ranges number
// their rows only when joined, so their rows must not show row numbers.
class ParallelRowWriter {
public:
    // Batches: resolver is copied once per worker; columns are the source's.
    ParallelRowWriter(const DVFile& definition, const ColumnMap& map,
                      const std::vector<CSCol>& columns, const AutoTextResolver& resolver,
                      size_t threads, bool markRows);
    // Ranges: every worker opens a source on its own copy of definition
    // (the run's, fitted to the source). Null when one cannot be opened.
    static std::unique_ptr<ParallelRowWriter> ReadingRanges(const DVFile& definition,
                                                            const ColumnMap& map,
                                                            const AutoTextResolver& resolver,
                                                            size_t threads, bool markRows,
                                                            int64_t rowsBefore);
    // What ReadingRanges makes its writer with.
    class Key {
        friend class ParallelRowWriter;
        Key() = default;
    };
    ParallelRowWriter(Key, size_t threads, int64_t rowsBefore);
    // Stops the workers; pieces not yet joined are dropped.
    ~ParallelRowWriter();
    ParallelRowWriter(const ParallelRowWriter&) = delete;
    ParallelRowWriter& operator=(const ParallelRowWriter&) = delete;

    // Copies the source's current row into the batch being filled, handing
    // the batch to the workers once full. A worker's failure is thrown
    // here, or from AddRange or Finish, when its part's turn to be joined
    // comes: the rows before it are in the document, as with one writer.
    void Add(DVDataSource& source, int32_t rowNumber, OutputDocument& output);
    // Hands a range of records to the workers.
    void AddRange(const RecordCutter::Range& range, OutputDocument& output);
    // Joins every piece: the document then holds every row added.
    void Finish(OutputDocument& output);

    // A range whose records could not be read, thrown when joined.
    class SourceFailure : public std::runtime_error {
    public:
        explicit SourceFailure(Status status)
            : std::runtime_error(status.Detail()), status_(std::move(status)) {}
        const Status& GetStatus() const noexcept { return status_; }

    private:
        Status status_;
    };

    size_t Threads() const noexcept { return pool_ ? pool_->Threads() : 0; }
    // Rows in the document: those before the first part and those joined.
    int64_t RowsJoined() const noexcept { return rowsJoined_; }

    // Tests: rows per batch (0 restores the default), so that small inputs
    // are cut into many batches.
    static void SetBatchRowsForTesting(size_t rows);

private:
    struct Job {
        RowBatch batch;
        RecordCutter::Range range;
        OutputDocument::Piece piece;
        int64_t rows = 0;  // rows a range gave
        Status sourceFailure;
        std::exception_ptr failure;
    };
    struct Worker;

    void StartThreads();
    void Submit(OutputDocument& output);
    // Joins finished jobs from the oldest on; waits for the oldest too
    // when wait is set.
    void JoinFinished(OutputDocument& output, bool wait);
    void Join(Job& job, OutputDocument& output);
    void Work(Worker& worker, Job& job);

    bool ranges_ = false;
    std::vector<Job> jobs_;  // one per slot of the pool
    int64_t rowsJoined_ = 0;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::unique_ptr<OrderedWorkers> pool_;  // last: its threads stop first
};
