#include "ExternalSorter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <utility>

namespace Norvik {

namespace {

constexpr size_t kHeaderBytes = 2 * sizeof(uint32_t);
constexpr size_t kMaxFanIn = 128;
constexpr int64_t kIndexStride = 16 * 1024;
constexpr size_t kMinReadBuffer = 4 * 1024;
constexpr size_t kMaxReadBuffer = size_t{256} << 10;
// A block read again by a group needs no more than this per run.
constexpr size_t kMaxBlockReadBuffer = size_t{64} << 10;

uint64_t PrefixOf(std::string_view key) {
    unsigned char bytes[8] = {};
    if (!key.empty()) {
        std::memcpy(bytes, key.data(), std::min<size_t>(key.size(), 8));
    }
    uint64_t prefix = 0;
    for (unsigned char byte : bytes) {
        prefix = (prefix << 8) | byte;
    }
    return prefix;
}

// The key's first 16 bytes as two big-endian numbers.
void SetPrefix(uint64_t (&prefix)[2], std::string_view key) {
    prefix[0] = PrefixOf(key);
    prefix[1] = PrefixOf(key.size() > 8 ? key.substr(8) : std::string_view());
}

void ReadHeader(const char* data, uint32_t& keyLength, uint32_t& payloadLength) {
    std::memcpy(&keyLength, data, sizeof keyLength);
    std::memcpy(&payloadLength, data + sizeof keyLength, sizeof payloadLength);
}

}  // namespace

// Reads the records of one run through a buffer that starts small (a lookup
// usually wants a few records) and doubles up to its limit as reading goes on.
class ExternalSorter::Reader::RunCursor {
public:
    RunCursor(const TemporaryFile& file, int64_t begin, int64_t end, size_t maxBuffer,
              Reading reading)
        : recordAt(begin),
          file_(file),
          next_(begin),
          end_(end),
          maxBuffer_(std::max(maxBuffer, kMinReadBuffer)),
          release_(reading == Reading::kLast),
          releaseFrom_(begin) {}

    bool Next() {
        recordAt = next_ - static_cast<int64_t>(filled_ - at_);
        if (!Ensure(kHeaderBytes)) {
            done = true;
            return false;
        }
        uint32_t keyLength = 0;
        uint32_t payloadLength = 0;
        ReadHeader(buffer_.data() + at_, keyLength, payloadLength);
        at_ += kHeaderBytes;
        const size_t body = size_t{keyLength} + payloadLength;
        if (!Ensure(body)) {
            done = true;
            return false;
        }
        key = std::string_view(buffer_.data() + at_, keyLength);
        payload = std::string_view(buffer_.data() + at_ + keyLength, payloadLength);
        at_ += body;
        return true;
    }

    // Starts with the bytes from position on that donor holds already (up to
    // a small buffer's worth), instead of reading them again.
    void TakeBuffered(const RunCursor& donor) {
        const int64_t donorStart = donor.next_ - static_cast<int64_t>(donor.filled_);
        if (next_ < donorStart || next_ >= donor.next_) {
            return;
        }
        const auto from = static_cast<size_t>(next_ - donorStart);
        const size_t length = std::min(donor.filled_ - from, kMinReadBuffer);
        buffer_.assign(donor.buffer_, from, length);
        buffer_.resize(kMinReadBuffer);
        filled_ = length;
        next_ += static_cast<int64_t>(length);
    }

    // Keeps what lies from the current record on (nothing once the run is
    // read to its end).
    void HoldFromHere() { hold_ = done ? end_ : recordAt; }

    std::string_view key;
    std::string_view payload;
    int64_t recordAt;   // where the record in key and payload begins
    bool done = false;  // the run is read to its end

private:
    bool Ensure(size_t bytes) {
        if (filled_ - at_ >= bytes) {
            return true;
        }
        const bool refill = !buffer_.empty();
        const size_t kept = filled_ - at_;
        if (kept > 0 && at_ > 0) {
            std::memmove(buffer_.data(), buffer_.data() + at_, kept);
        }
        at_ = 0;
        filled_ = kept;
        size_t capacity =
            buffer_.empty() ? kMinReadBuffer : std::min(buffer_.size() * 2, maxBuffer_);
        capacity = std::max(capacity, bytes);
        if (capacity > buffer_.size()) {
            buffer_.resize(capacity);
        }
        const auto wanted = static_cast<size_t>(
            std::min<int64_t>(static_cast<int64_t>(buffer_.size() - filled_), end_ - next_));
        const size_t got = wanted > 0 ? file_.ReadAt(next_, buffer_.data() + filled_, wanted) : 0;
        next_ += static_cast<int64_t>(got);
        filled_ += got;
        if (release_ && refill) {
            // What was read is in the buffer now, but for what is held. The
            // first fill gives back nothing: a hold may still come before the
            // reading starts.
            releaseFrom_ = file_.Release(releaseFrom_, std::min(next_, hold_));
        }
        return filled_ >= bytes;
    }

