#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DVRun.h"
#include "base/Status.h"
#include "model/DVFile.h"

class DVDataSource;
class NodeTreeWriter;
class OutputDocument;
class PartFileReader;
struct PartitionPlan;

// A run of one definition in parts, by separate processes or machines, joined
// into the one document a single run writes, byte for byte.
//
//   Plan   cuts the text source into N ranges of whole records (one scan) and
//          writes them to the target file;
//   Part   converts range K of N (cut by itself, or read from a plan) into a
//          part file at the target: the rows' output bytes; the part that
//          holds the first row also the document's head and that row's pass;
//   Merge  writes the head, the parts in order and the footer to the target,
//          through the normal output path (validation, XSL, compression).
//
// Only definitions whose rows stand alone run in parts (see Refusal); the
// rest are refused with kParts. The merge checks every part (present, whole,
// in order, of this definition and source) before it writes; a part that
// fails the check later (its checksum) leaves no target behind.
class PartitionedRun {
public:
    using ProgressCallback = DVRun::ProgressCallback;

    // definition: as loaded from definitionPath, with the caller's settings
    // (source, target, schema, locale) applied.
    PartitionedRun(const DVFile& definition, std::string definitionPath);
    ~PartitionedRun();
    PartitionedRun(const PartitionedRun&) = delete;
    PartitionedRun& operator=(const PartitionedRun&) = delete;

    int32_t Plan(int32_t parts);
    // planPath empty: the part cuts the source itself.
    int32_t Part(int32_t index, int32_t parts, const std::string& planPath,
                 const ProgressCallback& progress = {});
    int32_t Merge(const std::vector<std::string>& partPaths, const ProgressCallback& progress = {});

    void SetCompressStandardOutput(bool on) noexcept { compressStandardOutput_ = on; }
    const std::string& GetDetailText() const noexcept { return detail_; }
    // The message of the result with the detail text, as DVRun gives it.
    std::string GetResultText(int32_t code) const;
    // Rows the part wrote, or the merged document holds.
    int64_t RowCount() const noexcept { return rowCount_; }
    const std::vector<std::string>& OutputFileNames() const noexcept { return outputNames_; }

    // Why the definition cannot run in parts, for a message; empty when it
    // can. The source is the definition's, open.
    static std::string Refusal(DVFile& definition, const DVDataSource& source);

    // The most parts a run may be cut into.
    static constexpr int32_t kMaxParts = 100000;

private:
    struct Context;

    // Settings, the source, and the check that the definition runs in parts.
    Status Prepare(Context& run);
    uint64_t Fingerprint(const Context& run) const;
    Status Ranges(Context& run, int32_t parts, const std::string& planPath, PartitionPlan& plan);
    struct PartStart {
        bool rowsLeft = false;  // the part's range holds rows to write
        bool head = false;      // the part begins the document
        int64_t rows = 0;       // rows written so far
    };
    Status StartPart(Context& run, const PartitionPlan& plan, int32_t index, OutputDocument& output,
                     NodeTreeWriter& nodes, PartStart& start);
    Status WritePart(Context& run, const PartitionPlan& plan, int32_t index,
                     const ProgressCallback& progress);
    Status OpenParts(const Context& run, const std::vector<std::string>& partPaths,
                     std::vector<std::unique_ptr<PartFileReader>>& readers) const;
    Status JoinParts(Context& run, std::vector<std::unique_ptr<PartFileReader>>& readers,
                     const ProgressCallback& progress);
    // Keeps the detail text; the code.
    int32_t Finish(const Status& status);

    DVFile definition_;
    std::string definitionPath_;
    std::string detail_;
    std::vector<std::string> outputNames_;
    int64_t rowCount_ = 0;
    bool compressStandardOutput_ = false;
};
