#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DVRun.h"
#include "base/Status.h"
#include "model/DVFile.h"

class DVDataSource;
class PartFileReader;
struct PartitionPlan;

// A run of one definition in parts, by separate processes or machines, that
// gives the output a single run writes, byte for byte.
//
//   Plan   cuts the source into N shares (PartitionPlan: byte ranges of an
//          unsorted text file, ranges of the first sort key of a sorted
//          one, windows of a query's rows) and writes the cut to the target;
//   Part   converts share K of N (cut by itself, or read from a plan) into a
//          part file at the target (PartWriter): for one document the
//          share's output bytes, the head with the first row, the footer
//          with the last part; with a document per row or value the
//          documents themselves, named as the single run names them (the
//          target the project file gives, or SetDocumentTarget), the part
//          file listing them;
//   Merge  for one document writes the parts in order to the target through
//          the normal output path (validation, XSL, compression) and closes
//          it; for documents of their own it checks that every part is
//          there and reports the names, writing nothing.
//
// Definitions whose rows depend on what the writer remembers of the rows
// before them are refused with kParts (PartitionShape::Refusal). The merge
// checks every part (present, whole, in order, of this definition and
// source) before it writes; a part that fails the check later (its
// checksum) leaves no target behind.
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

    // The most parts a run may be cut into.
    static constexpr int32_t kMaxParts = 100000;

    // A run with a document per row or value: the names its parts give the
    // documents (default: the target the project file names).
    void SetDocumentTarget(std::string pattern) { documentTarget_ = std::move(pattern); }

private:
    struct Context;

    // Settings, columns, the shape, and what the definition alone says
    // against running in parts.
    Status Prepare(Context& run);
    // What the open source says against it.
    Status CheckSource(Context& run, const DVDataSource& source);
    uint64_t Fingerprint(const Context& run) const;
    Status Ranges(Context& run, int32_t parts, const std::string& planPath, PartitionPlan& plan);
    Status Cut(Context& run, int32_t parts, PartitionPlan& plan);
    Status WritePart(Context& run, const PartitionPlan& plan, int32_t index,
                     const ProgressCallback& progress);
    Status OpenParts(const Context& run, const std::vector<std::string>& partPaths,
                     std::vector<std::unique_ptr<PartFileReader>>& readers) const;
    Status ListDocuments(std::vector<std::unique_ptr<PartFileReader>>& readers);
    Status JoinParts(Context& run, std::vector<std::unique_ptr<PartFileReader>>& readers,
                     const ProgressCallback& progress);
    // Keeps the detail text; the code.
    int32_t Finish(const Status& status);

    DVFile definition_;
    std::string definitionPath_;
    std::string documentTarget_;
    std::string detail_;
    std::vector<std::string> outputNames_;
    int64_t rowCount_ = 0;
    bool compressStandardOutput_ = false;
};