    const TemporaryFile& file_;
    int64_t next_;
    int64_t end_;
    size_t maxBuffer_;
    bool release_;
    int64_t releaseFrom_;
    int64_t hold_ = INT64_MAX;  // nothing from here on is given back
    std::string buffer_;
    size_t at_ = 0;
    size_t filled_ = 0;
};

ExternalSorter::ExternalSorter(size_t budgetBytes) : budget_(std::max<size_t>(budgetBytes, 1)) {}

ExternalSorter::~ExternalSorter() = default;

void ExternalSorter::Add(std::string_view key, std::string_view payload) {
    const size_t size = kHeaderBytes + key.size() + payload.size();
    uint64_t locator = 0;
    char* record = arena_.Reserve(size, locator);
    const auto keyLength = static_cast<uint32_t>(key.size());
    const auto payloadLength = static_cast<uint32_t>(payload.size());
    std::memcpy(record, &keyLength, sizeof keyLength);
    std::memcpy(record + sizeof keyLength, &payloadLength, sizeof payloadLength);
    if (!key.empty()) {
        std::memcpy(record + kHeaderBytes, key.data(), key.size());
    }
    if (!payload.empty()) {
        std::memcpy(record + kHeaderBytes + key.size(), payload.data(), payload.size());
    }
    Entry& entry = entries_.emplace_back();
    SetPrefix(entry.prefix, key);
    entry.locator = locator;
    memoryBytes_ += size + sizeof(Entry);
    ++count_;
    if (!spiller_ && memoryBytes_ > budget_) {
        SpillMemory();
    } else if (spiller_ && memoryBytes_ > budget_ / 2) {
        HandOverSpill();
    }
}

void ExternalSorter::AppendRecord(std::string& out, std::string_view key,
                                  std::string_view payload) {
    const auto keyLength = static_cast<uint32_t>(key.size());
    const auto payloadLength = static_cast<uint32_t>(payload.size());
    out.append(reinterpret_cast<const char*>(&keyLength), sizeof keyLength);
    out.append(reinterpret_cast<const char*>(&payloadLength), sizeof payloadLength);
    out.append(key);
    out.append(payload);
}

bool ExternalSorter::TakeRecord(const char*& p, const char* end, std::string_view& key,
                                std::string_view& payload) {
    uint32_t keyLength = 0;
    uint32_t payloadLength = 0;
    if (end - p < static_cast<std::ptrdiff_t>(kHeaderBytes)) {
        return false;
    }
    ReadHeader(p, keyLength, payloadLength);
    if (static_cast<size_t>(end - p) - kHeaderBytes < size_t{keyLength} + payloadLength) {
        return false;
    }
    key = std::string_view(p + kHeaderBytes, keyLength);
    payload = std::string_view(p + kHeaderBytes + keyLength, payloadLength);
    p += kHeaderBytes + keyLength + payloadLength;
    return true;
}

std::string_view ExternalSorter::KeyIn(const ChunkArena& arena, uint64_t locator) {
    const char* data = arena.At(locator);
    uint32_t keyLength = 0;
    uint32_t payloadLength = 0;
    ReadHeader(data, keyLength, payloadLength);
    return std::string_view(data + kHeaderBytes, keyLength);
}

void ExternalSorter::SortBatch(std::vector<Entry>& entries, const ChunkArena& arena) {
    const auto KeyAt = [&arena](uint64_t locator) { return KeyIn(arena, locator); };
    const auto less = [&KeyAt](const Entry& a, const Entry& b) {
        if (a.prefix[0] != b.prefix[0]) {
            return a.prefix[0] < b.prefix[0];
        }
        if (a.prefix[1] != b.prefix[1]) {
            return a.prefix[1] < b.prefix[1];
        }
        const int order = KeyAt(a.locator).compare(KeyAt(b.locator));
        return order != 0 ? order < 0 : a.locator < b.locator;
    };
    // Records often come in order already (grouping a sorted source).
    if (std::is_sorted(entries.begin(), entries.end(), less)) {
        return;
    }
    // Keys often share long beginnings (the same city, the same month): a
    // comparison sort would read both keys on every tie. Instead each run of
    // equal 16-byte prefixes is sorted again by the next 16 bytes, reading
    // each key once per level. The prefixes are scratch from here on.
    const auto byPrefix = [](const Entry& a, const Entry& b) {
        return a.prefix[0] != b.prefix[0] ? a.prefix[0] < b.prefix[0] : a.prefix[1] < b.prefix[1];
    };
    struct Range {
        size_t first;
        size_t last;
        size_t depth;  // bytes of the keys the range's prefixes start at
    };
    std::vector<Range> pending{{0, entries.size(), 0}};
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        const auto begin = entries.begin() + static_cast<std::ptrdiff_t>(range.first);
        const auto end = entries.begin() + static_cast<std::ptrdiff_t>(range.last);
        std::sort(begin, end, byPrefix);
        for (auto run = begin; run != end;) {
            auto runEnd = std::next(run);
            while (runEnd != end && run->prefix[0] == runEnd->prefix[0] &&
                   run->prefix[1] == runEnd->prefix[1]) {
                ++runEnd;
            }
            if (runEnd - run > 1) {
                // Keys that end within these 16 bytes come first (each is a
                // beginning of the longer ones): shorter first, then in the
                // order added. The others go on with their next 16 bytes.
                const size_t next = range.depth + 16;
                const auto longer = std::partition(
                    run, runEnd, [&](const Entry& e) { return KeyAt(e.locator).size() <= next; });
                std::sort(run, longer, [&KeyAt](const Entry& a, const Entry& b) {
                    const size_t la = KeyAt(a.locator).size();
                    const size_t lb = KeyAt(b.locator).size();
                    return la != lb ? la < lb : a.locator < b.locator;
                });
                if (runEnd - longer > 1) {
                    for (auto e = longer; e != runEnd; ++e) {
                        SetPrefix(e->prefix, KeyAt(e->locator).substr(next));
                    }
                    pending.push_back({static_cast<size_t>(longer - entries.begin()),
                                       static_cast<size_t>(runEnd - entries.begin()), next});
                }
            }
            run = runEnd;
        }
    }
}

