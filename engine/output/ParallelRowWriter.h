#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "GroupsApart.h"
#include "OutputDocument.h"
#include "RowBatch.h"
#include "base/OrderedWorkers.h"
#include "base/Status.h"
#include "sources/RecordCutter.h"
#include "sources/TextFileDataSource.h"

class AutoTextResolver;
class CSCol;
class ColumnMap;
class DVDataSource;
class DVFile;
class GroupRegistry;

// Writes the rows of one document on several threads, after its first row.
// Work goes out in parts, in order: batches of rows the reading thread has
// read and copied, ranges of whole records of a text file that workers
// read themselves, each with a source of its own, or the group elements of
// a sorted text source that serves its groups, as copies of the records of
// each group that workers read with sources of their own. A worker writes its part
// as a piece of the document (reading, formatting, tokens, markup,
// encoding); the calling thread joins the pieces to the document in order.
// At most two parts per worker are under way, so memory stays bounded
// however many rows there are.
//
// For rows NodeTreeWriter::WritesRowsApart (groups: WritesGroupsApart), from
// a source whose columns carry no value from row to row, into a document
// that TakesPieces: the joined bytes are then those one writer would have
// written. Ranges number their rows only when joined, so their rows must
// not show row numbers.
//
// A large group goes out in several parts: each after the first is written
// as if the group's element had content before it; should it have had none
// (its start tag still open), the part is written again on the calling
// thread when its turn comes.
class ParallelRowWriter : public GroupsApart {
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
    // Groups: the group elements of source's grouped nodes (served by the
    // source), as NodeTreeWriter hands them over; row marks of output go
    // with them while the writer lives. Null when a source cannot be opened.
    static std::unique_ptr<ParallelRowWriter> WritingGroups(
        const DVFile& definition, const ColumnMap& map, const AutoTextResolver& resolver,
        size_t threads, TextFileDataSource& source, const GroupRegistry& groups,
        OutputDocument& output);
    // What ReadingRanges and WritingGroups make their writer with.
    class Key {
        friend class ParallelRowWriter;
        Key() = default;
    };
    ParallelRowWriter(Key, size_t threads, int64_t rowsBefore);
    // Stops the workers; pieces not yet joined are dropped.
    ~ParallelRowWriter() override;
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

    bool Writes(const XMLNode& node) const override;
    // Rows passed over unread as rows of the group last written (see
    // TextFileDataSource::SkimGroupValue) may carry that group's element:
    // when its group began with the first row of its run of equal keys,
    // the element stays open and takes each such row's record as the row
    // is passed over, instead of reading the run again. From then on,
    // PassedOver hands them over.
    void StreamGroups() noexcept { streams_ = true; }
    void PassedOver();
    // The grouped node whose elements are written apart, when there is one
    // only; null otherwise.
    const XMLNode* SoleGroup() const noexcept {
        return groupNodes_.size() == 1 ? groupNodes_.front().node : nullptr;
    }
    void Write(const XMLNode& node, std::string_view text, std::string_view groupValue,
               int32_t rowNumber) override;

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
    enum class Mode { kBatches, kRanges, kGroups };
    struct GroupNode {
        const XMLNode* node;
        int32_t groupIndex;
        const std::vector<int32_t>* columns;  // those its rows read
    };
    // One group element, or the rest of one, in a job.
    struct GroupPart {
        const GroupNode* node = nullptr;
        std::string value;  // of the group column
        std::string text;   // of the element
        int32_t rowNumber = 0;
    };
    struct GroupItem {
        // kStart: the next part begins, with the record its start reads.
        enum class Kind : uint8_t { kStart, kRow, kEnd, kMark } kind;
        int32_t rowNumber;  // kMark
        size_t begin;       // the record's copy in the job's records
        size_t size;
    };
    struct Groups {
        std::string records;
        std::vector<GroupItem> items;
        std::vector<GroupPart> parts;
        // The first part continues a group element begun in an earlier job,
        // written as far as assumed.
        bool continues = false;
        Norvik::CSAXWriter::OpenElement assumed;
        // The job ended inside its last part's element, this far.
        bool endsInside = false;
        Norvik::CSAXWriter::OpenElement endState;
        void Clear();
    };
    struct Job {
        RowBatch batch;
        Groups groups;
        RecordCutter::Range range;
        OutputDocument::Piece piece;
        int64_t rows = 0;  // rows a range gave
        Status sourceFailure;
        std::exception_ptr failure;
    };
    struct Worker;

    void StartThreads();
    // Opens a source for each worker (groups: building no sort index);
    // false when one cannot be opened.
    bool AddReadingWorkers(const DVFile& definition, const ColumnMap& map,
                           const AutoTextResolver& resolver, size_t threads, bool markRows,
                           bool groups);
    static std::unique_ptr<Worker> ReadingWorker(const DVFile& definition, const ColumnMap& map,
                                                 const AutoTextResolver& resolver, bool markRows,
                                                 bool groups);
    // The filling job's next group item, handing the job over first when
    // it is full.
    void AddGroupItem(GroupItem::Kind kind, std::string_view record, int32_t rowNumber = 0);
    // Rows of the group element being handed over, as copies (none: none).
    void AddGroupRows(std::optional<TextFileDataSource::GroupCopies> copies);
    // The end of the group element being handed over.
    void EndGroupElement();
    // Ends the group element whose rows come as they are passed over; the
    // rest of its run of equal keys first, when the current row is still
    // in it.
    void EndStream();
    // Writes a group job again with the state its first part really had.
    void WriteAgain(Job& job);
    void Submit(OutputDocument& output);
    // Joins finished jobs from the oldest on; waits for the oldest too
    // when wait is set.
    void JoinFinished(OutputDocument& output, bool wait);
    void Join(Job& job, OutputDocument& output);
    void Work(Worker& worker, Job& job);

    Mode mode_ = Mode::kBatches;
    std::vector<Job> jobs_;  // one per slot of the pool
    int64_t rowsJoined_ = 0;
    std::vector<std::unique_ptr<Worker>> workers_;
    // Groups: what the calling thread reads and writes with.
    TextFileDataSource* groupSource_ = nullptr;
    OutputDocument* output_ = nullptr;
    std::vector<GroupNode> groupNodes_;
    std::optional<GroupPart> openPart_;  // the group element being handed over
    bool streams_ = false;
    bool streaming_ = false;                       // openPart_ takes rows as they are passed over
    uint64_t streamRun_ = 0;                       // the run of equal keys its rows are in
    Norvik::CSAXWriter::OpenElement joinedState_;  // of the open group element joined last
    std::unique_ptr<Worker> again_;                // writes parts again on this thread
    const DVFile* definition_ = nullptr;
    const ColumnMap* map_ = nullptr;
    const AutoTextResolver* resolver_ = nullptr;
    std::unique_ptr<OrderedWorkers> pool_;  // last: its threads stop first
};
