#include "DVRun.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <system_error>

#include "ColumnDiscovery.h"
#include "ResultMessages.h"
#include "base/PlatformError.h"
#include "base/RunThreads.h"
#include "io/SpillSettings.h"
#include "model/ColumnMap.h"
#include "model/NamespaceCheck.h"
#include "model/RegionalSettings.h"
#include "output/AutoTextResolver.h"
#include "output/GroupRegistry.h"
#include "output/NodeTreeWriter.h"
#include "output/OutputDocument.h"
#include "output/ParallelRowWriter.h"
#include "output/RowPass.h"
#include "output/XSLPostProcessor.h"
#include "sources/DVDataSource.h"
#include "sources/RecordCutter.h"
#include "sources/TextFileDataSource.h"
#include "validate/CSchemaValidator.h"

namespace {

using Clock = std::chrono::steady_clock;
// Often enough that a window showing progress repaints and cancels promptly.
constexpr auto kProgressInterval = std::chrono::milliseconds(150);
std::atomic<int32_t> progressIntervalForTesting{-1};

Clock::duration ProgressInterval() {
    const int32_t testing = progressIntervalForTesting;
    return testing >= 0 ? Clock::duration(std::chrono::milliseconds(testing))
                        : Clock::duration(kProgressInterval);
}

// Says when about 150 ms have passed since it last said so, reading the
// clock only every so many rows: more of them the faster rows go.
class ProgressClock {
public:
    bool Tick() {
        if (++sinceCheck_ <= checkInterval_) {
            return false;
        }
        sinceCheck_ = 0;
        const auto now = Clock::now();
        if (now < deadline_) {
            checkInterval_ += kCheckStep;
            return false;
        }
        // Rows that have slowed down (a group's rows, a large value) are
        // looked at more often again, so reports never lag far behind.
        if (now - deadline_ > ProgressInterval() / 8) {
            checkInterval_ = std::max(kCheckStep, checkInterval_ / 2);
        }
        deadline_ = now + ProgressInterval();
        return true;
    }

private:
    static constexpr int32_t kCheckStep = 10;
    int32_t checkInterval_ = kCheckStep;
    int32_t sinceCheck_ = 0;
    Clock::time_point deadline_ = Clock::now() + ProgressInterval();
};

// The group column of the one grouped node of the document element, when
// the first sort key is that column: rows of its groups may then be passed
// over unread while groups are written apart. 0 otherwise.
int32_t GroupNoteColumn(const DVFile& definition) {
    int32_t group = 0;
    for (const auto& child : definition.Root().Children()) {
        if (child->GetGroup() != 0) {
            if (group != 0) {
                return 0;
            }
            group = child->GetGroup();
        }
    }
    for (const auto& order : definition.SortOrders()) {
        if (order) {
            return order->columnId == group ? group : 0;
        }
    }
    return 0;
}

// A data source for a run: it reports records read, and a text source
// sorts with that many threads.
Status OpenRunSource(DVFile& definition, std::unique_ptr<DVDataSource>& source,
                     const DVDataSource::ReadProgress& readProgress, size_t sortThreads) {
    return OpenDataSource(definition, source, [&](DVDataSource& opening) {
        opening.SetReadProgress(readProgress);
        if (auto* text = dynamic_cast<TextFileDataSource*>(&opening)) {
            text->SetSortThreads(sortThreads);
            if (sortThreads > 1) {
                text->SetGroupNote(GroupNoteColumn(definition));
            }
        }
    });
}

bool AnyValueHasToken(const XMLNode& node) {
    if (node.GetValue().find('{') != std::string::npos) {
        return true;
    }
    for (const auto& child : node.Children()) {
        if (AnyValueHasToken(*child)) {
            return true;
        }
    }
    return false;
}

// Workers read ranges of about this size: a few of them hold little, and
// each is worth handing over.
constexpr size_t kRangeBytes = size_t{1} << 17;

std::string TransformingFailure(const Norvik::PlatformError& error) {
    return "Transforming\r\nError: " + Norvik::SystemMessage(error.Code()) +
           "\r\nDescription: " + error.Description();
}

}  // namespace

