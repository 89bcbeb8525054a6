#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Status.h"

class TextFileDataSource;

// Where the parts of a partitioned run read a text source: as many ranges of
// whole records as there are parts, cut by one sequential scan after the
// header record (quoted line breaks followed as the reader follows them),
// each about the same number of bytes. Ranges follow each other without gap
// or overlap; with fewer records than parts the last ones are empty.
//
// A plan saved once and read by every part gives the parts the cut each
// would otherwise make itself by the same scan.
struct PartitionPlan {
    struct Range {
        int64_t begin = 0;
        int64_t end = 0;
        int64_t linesBefore = 0;
    };

    uint64_t fingerprint = 0;  // of the definition and source it was cut for
    std::vector<Range> ranges;

    // Cuts an open source that has read no row yet into parts ranges.
    static Status Cut(const TextFileDataSource& source, const std::string& path, int32_t parts,
                      PartitionPlan& plan);
    std::string Text() const;
    // False for text that is no plan of this version.
    bool Parse(const std::string& text);
};
