#include "PartRows.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>

#include "base/ResultCode.h"
#include "model/DVFile.h"
#include "sources/DVDataSource.h"
#include "sources/ODBCDataSource.h"
#include "sources/TextFileDataSource.h"

namespace {

Status ReadAgainFailure() {
    return {kSourceFileOpen, "The source file cannot be read again"};
}

}  // namespace

PartRows::PartRows(DVFile& definition, const PartitionShape& shape, const PartitionPlan& plan,
                   int32_t index)
    : definition_(definition),
      shape_(shape),
      plan_(plan),
      range_(plan.ranges.at(static_cast<size_t>(index))) {}

PartRows::~PartRows() = default;

Status PartRows::Open() {
    notRead_ = 0;
    recordsBefore_ = 0;
    recordsAtStart_ = -1;
    pending_ = false;
    return shape_.cut == PartitionShape::Cut::kRows ? OpenRows() : OpenText();
}

Status PartRows::OpenText() {
    const bool keys = shape_.cut == PartitionShape::Cut::kKeys;
    const bool count = shape_.before == PartitionShape::Before::kCount;
    Status opened = OpenDataSource(definition_, source_, [&](DVDataSource& source) {
        auto* text = dynamic_cast<TextFileDataSource*>(&source);
        if (!keys || !text) {
            return;
        }
        text->SetIndexFilter([this, text, count](std::string_view key) {
            const std::string_view first = shape_.FirstKeyPart(key);
            if (range_.HoldsKey(first)) {
                return true;
            }
            if (range_.IsAfter(first)) {
                return false;
            }
            if (!count) {
                ++recordsBefore_;
                return true;
            }
            // Rows that stand alone are decided by their own record, read
            // now in file order as well as later in key order.
            if (text->AcceptRow()) {
                ++notRead_;
            }
            return false;
        });
    });
    if (!opened.IsOk() || keys) {
        return opened;
    }
    auto& text = static_cast<TextFileDataSource&>(*source_);
    const PartitionPlan::Range& first = plan_.ranges.front();
    if (shape_.before == PartitionShape::Before::kFirstRow) {
        return FindFirstRow();
    }
    // A document begun in the share may go on after it: read on to the end.
    int64_t end = range_.end;
    struct stat st {};
    if (shape_.documents && ::stat(definition_.Settings().sourcefilename.c_str(), &st) == 0) {
        end = std::max<int64_t>(end, st.st_size);
    }
    return text.ReadRange(first.begin, end, first.linesBefore) ? Status(kSuccess)
                                                               : ReadAgainFailure();
}

Status PartRows::FindFirstRow() {
    auto& text = static_cast<TextFileDataSource&>(*source_);
    const PartitionPlan::Range& first = plan_.ranges.front();
    // The document starts with the first row the source accepts. Looking for
    // it stops at this share's end.
    if (!text.ReadRange(first.begin, range_.end, first.linesBefore)) {
        return ReadAgainFailure();
    }
    if (!text.NextRow()) {
        return text.HasError() ? Status::FromCode(text.ReadFailureCode(), text.ErrorText())
                               : Status(kSuccess);
    }
    if (text.NextRecordOffset() > range_.begin) {
        pending_ = true;  // the row is the share's first: it is read
        return kSuccess;
    }
    notRead_ = 1;
    return text.ReadRange(range_.begin, range_.end, range_.linesBefore) ? Status(kSuccess)
                                                                        : ReadAgainFailure();
}

Status PartRows::OpenRows() {
    const bool firstRow = shape_.before == PartitionShape::Before::kFirstRow;
    if (firstRow && range_.begin > 0) {
        std::unique_ptr<DVDataSource> probe;
        Status opened = OpenDataSource(definition_, probe, [&](DVDataSource& source) {
            static_cast<ODBCDataSource&>(source).SetWindow(0, range_.begin);
        });
        if (!opened.IsOk()) {
            return opened;
        }
        if (probe->NextRow()) {
            notRead_ = 1;
        } else if (probe->HasError()) {
            return Status::FromCode(probe->ReadFailureCode(), probe->ErrorText());
        }
        probe->Close();
    }
    int64_t offset = 0;
    int64_t limit = range_.end;
    if (firstRow) {
        offset = range_.begin;
        limit = range_.end - range_.begin;
    } else if (shape_.documents) {
        limit = plan_.ranges.back().end;  // a document begun in the share may go on
    }
    return OpenDataSource(definition_, source_, [&](DVDataSource& source) {
        static_cast<ODBCDataSource&>(source).SetWindow(offset, limit);
    });
}

bool PartRows::Rewind() {
    recordsAtStart_ = -1;
    return source_->Rewind(definition_);
}

bool PartRows::Next(Place& place) {
    place = Place::kOwn;
    if (pending_) {
        pending_ = false;
        return true;
    }
    if (recordsAtStart_ < 0) {
        recordsAtStart_ = source_->RecordsRead();
    }
    if (!source_->NextRow()) {
        return false;
    }
    if (shape_.before != PartitionShape::Before::kReplay) {
        return true;
    }
    int64_t at = 0;  // where the row's record ends: a byte offset or a record count
    int64_t begin = range_.begin;
    int64_t end = range_.end;
    switch (shape_.cut) {
        case PartitionShape::Cut::kBytes:
            at = static_cast<const TextFileDataSource&>(*source_).NextRecordOffset();
            break;
        case PartitionShape::Cut::kRows:
            at = source_->RecordsRead() - recordsAtStart_;
            break;
        case PartitionShape::Cut::kKeys:
            at = source_->RecordsRead() - recordsAtStart_;
            begin = recordsBefore_;
            end = INT64_MAX;
            break;
    }
    place = at <= begin ? Place::kBefore : at <= end ? Place::kOwn : Place::kAfter;
    return true;
}