// What one run holds from start to end.
struct DVRun::Context {
    Context(const DVFile& run, const std::string& definitionPath)
        : definition(run), resolver(definition, definitionPath) {}

    DVFile definition;  // the run's own copy, whose columns the source fits
    AutoTextResolver resolver;
    std::shared_ptr<const RegionalSettings> regional;
    std::optional<RegionalSettings::Scope> regionalScope;
    std::unique_ptr<DVDataSource> source;
    std::unique_ptr<Norvik::CSchemaValidator> validator;
    ColumnMap columns;
    GroupRegistry groups;
    // Keeps the caller informed while records are read and none written.
    DVDataSource::ReadProgress readProgress;
};

DVRun::DVRun() = default;

DVRun::DVRun(const DVFile& definition) : DVFile(definition) {}

DVRun::~DVRun() = default;

void DVRun::SetProgressIntervalForTesting(int32_t milliseconds) {
    progressIntervalForTesting = milliseconds;
}

bool DVRun::LoadDefinition() {
    const bool loaded = LoadProjectFile(definitionPath_);
    detail_ = GetLastError();
    return loaded;
}

std::string DVRun::GetResultMessage(int32_t code) const {
    return ResultMessage(code, *this, definitionPath_);
}

std::string DVRun::GetResultText(int32_t code) const {
    return StatusMessage(Status::FromCode(code, detail_), *this, definitionPath_);
}

int32_t DVRun::Run(const ProgressCallback& progress) {
    Begin(progress);
    Context run(*this, definitionPath_);
    if (progress) {
        run.readProgress = [this, &progress,
                            due = Clock::now() + ProgressInterval()](int64_t recordsRead) mutable {
            const auto now = Clock::now();
            if (now < due) {
                return true;
            }
            due = now + ProgressInterval();
            return readProgress_ ? readProgress_(recordsRead) : progress(rowCount_);
        };
    }
    Status status = ChooseRegionalSettings(run);
    if (status.IsOk()) {
        status = CheckNamespaces(run);
    }
    if (status.IsOk()) {
        status = OpenSource(run);
    }
    if (status.IsOk()) {
        status = LoadValidator(run);
    }
    if (status.IsOk()) {
        status = WriteDocuments(run, progress);
    }
    detail_ = status.Detail();
    return status.Code();
}

void DVRun::Begin(const ProgressCallback& progress) {
    detail_.clear();
    outputNames_.clear();
    rowCount_ = 0;
    threadsUsed_ = 1;
    pipeline_ = Pipeline::kOneThread;
    if (progress) {
        progress(-1);
    }
    // Temporary files of sorting and grouping go beside the output, where
    // there is room for it; a name with tokens in its folder, or none, leaves
    // them in the system's folder.
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::path(Settings().targetfilename).parent_path();
    const bool usable = !folder.empty() && std::filesystem::is_directory(folder, error);
    Norvik::SpillSettings::SetRunFolder(usable ? folder.string() : std::string());
}

Status DVRun::ChooseRegionalSettings(Context& run) {
    run.regional = RegionalSettings::For(run.definition.Settings().locale);
    if (!run.regional) {
        return kRegionalSetting;
    }
    run.regionalScope.emplace(*run.regional);
    return kSuccess;
}

Status DVRun::CheckNamespaces(Context& run) {
    if (const auto problem = NamespaceCheck::Find(run.definition.Root())) {
        return Status(kNamespacePrefix, NamespaceCheck::Describe(*problem));
    }
    return kSuccess;
}

Status DVRun::OpenSource(Context& run) {
    Status opened = OpenRunSource(run.definition, run.source, run.readProgress, ThreadsAsked());
    if (!opened.IsOk() || !run.definition.Columns().empty()) {
        return opened;
    }
    // Without columns the definition takes them from the source; the run's
    // source is then opened again so that it reads with them.
    Status discovered = ColumnDiscovery::ReadColumns(run.definition, 1);
    if (!discovered.IsOk()) {
        return discovered;
    }
    return OpenRunSource(run.definition, run.source, run.readProgress, ThreadsAsked());
}