void ExternalSorter::SpillMemory() {
    SpillBatch(entries_, arena_);
    memoryBytes_ = 0;
}

void ExternalSorter::SpillBatch(std::vector<Entry>& entries, ChunkArena& arena) {
    if (entries.empty()) {
        return;
    }
    SortBatch(entries, arena);
    if (!file_) {
        file_ = std::make_unique<TemporaryFile>();
    }
    // A batch that starts at or after the end of the run before it (input
    // that comes in order) lengthens that run: nothing to merge later.
    const std::string_view first = KeyIn(arena, entries.front().locator);
    const bool continues =
        !runs_.empty() && runs_.back().end == file_->Size() && !(first < lastRunKey_);
    Run run{continues ? runs_.back().begin : file_->Size(), 0};
    if (continues) {
        runs_.pop_back();
    }
    lastRunKey_.assign(KeyIn(arena, entries.back().locator));
    for (const Entry& entry : entries) {
        const char* data = arena.At(entry.locator);
        uint32_t keyLength = 0;
        uint32_t payloadLength = 0;
        ReadHeader(data, keyLength, payloadLength);
        file_->Append(std::string_view(data, kHeaderBytes + keyLength + payloadLength));
    }
    file_->Flush();
    run.end = file_->Size();
    runs_.push_back(run);
    entries.clear();
    arena.Clear();
}

void ExternalSorter::SpillInBackground() {
    spiller_ = std::make_unique<BackgroundWorker>([this] {
        try {
            SpillBatch(spillEntries_, spillArena_);
            return true;
        } catch (...) {
            spillFailure_ = std::current_exception();
            spillEntries_.clear();
            spillArena_.Clear();
            return false;
        }
    });
}

void ExternalSorter::HandOverSpill() {
    SettleSpill();
    std::swap(entries_, spillEntries_);
    std::swap(arena_, spillArena_);
    memoryBytes_ = 0;
    try {
        spiller_->HandOver();
    } catch (const std::system_error&) {
        // No thread to be had: this one spills.
        spiller_.reset();
        SpillBatch(spillEntries_, spillArena_);
    }
}

