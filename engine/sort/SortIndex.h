#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ExternalSorter.h"

// Entries (a sort key and a payload) in key order, for reading a source's
// records sorted, and the blocks of it that groups read again.
//
// Keys are made by SortKey. While the index serves blocks, entries whose keys
// begin with the same text part (the first sort column's value) form a block,
// and the current block can be read again from its first entry, as often as
// wanted. Failures of the temporary files throw Norvik::PlatformError.
//
// Calling order: Add every entry, Finish, then Next until it returns false;
// ReadAgain or ServeBlocks start the last reading over from the first entry.
class SortIndex {
public:
    // Entries stay in memory up to budgetBytes, past it in temporary files.
    explicit SortIndex(size_t budgetBytes);
    ~SortIndex();
    SortIndex(const SortIndex&) = delete;
    SortIndex& operator=(const SortIndex&) = delete;

    // Full batches of entries are sorted and written on a thread of their
    // own (see ExternalSorter::SpillInBackground).
    void SpillInBackground() { sorter_.SpillInBackground(); }

    void Add(std::string_view key, std::string_view payload);
    // Sorts the entries; reading starts at the first.
    void Finish();

    // Reads every entry again from the first, for the last time: what has
    // been read is given back as reading goes on.
    void ReadAgain();
    // The same, in blocks: the first sort key is text (descending or not).
    // Only what lies before the current block is given back.
    void ServeBlocks(bool firstKeyDescending);
    // Whether the last reading has begun (no reading can start again).
    bool Released() const noexcept { return sorter_.Released(); }

    // The next entry; false at the end.
    bool Next();
    std::string_view Key() const noexcept { return reader_->Key(); }
    std::string_view Payload() const noexcept { return reader_->Payload(); }

    // The entries of the current block from its first, while blocks are
    // served and an entry has been read.
    class BlockReader {
    public:
        bool Next();
        std::string_view Payload() const noexcept { return reader_.Payload(); }

    private:
        friend class SortIndex;
        BlockReader(Norvik::ExternalSorter::Reader reader, std::string_view prefix)
            : reader_(std::move(reader)), prefix_(prefix) {}

        Norvik::ExternalSorter::Reader reader_;
        std::string prefix_;
    };
    bool InBlock() const noexcept { return inBlock_; }
    BlockReader ReadBlock() const;
    // The entries of the current block from the current one on.
    BlockReader ReadRestOfBlock() const;
    // Counts the blocks served so far: which block the current entry is in.
    uint64_t BlockNumber() const noexcept { return blockNumber_; }

private:
    Norvik::ExternalSorter sorter_;
    std::optional<Norvik::ExternalSorter::Reader> reader_;
    bool blocks_ = false;
    bool descending_ = false;
    bool inBlock_ = false;
    std::string blockPrefix_;                   // the key part all entries of the block share
    Norvik::ExternalSorter::Position blockAt_;  // where the current block begins
    uint64_t blockNumber_ = 0;
};