Status DVRun::LoadValidator(Context& run) {
    // A schema that cannot be used fails the run before any output exists.
    const std::string& schema = run.definition.Settings().validateschema;
    if (schema.empty()) {
        return kSuccess;
    }
    run.validator = std::make_unique<Norvik::CSchemaValidator>();
    if (!run.validator->Load(schema)) {
        return {kSchemaLoad, run.validator->LoadError()};
    }
    return kSuccess;
}

Status DVRun::WriteDocuments(Context& run, const ProgressCallback& progress) {
    run.columns.Rebuild(run.definition.Columns());
    OutputDocument output(run.definition);
    output.SetValidator(run.validator.get());
    output.SetCompressStandardOutput(compressStandardOutput_);
    std::unique_ptr<XSLPostProcessor> postProcessor;
    if (!run.definition.Settings().xsltransform.empty()) {
        postProcessor = std::make_unique<XSLPostProcessor>();
        output.SetPostProcessor(postProcessor.get());
    }
    NodeTreeWriter nodes(output, run.resolver, run.columns, &run.groups);
    RowPass pass(run.definition, output, nodes);

    Status status = progress && !progress(0) ? kCancelled : kSuccess;
    if (status.IsOk()) {
        try {
            status = CollectGroups(run, progress);
            if (status.IsOk()) {
                status = PassOverRows(run, pass, output, progress);
            }
        } catch (...) {
            status = WritingFailure(std::current_exception(), rowCount_);
        }
    }
    outputNames_ = output.OutputFileNames();
    if (!status.IsOk()) {
        output.DeleteLastStarted();
    } else if (progress) {
        progress(rowCount_);
    }
    return status;
}

Status DVRun::CollectGroups(Context& run, const ProgressCallback& progress) {
    CGroupFinder(run.groups).Visit(run.definition.Root());
    if (run.groups.Count() == 0) {
        return kSuccess;
    }
    // Sorting the text source takes the other half of the budget.
    const size_t budget = Norvik::SpillSettings::BudgetBytes() / 2;
    auto due = Clock::now();
    const auto keepGoing = [&progress, &due] {
        if (!progress || Clock::now() < due) {
            return true;
        }
        due = Clock::now() + ProgressInterval();
        return progress(0);
    };
    if (!run.groups.Collect(*run.source, run.columns, budget, keepGoing) ||
        run.source->Cancelled()) {
        return kCancelled;
    }
    if (run.groups.ServedBySource() || run.source->Rewind(run.definition)) {
        return kSuccess;
    }
    // The rows were read to the end: the pass reads them from a new source.
    return OpenRunSource(run.definition, run.source, run.readProgress, ThreadsAsked());
}

Status DVRun::PassOverRows(Context& run, RowPass& pass, OutputDocument& output,
                           const ProgressCallback& progress) {
    DVDataSource& source = *run.source;
    ProgressClock clock;
    std::unique_ptr<ParallelRowWriter> writer;  // rows or groups apart, after the first row
    NodeTreeWriter& nodes = pass.Nodes();
    // The node writer hands no group to a writer that has gone.
    struct Detach {
        NodeTreeWriter& nodes;
        ~Detach() { nodes.SetGroupsApart(nullptr); }
    } detach{nodes};
    // With groups apart: the source, when it passes over the rows of the
    // group last written unread.
    TextFileDataSource* skimming = nullptr;
    const auto skimLastGroup = [&] {
        skimming->SkimGroupValue(nodes.LastGroupValue(*writer->SoleGroup()));
    };
    while (source.NextRow()) {
        ++rowCount_;
        if (clock.Tick()) {
            output.Flush();
            if (progress && !progress(rowCount_)) {
                return kCancelled;
            }
        }
        if (skimming && skimming->Skimmed()) {
            output.MarkRow(rowCount_);
            writer->PassedOver();
            continue;
        }
        if (pipeline_ == Pipeline::kRowBatches) {
            writer->Add(source, rowCount_, output);
            continue;
        }
        Status written = pass.Write(source, rowCount_);
        if (!written.IsOk()) {
            return written;
        }
        if (skimming) {
            skimLastGroup();
        }
        if (rowCount_ == 1) {
            // The first row has started the document; the rest may go apart.
            if (std::unique_ptr<ParallelRowWriter> ranges = StartRangeReading(run, pass, output)) {
                threadsUsed_ = ranges->Threads();
                pipeline_ = Pipeline::kRecordRanges;
                return PassOverRanges(run, pass, output, *ranges, progress);
            }
            if ((writer = StartGroupWriter(run, pass, output))) {
                nodes.SetGroupsApart(writer.get());
                threadsUsed_ = writer->Threads();  // this one reads beside them
                pipeline_ = Pipeline::kGroupRecords;
                skimming = SkimsGroupRows(run, writer->SoleGroup());
                if (skimming) {
                    skimLastGroup();
                    if (!output.MarksRows()) {
                        // Marks of rows passed over stand after their group
                        // element: a validated run reads each run again.
                        writer->StreamGroups();
                    }
                }
                continue;
            }
            writer = StartParallelWriter(run, pass, output);
            threadsUsed_ = writer ? writer->Threads() : 1;
            pipeline_ = writer ? Pipeline::kRowBatches : Pipeline::kOneThread;
        }
    }
    if (source.Cancelled()) {
        return kCancelled;
    }
    if (source.HasError()) {
        // A source that fails part way is a failed run, not a short one.
        return Status::FromCode(source.ReadFailureCode(), source.ErrorText());
    }
    if (skimming) {
        skimming->SkimGroupValue(nullptr);
    }
    if (writer) {
        writer->Finish(output);
        nodes.SetGroupsApart(nullptr);
        pass.WrittenApart(rowCount_);  // the footer counts rows written or passed over apart
    }
    pass.Finish(source);
    return kSuccess;
}