void ExternalSorter::SettleSpill() {
    if (spiller_ && !spiller_->Settle()) {
        spiller_->ClearFailure();
        std::rethrow_exception(std::exchange(spillFailure_, nullptr));
    }
}

size_t ExternalSorter::ReadBufferBytes(size_t readers) const {
    return std::clamp(budget_ / (readers + 1), kMinReadBuffer, kMaxReadBuffer);
}

void ExternalSorter::MergeDown(size_t maxRuns) {
    // The first runs merge into one at the end of the file: as few as bring
    // the count down (a fan-in's worth at most at a time), so that most
    // records are not written again. The merged run holds the earliest
    // records, so it goes first: equal keys keep the order they came in.
    while (runs_.size() > maxRuns) {
        const size_t count = std::min(kMaxFanIn, runs_.size() - maxRuns + 1);
        {
            // These runs are read for the last time.
            Reader reader(*this, Reading::kLast);
            for (size_t i = 0; i < count; ++i) {
                reader.AddRun(runs_[i], ReadBufferBytes(count));
            }
            Run run{file_->Size(), 0};
            std::string record;
            while (reader.Next()) {
                record.clear();
                AppendRecord(record, reader.Key(), reader.Payload());
                file_->Append(record);
            }
            file_->Flush();
            run.end = file_->Size();
            runs_.erase(runs_.begin(), runs_.begin() + static_cast<std::ptrdiff_t>(count));
            runs_.insert(runs_.begin(), run);
        }
    }
}

void ExternalSorter::BuildIndex() {
    Reader reader(*this, Reading::kKeep);
    reader.AddRun(runs_.front(), kMaxReadBuffer);
    int64_t position = runs_.front().begin;
    int64_t nextIndexAt = position;
    while (reader.Next()) {
        if (position >= nextIndexAt) {
            const auto length = static_cast<uint32_t>(reader.Key().size());
            index_.push_back(IndexEntry{indexKeys_.Add(reader.Key()), length, position});
            nextIndexAt = position + kIndexStride;
        }
        position +=
            static_cast<int64_t>(kHeaderBytes + reader.Key().size() + reader.Payload().size());
    }
}

void ExternalSorter::Finish(bool seekable) {
    if (finished_) {
        return;
    }
    finished_ = true;
    SettleSpill();
    if (!file_) {
        SortMemory();
        return;
    }
    SpillMemory();
    entries_.shrink_to_fit();
    arena_.Release();
    spillEntries_ = {};
    spillArena_.Release();
    MergeDown(seekable ? 1 : kMaxFanIn);
    if (seekable && !runs_.empty()) {
        BuildIndex();
    }
}

ExternalSorter::Reader ExternalSorter::ReadAll(Reading reading) {
    released_ = released_ || reading != Reading::kKeep;
    Reader reader(*this, reading);
    for (const Run& run : runs_) {
        reader.AddRun(run, ReadBufferBytes(runs_.size()));
    }
    return reader;
}

ExternalSorter::Reader ExternalSorter::ReadFrom(std::string_view key) const {
    Reader reader(*this, Reading::kKeep);
    if (!file_) {
        const auto at = std::partition_point(entries_.begin(), entries_.end(), [&](const Entry& e) {
            return KeyAt(e.locator) < key;
        });
        reader.memoryAt_ = static_cast<size_t>(at - entries_.begin());
        return reader;
    }
    if (runs_.empty()) {
        return reader;
    }
    // The last index point before the key: the key's first record lies at
    // most one stride after it.
    const auto after = std::partition_point(index_.begin(), index_.end(), [&](const IndexEntry& e) {
        return std::string_view(indexKeys_.At(e.key), e.keyLength) < key;
    });
    const int64_t begin = after == index_.begin() ? runs_.front().begin : (after - 1)->position;
    reader.seekKey_.assign(key);
    reader.seeking_ = true;
    reader.AddRun(Run{begin, runs_.front().end}, kMaxReadBuffer / 4);
    return reader;
}

