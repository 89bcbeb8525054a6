#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "RecordCutter.h"
#include "base/OrderedWorkers.h"

class DVFile;
class TextFileDataSource;

// Sort index entries made on several threads: each worker reads ranges of
// whole records of a text file with a source of its own and makes every
// record's entry (key, position and bytes); the entries come back range by
// range, in file order, so an index fed with them is the one a single
// reader makes.
class SortKeyWorkers {
public:
    // A source per worker, opened on a copy of definition (already fitted to
    // the file) to make keys only, noting the column of groupNoteId as the
    // index asks (TextFileDataSource::SetGroupNote); null when one cannot be
    // opened. Throws std::system_error when no thread can be had.
    static std::unique_ptr<SortKeyWorkers> Open(const DVFile& definition, size_t threads,
                                                int32_t groupNoteId = 0);
    ~SortKeyWorkers();
    SortKeyWorkers(const SortKeyWorkers&) = delete;
    SortKeyWorkers& operator=(const SortKeyWorkers&) = delete;

    // Why the entries stopped short: a record that cannot be read (its
    // message, and whether the record itself is at fault) or the caller.
    struct Stop {
        std::string error;
        bool recordFailed = false;
    };
    using Add = std::function<bool(std::string_view key, std::string_view payload)>;
    // Hands every entry of the ranges the cutter gives to add, in file
    // order; false when add said stop, or a range could not be read (stop
    // says why). What a worker threw is thrown here, in its range's turn.
    bool MakeEntries(RecordCutter& cutter, const Add& add, Stop& stop);

    struct Worker;
    struct Job;
    SortKeyWorkers();

private:
    bool Take(const Add& add, Stop& stop, bool wait);

    std::vector<std::unique_ptr<Worker>> workers_;
    std::vector<Job> jobs_;
    std::unique_ptr<OrderedWorkers> pool_;  // last: its threads stop first
};