size_t DVRun::ThreadsAsked() const {
    return threads_ > 0 ? threads_ : RunThreads::Default();
}

size_t DVRun::ParallelThreads(Context& run, const RowPass& pass,
                              const OutputDocument& output) const {
    // The validator checks the output on a thread of its own: it keeps a
    // core to itself.
    const size_t asked = ThreadsAsked();
    const size_t threads = run.validator && asked > 1 ? asked - 1 : asked;
    const XMLNode& root = run.definition.Root();
    if (threads < 2 || !pass.WritesOneDocument() || !output.TakesPieces() ||
        (run.groups.Count() > 0
             ? !run.groups.ServedBySource() || !NodeTreeWriter::WritesGroupsApart(root)
             : !NodeTreeWriter::WritesRowsApart(root))) {
        return 1;
    }
    for (const CSCol& column : run.source->Columns()) {
        if (column.useLastIfEmpty) {
            return 1;  // a value carried from row to row
        }
    }
    if (AnyValueHasToken(run.definition.Root())) {
        run.resolver.ReadPropertiesNow();
    }
    return threads;
}

std::unique_ptr<ParallelRowWriter> DVRun::StartRangeReading(Context& run, const RowPass& pass,
                                                            const OutputDocument& output) const {
    const auto* text = dynamic_cast<const TextFileDataSource*>(run.source.get());
    const DVFileSettings& settings = run.definition.Settings();
    if (!text || run.groups.Count() > 0 || !text->CanReadRanges() || settings.firstrow > 1 ||
        settings.lastrow != 0 || NodeTreeWriter::ShowsRowNumbers(run.definition.Root()) ||
        NodeTreeWriter::FooterReadsRow(run.definition.Root())) {
        return nullptr;
    }
    for (const CSCol& column : text->Columns()) {
        if (column.skipIfDuplicate) {
            return nullptr;  // the row before decides
        }
    }
    const size_t threads = ParallelThreads(run, pass, output);
    if (threads < 2) {
        return nullptr;
    }
    try {
        return ParallelRowWriter::ReadingRanges(run.definition, run.columns, run.resolver, threads,
                                                output.MarksRows(), rowCount_);
    } catch (const std::system_error&) {
        return nullptr;
    }
}

