#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "PartitionPlan.h"
#include "PartitionShape.h"
#include "base/Status.h"

class DVDataSource;
class DVFile;

// The rows one part of a partitioned run reads, in the single run's order,
// each with its place: before the part's share (read only to learn what the
// single run knows there), the part's own, or after it (read only to finish
// a document begun in the share). How much lies before is read, counted or
// looked at as the shape says:
//
//   first row  an unsorted source is read from its first record only until
//              a row is accepted: one before the share means the document
//              began there; then the share alone is read;
//   count      a sorted text source's index leaves out every record outside
//              the share; those before it are counted (when accepted)
//              while the index is built;
//   replay     every record before the share is read, in the single run's
//              order, with its rules (sorted ones from the index).
class PartRows {
public:
    enum class Place { kBefore, kOwn, kAfter };

    PartRows(DVFile& definition, const PartitionShape& shape, const PartitionPlan& plan,
             int32_t index);
    ~PartRows();
    PartRows(const PartRows&) = delete;
    PartRows& operator=(const PartRows&) = delete;

    // Opens the source and finds what lies before the share as far as the
    // shape says; also after the source was read through (groups collected).
    Status Open();
    DVDataSource& Source() noexcept { return *source_; }
    // Back before the first row after the rows were read once; false when
    // the source cannot go back (Open it again).
    bool Rewind();
    // The next row and its place; false at the end of what the part reads
    // (a failure when Source().HasError()).
    bool Next(Place& place);
    // Rows before the share the part did not read: counted ones, or (first
    // row) 1 when the document began before the share. Rows read with place
    // kBefore come on top.
    int64_t RowsNotRead() const noexcept { return notRead_; }

private:
    Status OpenText();
    Status OpenRows();
    Status FindFirstRow();

    DVFile& definition_;
    const PartitionShape& shape_;
    const PartitionPlan& plan_;
    const PartitionPlan::Range& range_;
    std::unique_ptr<DVDataSource> source_;
    int64_t notRead_ = 0;
    int64_t recordsBefore_ = 0;  // replaying a key cut: records before the share
    int64_t recordsAtStart_ = -1;
    bool pending_ = false;  // the first row looked for is the share's first
};
