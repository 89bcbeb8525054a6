#include "SortKeyWorkers.h"

#include <cstdint>
#include <cstring>

#include "TextFileDataSource.h"
#include "base/ResultCode.h"
#include "model/DVFile.h"
#include "sort/ExternalSorter.h"

struct SortKeyWorkers::Worker {
    std::unique_ptr<DVFile> definition;
    std::unique_ptr<DVDataSource> source;
    std::string key;
    std::string payload;
};

// A range and the entries made of it, as the sorter lays records out.
struct SortKeyWorkers::Job {
    RecordCutter::Range range;
    std::string entries;
    Stop stop;
    std::exception_ptr failure;
};

namespace {

void MakeRange(SortKeyWorkers::Worker& worker, SortKeyWorkers::Job& job) {
    auto& text = static_cast<TextFileDataSource&>(*worker.source);
    job.entries.clear();
    job.stop = {};
    if (!text.ReadRange(job.range.begin, job.range.end, job.range.linesBefore)) {
        job.stop.error = "The source file cannot be read again";
        return;
    }
    while (text.NextIndexEntry(worker.key, worker.payload)) {
        Norvik::ExternalSorter::AppendRecord(job.entries, worker.key, worker.payload);
    }
    if (text.HasError()) {
        job.stop.error = text.ErrorText();
        job.stop.recordFailed = text.ReadFailureCode() == kSourceRecord;
    }
}

}  // namespace

SortKeyWorkers::SortKeyWorkers() = default;

SortKeyWorkers::~SortKeyWorkers() = default;

std::unique_ptr<SortKeyWorkers> SortKeyWorkers::Open(const DVFile& definition, size_t threads,
                                                     int32_t groupNoteId) {
    auto made = std::make_unique<SortKeyWorkers>();
    for (size_t i = 0; i < threads; ++i) {
        auto worker = std::make_unique<Worker>();
        worker->definition = std::make_unique<DVFile>(definition);
        worker->source = CreateDataSource(definition.Settings().sourcetype);
        auto* text = dynamic_cast<TextFileDataSource*>(worker->source.get());
        if (!text) {
            return nullptr;
        }
        text->SetBuildsSortIndex(false);
        text->SetGroupNote(groupNoteId);
        if (text->Open(*worker->definition, 0) != kSuccess || !text->CanReadRanges()) {
            return nullptr;
        }
        made->workers_.push_back(std::move(worker));
    }
    made->jobs_.resize(2 * threads);
    SortKeyWorkers* self = made.get();
    made->pool_ = std::make_unique<OrderedWorkers>(threads, made->jobs_.size(),
                                                   [self](size_t worker, size_t slot) {
                                                       Job& job = self->jobs_[slot];
                                                       try {
                                                           MakeRange(*self->workers_[worker], job);
                                                       } catch (...) {
                                                           job.failure = std::current_exception();
                                                       }
                                                   });
    return made;
}

bool SortKeyWorkers::Take(const Add& add, Stop& stop, bool wait) {
    size_t slot = 0;
    while (pool_->TakeOldest(slot, wait)) {
        Job& job = jobs_[slot];
        if (job.failure) {
            std::rethrow_exception(std::exchange(job.failure, nullptr));
        }
        const char* p = job.entries.data();
        const char* const end = p + job.entries.size();
        std::string_view key;
        std::string_view payload;
        while (Norvik::ExternalSorter::TakeRecord(p, end, key, payload)) {
            if (!add(key, payload)) {
                return false;
            }
        }
        if (!job.stop.error.empty()) {
            stop = job.stop;
            return false;
        }
        wait = false;
    }
    return true;
}

bool SortKeyWorkers::MakeEntries(RecordCutter& cutter, const Add& add, Stop& stop) {
    RecordCutter::Range range;
    while (cutter.Next(range)) {
        jobs_[pool_->Filling()].range = range;
        pool_->Submit();
        if (!Take(add, stop, pool_->Full())) {
            return false;
        }
    }
    // Entries before a read error come first, as they would one by one.
    while (pool_->InFlight() > 0) {
        if (!Take(add, stop, true)) {
            return false;
        }
    }
    return cutter.Error() == 0;
}
