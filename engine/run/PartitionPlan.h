#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Status.h"

class TextFileDataSource;

// Where the parts of a partitioned run read their source, one range each;
// ranges follow each other without gap or overlap, and with fewer records
// (or keys) than parts some are empty.
//
//   bytes  an unsorted text source: ranges of whole records cut by one
//          sequential scan after the header record (quoted line breaks
//          followed as the reader follows them), about the same number of
//          bytes each; with fewer records than parts the last are empty;
//   keys   a sorted text source: ranges of the first sort key's part of the
//          sort key (bytes that order as the key orders, descending, number
//          and date keys included), split at quantiles of a sample of the
//          records' keys; a key value never falls in two ranges. With fewer
//          distinct keys than parts the first ranges are empty, so that the
//          last holds the last record;
//   rows   a database query: windows of its rows, as many rows each.
//
// A plan saved once and read by every part gives the parts the cut each
// would otherwise make itself by the same scan.
struct PartitionPlan {
    enum class Kind { kBytes, kKeys, kRows };
    struct Range {
        int64_t begin = 0;  // bytes: offsets; rows: row positions from 0
        int64_t end = 0;
        int64_t linesBefore = 0;  // bytes only
        std::string low;          // keys: the first key part from (inclusive)
        std::string high;         // keys: up to (exclusive), unless unbounded
        bool unbounded = false;   // keys: the last range, to the end

        // Whether a record whose first key part is key falls in the range.
        bool HoldsKey(std::string_view key) const {
            return key >= low && (unbounded || key < high);
        }
        bool IsAfter(std::string_view key) const { return !unbounded && key >= high; }
    };

    // The first key parts of a source's records, as many as fit a fixed
    // sample (reservoir sampling with a fixed seed, so that every part draws
    // the same sample from the same file).
    class KeySample {
    public:
        void Add(std::string_view key);
        std::vector<std::string>& Keys() noexcept { return keys_; }

    private:
        static constexpr size_t kSize = size_t{1} << 16;
        std::vector<std::string> keys_;
        uint64_t seen_ = 0;
        uint64_t state_ = 0x9e3779b97f4a7c15ULL;
    };

    Kind kind = Kind::kBytes;
    uint64_t fingerprint = 0;  // of the definition and source it was cut for
    std::vector<Range> ranges;

    // Cuts an open text source that has read no row yet into parts ranges.
    static Status Cut(const TextFileDataSource& source, const std::string& path, int32_t parts,
                      PartitionPlan& plan);
    // Ranges of keys from the sample's (which it sorts).
    static void CutKeys(std::vector<std::string>& sample, int32_t parts, PartitionPlan& plan);
    // Windows of a query's rows.
    static void CutRows(int64_t rows, int32_t parts, PartitionPlan& plan);
    std::string Text() const;
    // False for text that is no plan of this version.
    bool Parse(const std::string& text);
};