Status DVRun::PassOverRanges(Context& run, RowPass& pass, OutputDocument& output,
                             ParallelRowWriter& writer, const ProgressCallback& progress) {
    const auto& text = static_cast<const TextFileDataSource&>(*run.source);
    const std::string& path = run.definition.Settings().sourcefilename;
    // Lines are counted only should a message name one.
    RecordCutter cutter(path, text.NextRecordOffset(), text.LinesRead(), text.QuotedRecords(),
                        kRangeBytes, false);
    auto due = Clock::now() + ProgressInterval();
    try {
        RecordCutter::Range range;
        while (cutter.Next(range)) {
            writer.AddRange(range, output);
            rowCount_ = static_cast<int32_t>(writer.RowsJoined());
            if (Clock::now() >= due) {
                due = Clock::now() + ProgressInterval();
                output.Flush();
                if (progress && !progress(rowCount_)) {
                    return kCancelled;
                }
            }
        }
        // Records before a read error come first, as they would one by one.
        writer.Finish(output);
    } catch (const ParallelRowWriter::SourceFailure& failure) {
        rowCount_ = static_cast<int32_t>(writer.RowsJoined());
        return failure.GetStatus();
    }
    rowCount_ = static_cast<int32_t>(writer.RowsJoined());
    if (cutter.Error() != 0) {
        return {kSourceFileOpen, "Reading " + path + ": " + Norvik::ErrnoText(cutter.Error())};
    }
    pass.WrittenApart(rowCount_);
    pass.Finish(*run.source);
    return kSuccess;
}

TextFileDataSource* DVRun::SkimsGroupRows(Context& run, const XMLNode* group) const {
    // A row of the group last written changes nothing in the document: its
    // group element (written apart) holds it already, and the rest of the
    // row's pass writes nothing after a document's first row. Unless the
    // group's own value counts rows, or skips duplicates (it remembers each
    // row's value), or the footer reads the last row, such rows need not
    // be read at all.
    auto* text = dynamic_cast<TextFileDataSource*>(run.source.get());
    if (!text || !group || !text->HasGroupNotes() || group->GetSkipIfDuplicate() ||
        group->GetValue().find("{ID}") != std::string::npos ||
        NodeTreeWriter::FooterReadsRow(run.definition.Root())) {
        return nullptr;
    }
    return text;
}

std::unique_ptr<ParallelRowWriter> DVRun::StartGroupWriter(Context& run, const RowPass& pass,
                                                           OutputDocument& output) const {
    auto* text = dynamic_cast<TextFileDataSource*>(run.source.get());
    if (!text || run.groups.Count() == 0) {
        return nullptr;
    }
    const size_t threads = ParallelThreads(run, pass, output);
    if (threads < 2) {
        return nullptr;
    }
    try {
        // As many workers as threads: this thread, which merges the sorted
        // runs and passes over the rows of each group, needs under half a
        // core, and shares the cores with them as the file's writer does.
        return ParallelRowWriter::WritingGroups(run.definition, run.columns, run.resolver, threads,
                                                *text, run.groups, output);
    } catch (const std::system_error&) {
        return nullptr;
    }
}

std::unique_ptr<ParallelRowWriter> DVRun::StartParallelWriter(Context& run, const RowPass& pass,
                                                              const OutputDocument& output) const {
    const size_t threads = run.groups.Count() > 0 ? 1 : ParallelThreads(run, pass, output);
    if (threads < 2) {
        return nullptr;
    }
    try {
        return std::make_unique<ParallelRowWriter>(run.definition, run.columns,
                                                   run.source->Columns(), run.resolver, threads,
                                                   output.MarksRows());
    } catch (const std::system_error&) {
        return nullptr;  // no threads to be had: one writer does it all
    }
}

Status DVRun::WritingFailure(std::exception_ptr failure, int64_t rows) {
    try {
        std::rethrow_exception(failure);
    } catch (const ParallelRowWriter::SourceFailure& unread) {
        return unread.GetStatus();
    } catch (const OutputDocument::ValidationFailure& invalid) {
        const int64_t row = invalid.Row() > 0 ? invalid.Row() : rows;
        return {kOutputInvalid,
                std::string(invalid.what()) + " (source row " + std::to_string(row) + ")"};
    } catch (const XSLPostProcessor::Failure& xsl) {
        // A broken stylesheet fails the run: the file holds no document.
        return {kTargetFileWrite, xsl.what()};
    } catch (const Norvik::PlatformError& error) {
        return {kTargetFileWrite, TransformingFailure(error)};
    } catch (const std::bad_alloc&) {
        return {kTargetFileWrite,
                "Transforming\r\nError: " + Norvik::SystemMessage(Norvik::kEOutOfMemory)};
    }
}
