#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "OutputDocument.h"
#include "RowBatch.h"

class AutoTextResolver;
class CSCol;
class ColumnMap;
class DVDataSource;
class DVFile;

// Writes the rows of one document on several threads. The reading thread
// copies rows into batches; a worker writes each batch as a piece of the
// document (formatting, tokens, markup, encoding); the reading thread joins
// the pieces to the document in the order of their batches. At most two
// batches per worker are under way, so memory stays bounded however many
// rows there are.
//
// For rows NodeTreeWriter::WritesRowsApart, from a source whose columns
// carry no value from row to row, into a document that TakesPieces: the
// joined bytes are then those one writer would have written.
class ParallelRowWriter {
public:
    // resolver is copied once per worker; columns are the source's own.
    ParallelRowWriter(const DVFile& definition, const ColumnMap& map,
                      const std::vector<CSCol>& columns, const AutoTextResolver& resolver,
                      size_t threads, bool markRows);
    // Stops the workers; pieces not yet joined are dropped.
    ~ParallelRowWriter();
    ParallelRowWriter(const ParallelRowWriter&) = delete;
    ParallelRowWriter& operator=(const ParallelRowWriter&) = delete;

    // Copies the source's current row into the batch being filled, handing
    // the batch to the workers once full. A worker's failure is thrown
    // here, or from Finish, when its batch's turn to be joined comes: the
    // rows before it are in the document, as with one writer.
    void Add(DVDataSource& source, int32_t rowNumber, OutputDocument& output);
    // Joins every piece: the document then holds every row added.
    void Finish(OutputDocument& output);

    size_t Threads() const noexcept { return threads_.size(); }

    // Tests: rows per batch (0 restores the default), so that small inputs
    // are cut into many batches.
    static void SetBatchRowsForTesting(size_t rows);

private:
    struct Job {
        enum class State { kFilling, kQueued, kDone };
        RowBatch batch;
        OutputDocument::Piece piece;
        std::exception_ptr failure;
        State state = State::kFilling;
    };
    struct Worker;

    void Submit(OutputDocument& output);
    // Joins finished jobs from the oldest on; waits for the oldest too
    // when wait is set.
    void JoinFinished(OutputDocument& output, bool wait);
    void JoinOldest(OutputDocument& output);
    void Work(Worker& worker);

    const size_t columnCount_;
    std::vector<Job> jobs_;  // a ring, filled and joined in order
    size_t filling_ = 0;     // the job rows are added to
    size_t oldest_ = 0;      // the oldest job handed over and not yet joined
    size_t inFlight_ = 0;
    std::deque<size_t> queue_;  // jobs handed over, not yet taken, oldest first
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable jobDone_;
    bool stopping_ = false;
    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<std::thread> threads_;
};
