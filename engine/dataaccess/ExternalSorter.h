#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ChunkArena.h"
#include "TemporaryFile.h"

namespace Norvik {

// Orders (key, payload) records by key as plain bytes; equal keys keep the
// order they were added in. Records stay in memory up to a byte budget; past
// it each full batch is sorted and written to a temporary file as a run, and
// the runs are merged when read. Temporary file failures throw PlatformError.
class ExternalSorter {
public:
    class Reader;

    explicit ExternalSorter(size_t budgetBytes);
    ~ExternalSorter();
    ExternalSorter(const ExternalSorter&) = delete;
    ExternalSorter& operator=(const ExternalSorter&) = delete;

    void Add(std::string_view key, std::string_view payload);
    // Sorts what was added; with seekable set, spilled runs are merged into
    // one so that ReadFrom can find a key. Add must not follow.
    void Finish(bool seekable = false);

    size_t Count() const noexcept { return count_; }
    bool Spilled() const noexcept { return file_ != nullptr; }

    // Every record in order; any number of readers, each from the start.
    Reader ReadAll() const;
    // The records from the first whose key is not less than key (seekable only).
    Reader ReadFrom(std::string_view key) const;

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

    std::string_view KeyAt(uint64_t locator) const;
    bool Less(const Entry& a, const Entry& b) const;
    void SortMemory();
    void SpillMemory();
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

private:
    friend class ExternalSorter;
    class RunCursor;

    explicit Reader(const ExternalSorter& sorter);
    void AddRun(const Run& run, size_t bufferBytes);
    void PushCursor(size_t which);
    // Moves the cursor with the smallest record on and restores heap order.
    void AdvanceTop();
    // Heap order: whether cursor a's record comes after cursor b's.
    bool After(size_t a, size_t b) const;

    const ExternalSorter* sorter_;
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
