#include "SortIndex.h"

#include "SortKey.h"

SortIndex::SortIndex(size_t budgetBytes) : sorter_(budgetBytes) {}

SortIndex::~SortIndex() = default;

void SortIndex::Add(std::string_view key, std::string_view payload) {
    sorter_.Add(key, payload);
}

void SortIndex::Finish() {
    sorter_.Finish();
    reader_.emplace(sorter_.ReadAll());
}

void SortIndex::ReadAgain() {
    reader_.emplace(sorter_.ReadAll(Norvik::ExternalSorter::Reading::kLast));
    blocks_ = false;
    inBlock_ = false;
}

void SortIndex::ServeBlocks(bool firstKeyDescending) {
    ReadAgain();
    blocks_ = true;
    descending_ = firstKeyDescending;
}

bool SortIndex::Next() {
    if (!reader_->Next()) {
        return false;
    }
    if (blocks_) {
        const std::string_view key = reader_->Key();
        const std::string_view part = key.substr(0, SortKey::TextPartLength(key, descending_));
        if (!inBlock_ || part != blockPrefix_) {
            // Equal values have equal keys up to the first part, so a block
            // holds every entry of one value.
            blockPrefix_.assign(part);
            inBlock_ = true;
            ++blockNumber_;
            reader_->PositionInto(blockAt_);
            reader_->HoldFromHere();
        }
    }
    return true;
}

SortIndex::BlockReader SortIndex::ReadBlock() const {
    return BlockReader(sorter_.ReadFrom(blockAt_, &*reader_), blockPrefix_);
}

SortIndex::BlockReader SortIndex::ReadRestOfBlock() const {
    Norvik::ExternalSorter::Position here;
    reader_->PositionInto(here);
    return BlockReader(sorter_.ReadFrom(here, &*reader_), blockPrefix_);
}

bool SortIndex::BlockReader::Next() {
    return reader_.Next() && reader_.Key().substr(0, prefix_.size()) == prefix_;
}
