#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/BackgroundWorker.h"
#include "base/ChunkArena.h"
#include "io/TemporaryFile.h"

namespace Norvik {

// Orders (key, payload) records by key as plain bytes; equal keys keep the
// order they were added in. Records stay in memory up to a byte budget; past
// it each full batch is sorted and written to a temporary file as a run, and
// the runs are merged when read. Temporary file failures throw PlatformError.
class ExternalSorter {
public:
    class Reader;
    // Where a reader stands: a reading from it gives the record the reader
    // gave last, then every record that followed it.
    struct Position {
        size_t memoryAt = 0;
        std::vector<int64_t> runOffsets;  // per run; -1 for a run read to its end
    };

    explicit ExternalSorter(size_t budgetBytes);

    // How a record lies in a run, for others that pass records along: the
    // key's and the payload's lengths, then the key and the payload.
    static void AppendRecord(std::string& out, std::string_view key, std::string_view payload);
    // The record at p (moved past it); false when fewer bytes are left than
    // it claims.
    static bool TakeRecord(const char*& p, const char* end, std::string_view& key,
                           std::string_view& payload);
    ~ExternalSorter();
    ExternalSorter(const ExternalSorter&) = delete;
    ExternalSorter& operator=(const ExternalSorter&) = delete;

    // From now on a full batch is sorted and written on a thread of its own
    // while the next fills; each batch then holds half the budget. Call
    // before the first Add.
    void SpillInBackground();

    void Add(std::string_view key, std::string_view payload);
    // Sorts what was added; with seekable set, spilled runs are merged into
    // one so that ReadFrom can find a key. Add must not follow.
    void Finish(bool seekable = false);

    size_t Count() const noexcept { return count_; }
    bool Spilled() const noexcept { return file_ != nullptr; }

    // How a reading treats what it has read.
    enum class Reading {
        kKeep,
        // The last reading gives back what it has read but what it holds
        // (Reader::HoldFromHere), so that its memory serves what is written
        // meanwhile: no ReadAll may follow.
        kLast,
    };

    // Every record in order; any number of readers, each from the start.
    Reader ReadAll(Reading reading = Reading::kKeep);
    bool Released() const noexcept { return released_; }
    // The records from the first whose key is not less than key (seekable only).
    Reader ReadFrom(std::string_view key) const;
    // The records from a position of a ReadAll reader on, each time afresh;
    // bytes that reader near holds already are not read again.
    Reader ReadFrom(const Position& position, const Reader* near = nullptr) const;

private:
    struct Entry {
        // The key's first 16 bytes, big-endian, zero-padded: most comparisons
        // end here without touching the key.
        uint64_t prefix[2];
        uint64_t locator;  // in arena_; increases in the order records were added
    };
    struct Run {
        int64_t begin;
        int64_t end;
    };
    struct IndexEntry {
        uint64_t key;  // in indexKeys_
        uint32_t keyLength;
        int64_t position;
    };

    std::string_view KeyAt(uint64_t locator) const { return KeyIn(arena_, locator); }
    static std::string_view KeyIn(const ChunkArena& arena, uint64_t locator);
    // Sorts a batch of entries whose records are in arena.
    static void SortBatch(std::vector<Entry>& entries, const ChunkArena& arena);
    void SortMemory() { SortBatch(entries_, arena_); }
    void SpillMemory();
    // Sorts a batch and writes it as a run; leaves it empty.
    void SpillBatch(std::vector<Entry>& entries, ChunkArena& arena);
    // The full batch to the spilling thread, once it is done with the one
    // before; its failure is thrown here or at Finish.
    void HandOverSpill();
    void SettleSpill();
    // Merges runs until no more than maxRuns are left.
    void MergeDown(size_t maxRuns);
    // Notes a key and its position every stride of the one run.
    void BuildIndex();
    size_t ReadBufferBytes(size_t readers) const;

    size_t budget_;
    size_t count_ = 0;
    size_t memoryBytes_ = 0;
    ChunkArena arena_;
    std::vector<Entry> entries_;
    std::unique_ptr<TemporaryFile> file_;
    std::vector<Run> runs_;
    std::string lastRunKey_;  // the last key of runs_.back()
    ChunkArena indexKeys_;
    std::vector<IndexEntry> index_;
    bool finished_ = false;
    bool released_ = false;
    // The batch being spilled on the spilling thread, and its failure.
    std::vector<Entry> spillEntries_;
    ChunkArena spillArena_;
    std::exception_ptr spillFailure_;
    std::unique_ptr<BackgroundWorker> spiller_;  // last: stops first
};

// Records of a sorter in key order. Key and Payload stay valid until the next
// call of Next.
class ExternalSorter::Reader {
public:
    Reader(Reader&&) noexcept;
    Reader& operator=(Reader&&) noexcept;
    ~Reader();

    bool Next();
    std::string_view Key() const noexcept { return key_; }
    std::string_view Payload() const noexcept { return payload_; }
    // Where the reader stands, for ReadFrom (reuses position's storage).
    void PositionInto(Position& position) const;
    // A last reading keeps what lies from the record it gave last on (from
    // its beginning before the first Next) until the next call, for readings
    // from that position; it gives back only what lies before. Without a call
    // it gives back everything it has read.
    void HoldFromHere();

private:
    friend class ExternalSorter;
    class RunCursor;

    Reader(const ExternalSorter& sorter, Reading reading);
    // A donor (a cursor on the same run) lends what it has buffered.
    void AddRun(const Run& run, size_t bufferBytes, const RunCursor* donor = nullptr);
    void PushCursor(size_t which);
    // Moves the cursor with the smallest record on and restores heap order.
    void AdvanceTop();
    // Heap order: whether cursor a's record comes after cursor b's.
    bool After(size_t a, size_t b) const;

    const ExternalSorter* sorter_;
    Reading reading_ = Reading::kKeep;
    size_t memoryAt_ = 0;  // next entry when reading from memory
    std::string seekKey_;  // records before it are skipped
    bool seeking_ = false;
    std::vector<std::unique_ptr<RunCursor>> cursors_;
    std::vector<size_t> heap_;  // cursor indexes, smallest record on top
    bool started_ = false;      // the top cursor's record is out
    std::string_view key_;
    std::string_view payload_;
};

}  // namespace Norvik