ExternalSorter::Reader ExternalSorter::ReadFrom(const Position& position,
                                                const Reader* near) const {
    Reader reader(*this, Reading::kKeep);
    if (!file_) {
        reader.memoryAt_ = position.memoryAt;
        return reader;
    }
    // The runs in their order, so equal keys keep theirs.
    for (size_t i = 0; i < position.runOffsets.size() && i < runs_.size(); ++i) {
        if (position.runOffsets[i] >= 0) {
            const Reader::RunCursor* donor =
                near && i < near->cursors_.size() ? near->cursors_[i].get() : nullptr;
            reader.AddRun(Run{position.runOffsets[i], runs_[i].end}, kMaxBlockReadBuffer, donor);
        }
    }
    return reader;
}

void ExternalSorter::Reader::PositionInto(Position& position) const {
    // The record given last is still its cursor's: Next moves on first.
    position.memoryAt = memoryAt_ > 0 ? memoryAt_ - 1 : 0;
    position.runOffsets.resize(cursors_.size());
    for (size_t which = 0; which < cursors_.size(); ++which) {
        const RunCursor& cursor = *cursors_[which];
        position.runOffsets[which] = cursor.done ? -1 : cursor.recordAt;
    }
}

void ExternalSorter::Reader::HoldFromHere() {
    for (const std::unique_ptr<RunCursor>& cursor : cursors_) {
        cursor->HoldFromHere();
    }
}

ExternalSorter::Reader::Reader(const ExternalSorter& sorter, Reading reading)
    : sorter_(&sorter), reading_(reading) {}

ExternalSorter::Reader::Reader(Reader&& other) noexcept = default;
ExternalSorter::Reader& ExternalSorter::Reader::operator=(Reader&& other) noexcept = default;
ExternalSorter::Reader::~Reader() = default;

void ExternalSorter::Reader::AddRun(const Run& run, size_t bufferBytes, const RunCursor* donor) {
    cursors_.push_back(
        std::make_unique<RunCursor>(*sorter_->file_, run.begin, run.end, bufferBytes, reading_));
    if (donor) {
        cursors_.back()->TakeBuffered(*donor);
    }
    PushCursor(cursors_.size() - 1);
}

bool ExternalSorter::Reader::After(size_t a, size_t b) const {
    // Smaller key first; on equal keys the earlier run, which holds the
    // records added first.
    const int order = cursors_[a]->key.compare(cursors_[b]->key);
    return order != 0 ? order > 0 : a > b;
}

void ExternalSorter::Reader::PushCursor(size_t which) {
    if (!cursors_[which]->Next()) {
        return;
    }
    heap_.push_back(which);
    std::push_heap(heap_.begin(), heap_.end(), [this](size_t a, size_t b) { return After(a, b); });
}

void ExternalSorter::Reader::AdvanceTop() {
    // The top cursor moves on and sinks to its place: one pass down the
    // heap instead of a pop and a push.
    if (!cursors_[heap_.front()]->Next()) {
        std::pop_heap(heap_.begin(), heap_.end(),
                      [this](size_t a, size_t b) { return After(a, b); });
        heap_.pop_back();
        return;
    }
    const size_t count = heap_.size();
    const size_t moving = heap_.front();
    size_t at = 0;
    for (;;) {
        size_t child = 2 * at + 1;
        if (child >= count) {
            break;
        }
        if (child + 1 < count && After(heap_[child], heap_[child + 1])) {
            ++child;
        }
        if (!After(moving, heap_[child])) {
            break;
        }
        heap_[at] = heap_[child];
        at = child;
    }
    heap_[at] = moving;
}

bool ExternalSorter::Reader::Next() {
    if (cursors_.empty()) {
        if (sorter_->file_ || memoryAt_ >= sorter_->entries_.size()) {
            return false;
        }
        const char* data = sorter_->arena_.At(sorter_->entries_[memoryAt_++].locator);
        uint32_t keyLength = 0;
        uint32_t payloadLength = 0;
        ReadHeader(data, keyLength, payloadLength);
        key_ = std::string_view(data + kHeaderBytes, keyLength);
        payload_ = std::string_view(data + kHeaderBytes + keyLength, payloadLength);
        return true;
    }
    for (;;) {
        if (started_) {
            AdvanceTop();
        }
        started_ = true;
        if (heap_.empty()) {
            return false;
        }
        RunCursor& top = *cursors_[heap_.front()];
        key_ = top.key;
        payload_ = top.payload;
        if (!seeking_ || key_ >= seekKey_) {
            seeking_ = false;
            return true;
        }
    }
}

}  // namespace Norvik
