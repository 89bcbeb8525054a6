#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Status.h"
#include "model/DVFile.h"

class OutputDocument;
class ParallelRowWriter;
class RowPass;
class TextFileDataSource;
class XMLNode;

// One run of a definition: loads the project file, reads the source rows,
// writes the output documents, reports progress and ends with one result
// code and a detail text. A run reads its own copy of the definition, so
// running changes nothing the setters set (opening a source fits the copy's
// columns to the source).
//
// Calling order: SetDefinitionPath, LoadDefinition (false: report 101),
// optional setters, Run, then GetResultMessage and GetDetailText.
class DVRun : public DVFile {
public:
    // Called with -1 at the start, 0 once set up, the row count about every
    // 150 ms (also while records are sorted or rejected by filters) and the
    // final count; false cancels the run.
    using ProgressCallback = std::function<bool(int32_t rowCount)>;
    // When set, called in place of the progress callback while records are
    // read (sorted, or rejected by filters) with how many were read; false
    // cancels the run.
    using ReadProgressCallback = std::function<bool(int64_t recordsRead)>;
    void SetReadProgress(ReadProgressCallback progress) { readProgress_ = std::move(progress); }

    DVRun();
    explicit DVRun(const DVFile& definition);
    ~DVRun() override;

    void SetDefinitionPath(std::string path) { definitionPath_ = std::move(path); }
    const std::string& GetDefinitionPath() const noexcept { return definitionPath_; }
    // May throw Norvik::PlatformError for a value that does not convert.
    bool LoadDefinition();
    int32_t Run(const ProgressCallback& progress = {});

    std::string GetResultMessage(int32_t code) const;
    const std::string& GetDetailText() const noexcept { return detail_; }
    // The message of the run's result with the detail text after ": ", as
    // the component and the editor report it.
    std::string GetResultText(int32_t code) const;
    const std::vector<std::string>& OutputFileNames() const noexcept { return outputNames_; }
    // gzip what goes to standard output (target "-").
    void SetCompressStandardOutput(bool on) noexcept { compressStandardOutput_ = on; }
    int32_t RowCount() const noexcept { return rowCount_; }
    // Threads that write rows (0: DATAVANE_THREADS, else the usable cores).
    // Definitions whose rows depend on the rows before them are written by
    // one; the output is the same bytes whatever the count.
    void SetThreads(size_t threads) noexcept { threads_ = threads; }
    // How many threads wrote the last run's rows (1: the rows went one by
    // one through the reading thread).
    size_t ThreadsUsed() const noexcept { return threadsUsed_; }
    // How the last run wrote its rows after the first: on the reading
    // thread, by workers from batches the reading thread copied, by
    // workers reading ranges of the text source themselves, or by workers
    // writing whole group elements from copies of their records.
    enum class Pipeline { kOneThread, kRowBatches, kRecordRanges, kGroupRecords };
    Pipeline LastPipeline() const noexcept { return pipeline_; }

    // Runs a copy of the definition into a temporary file (at most maxRows
    // rows) and returns the start of the output, at most maxChars characters,
    // or the detail text of a failed run. Leaves no file behind. A progress
    // callback that answers false stops the preview early (its text is then
    // the detail text of the cancelled run, usually empty).
    // What a failure thrown while writing means for a run that had read
    // that many rows (named when the failure names no row of its own).
    static Status WritingFailure(std::exception_ptr failure, int64_t rows);

    // Tests: how often progress is reported (-1 restores about 150 ms; 0
    // reports at every look at the clock).
    static void SetProgressIntervalForTesting(int32_t milliseconds);

    static std::string RunPreview(const DVFile& definition, size_t maxChars, int32_t maxRows,
                                  const ProgressCallback& progress = {});

private:
    struct Context;

    // The steps of Run, in order.
    void Begin(const ProgressCallback& progress);
    // Numbers and dates of the run follow the definition's regional setting.
    Status ChooseRegionalSettings(Context& run);
    // Names a namespace-aware reader would refuse end the run before it
    // writes anything.
    Status CheckNamespaces(Context& run);
    Status OpenSource(Context& run);
    Status LoadValidator(Context& run);
    Status WriteDocuments(Context& run, const ProgressCallback& progress);
    Status CollectGroups(Context& run, const ProgressCallback& progress);
    Status PassOverRows(Context& run, RowPass& pass, OutputDocument& output,
                        const ProgressCallback& progress);
    // Workers for the rows after the first, when there is more than one
    // thread to use and the rows can be written apart; null otherwise.
    std::unique_ptr<ParallelRowWriter> StartParallelWriter(Context& run, const RowPass& pass,
                                                           const OutputDocument& output) const;
    // The threads asked for (SetThreads, else the default).
    size_t ThreadsAsked() const;
    // The threads rows may be written with after the first (1: one).
    size_t ParallelThreads(Context& run, const RowPass& pass, const OutputDocument& output) const;
    // Workers that read ranges of a text source themselves, when its rows
    // stand alone and nothing written shows their numbers; null otherwise.
    std::unique_ptr<ParallelRowWriter> StartRangeReading(Context& run, const RowPass& pass,
                                                         const OutputDocument& output) const;
    // Workers that write the group elements of a sorted text source that
    // serves its groups, when nothing else is written per row; null
    // otherwise.
    std::unique_ptr<ParallelRowWriter> StartGroupWriter(Context& run, const RowPass& pass,
                                                        OutputDocument& output) const;
    // The source, when rows of the group last written apart may be passed
    // over unread; null otherwise.
    TextFileDataSource* SkimsGroupRows(Context& run, const XMLNode* group) const;
    Status PassOverRanges(Context& run, RowPass& pass, OutputDocument& output,
                          ParallelRowWriter& writer, const ProgressCallback& progress);

    std::string definitionPath_;
    std::string detail_;
    std::vector<std::string> outputNames_;
    int32_t rowCount_ = 0;
    bool compressStandardOutput_ = false;
    size_t threads_ = 0;
    size_t threadsUsed_ = 1;
    ReadProgressCallback readProgress_;
    Pipeline pipeline_ = Pipeline::kOneThread;
};
