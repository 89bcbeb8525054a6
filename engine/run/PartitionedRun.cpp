#include "PartitionedRun.h"

#include <sys/stat.h>

#include <fstream>
#include <new>
#include <optional>
#include <sstream>

#include "ColumnDiscovery.h"
#include "PartFile.h"
#include "PartitionPlan.h"
#include "ResultMessages.h"
#include "base/PlatformError.h"
#include "base/ResultCode.h"
#include "io/FileSink.h"
#include "model/ColumnMap.h"
#include "model/NamespaceCheck.h"
#include "model/RegionalSettings.h"
#include "output/AutoTextResolver.h"
#include "output/GroupRegistry.h"
#include "output/NodeTreeWriter.h"
#include "output/OutputDocument.h"
#include "output/XSLPostProcessor.h"
#include "sources/DVDataSource.h"
#include "sources/TextFileDataSource.h"
#include "validate/CSchemaValidator.h"

namespace {

// A part hands its bytes to its file in blocks of about this size.
constexpr size_t kPartBlockBytes = size_t{1} << 20;
constexpr int64_t kRowsBetweenProgress = 65536;

Status OpenDataSource(DVFile& definition, std::unique_ptr<DVDataSource>& source) {
    source = CreateDataSource(definition.Settings().sourcetype);
    if (!source) {
        return kInvalidArgument;
    }
    int32_t code = source->Validate(definition);
    if (code == kSuccess) {
        code = source->Open(definition, 0);
    }
    if (code != kSuccess) {
        source->Close();
    }
    return Status::FromCode(code, source->ErrorText());
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    text = bytes.str();
    return static_cast<bool>(in);
}

Status SourceFailure(const DVDataSource& source) {
    return Status::FromCode(source.ReadFailureCode(), source.ErrorText());
}

std::string PartName(int32_t index, int32_t parts) {
    return "part " + std::to_string(index) + " of " + std::to_string(parts);
}

}  // namespace

struct PartitionedRun::Context {
    Context(const DVFile& run, const std::string& definitionPath)
        : definition(run), resolver(definition, definitionPath) {}

    DVFile definition;
    AutoTextResolver resolver;
    std::shared_ptr<const RegionalSettings> regional;
    std::optional<RegionalSettings::Scope> regionalScope;
    std::unique_ptr<DVDataSource> source;
    ColumnMap columns;
};

PartitionedRun::PartitionedRun(const DVFile& definition, std::string definitionPath)
    : definition_(definition), definitionPath_(std::move(definitionPath)) {}

PartitionedRun::~PartitionedRun() = default;

std::string PartitionedRun::GetResultText(int32_t code) const {
    return StatusMessage(Status::FromCode(code, detail_), definition_, definitionPath_);
}

std::string PartitionedRun::Refusal(DVFile& definition, const DVDataSource& source) {
    const auto* text = dynamic_cast<const TextFileDataSource*>(&source);
    const DVFileSettings& s = definition.Settings();
    XMLNode& root = definition.Root();
    if (!text) {
        return "its source is a database or a workbook, read by one process";
    }
    if (!text->CanReadRanges()) {
        return "its source is sorted, UTF-16 or cannot be read from a position";
    }
    if (s.fileperrow || s.filepercolvalueid > 0) {
        return "it writes a document per row or per column value";
    }
    if (s.firstrow > 1 || s.lastrow != 0) {
        return "it reads from a first row or up to a last row";
    }
    GroupRegistry groups;
    CGroupFinder(groups).Visit(root);
    if (groups.Count() > 0) {
        return "it groups rows";
    }
    if (NodeTreeWriter::ShowsRowNumbers(root)) {
        return "it writes row numbers ({ROW})";
    }
    if (NodeTreeWriter::FooterReadsRow(root)) {
        return "its footer reads the last row";
    }
    if (!NodeTreeWriter::WritesRowsApart(root)) {
        return "its rows depend on the rows before them ({ID}, nodes that skip duplicates, "
               "or elements open over rows)";
    }
    for (const CSCol& column : text->Columns()) {
        if (column.useLastIfEmpty) {
            return "its column " + column.name + " uses the last value when empty";
        }
        if (column.skipIfDuplicate) {
            return "its column " + column.name + " skips duplicate rows";
        }
    }
    if (!OutputDocument::JoinsPieces(definition)) {
        return "its output encoding carries state from row to row, or a node's name cannot be "
               "written in it";
    }
    return {};
}

Status PartitionedRun::Prepare(Context& run) {
    run.regional = RegionalSettings::For(run.definition.Settings().locale);
    if (!run.regional) {
        return kRegionalSetting;
    }
    run.regionalScope.emplace(*run.regional);
    if (const auto problem = NamespaceCheck::Find(run.definition.Root())) {
        return Status(kNamespacePrefix, NamespaceCheck::Describe(*problem));
    }
    Status opened = OpenDataSource(run.definition, run.source);
    if (opened.IsOk() && run.definition.Columns().empty()) {
        // Columns taken from the source, as a single run takes them.
        opened = ColumnDiscovery::ReadColumns(run.definition, 1);
        if (opened.IsOk()) {
            opened = OpenDataSource(run.definition, run.source);
        }
    }
    if (!opened.IsOk()) {
        return opened;
    }
    run.columns.Rebuild(run.definition.Columns());
    const std::string refusal = Refusal(run.definition, *run.source);
    if (!refusal.empty()) {
        return {kParts,
                "The definition cannot run in parts: " + refusal + "; run it in one process"};
    }
    return kSuccess;
}

uint64_t PartitionedRun::Fingerprint(const Context& run) const {
    // The project file's bytes, the source's size and time, and what the
    // caller chose in place of the definition's (the locale changes bytes).
    PartChecksum hash;
    std::string project;
    ReadWholeFile(definitionPath_, project);
    hash.Add(project);
    struct stat st {};
    std::string source = "\n";
    if (::stat(run.definition.Settings().sourcefilename.c_str(), &st) == 0) {
        source += std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                  std::to_string(st.st_mtim.tv_nsec);
    }
    hash.Add(source + "\n" + run.definition.Settings().locale + "\n" +
             run.definition.Settings().encoding);
    return hash.Value();
}

Status PartitionedRun::Ranges(Context& run, int32_t parts, const std::string& planPath,
                              PartitionPlan& plan) {
    const uint64_t fingerprint = Fingerprint(run);
    if (planPath.empty()) {
        plan.fingerprint = fingerprint;
        const auto& text = static_cast<const TextFileDataSource&>(*run.source);
        return PartitionPlan::Cut(text, run.definition.Settings().sourcefilename, parts, plan);
    }
    std::string text;
    if (!ReadWholeFile(planPath, text)) {
        return {kParts, "The plan " + planPath + " cannot be read: " + Norvik::ErrnoText(errno)};
    }
    if (!plan.Parse(text)) {
        return {kParts, "The plan " + planPath + " is not a plan of this version, or is damaged"};
    }
    if (plan.fingerprint != fingerprint) {
        return {kParts, "The plan " + planPath +
                            " was made from another definition, source or regional setting"};
    }
    if (static_cast<int32_t>(plan.ranges.size()) != parts) {
        return {kParts, "The plan " + planPath + " cuts the source into " +
                            std::to_string(plan.ranges.size()) + " parts, not " +
                            std::to_string(parts)};
    }
    return kSuccess;
}

int32_t PartitionedRun::Plan(int32_t parts) {
    rowCount_ = 0;
    outputNames_.clear();
    if (parts < 1 || parts > kMaxParts) {
        return Finish({kInvalidArgument, "A run is cut into 1 to " + std::to_string(kMaxParts) +
                                             " parts, not " + std::to_string(parts)});
    }
    Context run(definition_, definitionPath_);
    Status status = Prepare(run);
    PartitionPlan plan;
    if (status.IsOk()) {
        status = Ranges(run, parts, {}, plan);
    }
    if (status.IsOk()) {
        const std::string& target = run.definition.Settings().targetfilename;
        if (target.empty()) {
            return Finish(kNoTargetFile);
        }
        int error = 0;
        auto sink = Norvik::FileSink::Open(target, Norvik::FileSink::Mode::kReplaceOnFinish, error);
        if (!sink) {
            status = {kTargetFileCreate, Norvik::ErrnoText(error)};
        } else if (!sink->Write(plan.Text()) || !sink->Commit()) {
            status = {kTargetFileWrite, Norvik::ErrnoText(sink->Error())};
            sink->Discard();
        } else {
            outputNames_.push_back(target);
        }
    }
    return Finish(status);
}

int32_t PartitionedRun::Part(int32_t index, int32_t parts, const std::string& planPath,
                             const ProgressCallback& progress) {
    rowCount_ = 0;
    outputNames_.clear();
    if (progress) {
        progress(-1);
    }
    if (parts < 1 || parts > kMaxParts || index < 0 || index >= parts) {
        return Finish(
            {kInvalidArgument, "A part is K/N with 0 <= K < N <= " + std::to_string(kMaxParts) +
                                   ", not " + std::to_string(index) + "/" + std::to_string(parts)});
    }
    if (definition_.Settings().targetfilename.empty()) {
        return Finish(kNoTargetFile);
    }
    Context run(definition_, definitionPath_);
    Status status = Prepare(run);
    PartitionPlan plan;
    if (status.IsOk()) {
        status = Ranges(run, parts, planPath, plan);
    }
    if (status.IsOk()) {
        try {
            status = WritePart(run, plan, index, progress);
        } catch (...) {
            status = DVRun::WritingFailure(std::current_exception(), rowCount_);
        }
    }
    if (status.IsOk() && progress) {
        progress(static_cast<int32_t>(rowCount_));
    }
    return Finish(status);
}

Status PartitionedRun::StartPart(Context& run, const PartitionPlan& plan, int32_t index,
                                 OutputDocument& output, NodeTreeWriter& nodes, PartStart& start) {
    auto& text = static_cast<TextFileDataSource&>(*run.source);
    const PartitionPlan::Range& first = plan.ranges.front();
    const PartitionPlan::Range& mine = plan.ranges[static_cast<size_t>(index)];
    // The document starts with the first row the source accepts: the part
    // whose range holds it writes the head and that row's pass, as a single
    // run's first row does. Looking for it stops at this part's end.
    if (!text.ReadRange(first.begin, mine.end, first.linesBefore)) {
        return {kSourceFileOpen, "The source file cannot be read again"};
    }
    start.rowsLeft = text.NextRow();
    if (!start.rowsLeft && text.HasError()) {
        return SourceFailure(text);
    }
    if (!start.rowsLeft || text.NextRecordOffset() <= mine.begin) {
        output.StartPiece(true);
        if (start.rowsLeft && !text.ReadRange(mine.begin, mine.end, mine.linesBefore)) {
            return {kSourceFileOpen, "The source file cannot be read again"};
        }
        return kSuccess;
    }
    start.head = true;
    Status started = output.StartDetached();
    if (!started.IsOk()) {
        return started;
    }
    const XMLNode& root = run.definition.Root();
    nodes.SetRowCount(1);
    nodes.WriteDocumentStart(root, text);
    output.MarkRow(static_cast<int32_t>(++start.rows));
    nodes.WriteRow(root, text, true);
    // What the single run's writer closes before the rows written apart.
    output.PrepareForPieces();
    if (!text.ReadRange(text.NextRecordOffset(), mine.end, text.LinesRead())) {
        return {kSourceFileOpen, "The source file cannot be read again"};
    }
    return kSuccess;
}

Status PartitionedRun::WritePart(Context& run, const PartitionPlan& plan, int32_t index,
                                 const ProgressCallback& progress) {
    auto& text = static_cast<TextFileDataSource&>(*run.source);
    const XMLNode& root = run.definition.Root();
    const std::string& target = run.definition.Settings().targetfilename;
    PartFileWriter file(target);
    OutputDocument output(run.definition);
    NodeTreeWriter nodes(output, run.resolver, run.columns, nullptr);
    PartStart start;
    Status started = StartPart(run, plan, index, output, nodes, start);
    if (!started.IsOk()) {
        return started;
    }
    OutputDocument::Piece piece;
    int64_t rows = start.rows;
    while (start.rowsLeft && text.NextRow()) {
        output.MarkRow(static_cast<int32_t>(++rows));
        nodes.WriteRow(root, text, false);
        if (output.BufferedBytes() >= kPartBlockBytes) {
            output.TakePiece(piece);
            file.Write(piece);
        }
        if (rows % kRowsBetweenProgress == 0) {
            rowCount_ = rows;
            if (progress && !progress(static_cast<int32_t>(rows))) {
                return kCancelled;
            }
        }
    }
    rowCount_ = rows;
    if (text.HasError()) {
        return SourceFailure(text);
    }
    output.TakePiece(piece);
    file.Write(piece);
    PartHeader header;
    header.fingerprint = plan.fingerprint;
    header.index = index;
    header.parts = static_cast<int32_t>(plan.ranges.size());
    header.head = start.head;
    header.encoding = run.definition.Settings().encoding;
    file.Commit(header);
    outputNames_.push_back(target);
    return kSuccess;
}

int32_t PartitionedRun::Merge(const std::vector<std::string>& partPaths,
                              const ProgressCallback& progress) {
    rowCount_ = 0;
    outputNames_.clear();
    if (progress) {
        progress(-1);
    }
    Context run(definition_, definitionPath_);
    Status status = Prepare(run);
    std::vector<std::unique_ptr<PartFileReader>> readers;
    if (status.IsOk()) {
        status = OpenParts(run, partPaths, readers);
    }
    if (status.IsOk()) {
        status = JoinParts(run, readers, progress);
    }
    if (status.IsOk() && progress) {
        progress(static_cast<int32_t>(rowCount_));
    }
    return Finish(status);
}

Status PartitionedRun::OpenParts(const Context& run, const std::vector<std::string>& partPaths,
                                 std::vector<std::unique_ptr<PartFileReader>>& readers) const {
    if (partPaths.empty()) {
        return {kParts, "No part files to merge were given"};
    }
    const uint64_t fingerprint = Fingerprint(run);
    for (const std::string& path : partPaths) {
        auto reader = std::make_unique<PartFileReader>();
        Status opened = reader->Open(path);
        if (!opened.IsOk()) {
            return opened;
        }
        readers.push_back(std::move(reader));
    }
    const int32_t parts = readers.front()->Header().parts;
    std::vector<const PartFileReader*> byIndex(static_cast<size_t>(parts), nullptr);
    for (const auto& reader : readers) {
        const PartHeader& header = reader->Header();
        if (header.parts != parts) {
            return {kParts, "The part file " + reader->Path() + " is " +
                                PartName(header.index, header.parts) + ", but " +
                                readers.front()->Path() + " is one of " + std::to_string(parts)};
        }
        if (header.fingerprint != fingerprint ||
            header.encoding != run.definition.Settings().encoding) {
            return {kParts, "The part file " + reader->Path() +
                                " was written from another definition, source or regional "
                                "setting than this merge reads"};
        }
        const PartFileReader*& seen = byIndex[static_cast<size_t>(header.index)];
        if (seen) {
            return {kParts, "The part files " + seen->Path() + " and " + reader->Path() +
                                " are both " + PartName(header.index, parts)};
        }
        seen = reader.get();
    }
    for (int32_t k = 0; k < parts; ++k) {
        if (!byIndex[static_cast<size_t>(k)]) {
            return {kParts, "The " + PartName(k, parts) + " is missing from the part files given"};
        }
    }
    bool headSeen = false;
    for (size_t i = 0; i < readers.size(); ++i) {
        const PartHeader& header = readers[i]->Header();
        if (header.index != static_cast<int32_t>(i)) {
            return {kParts, "The part file " + readers[i]->Path() + " is " +
                                PartName(header.index, parts) + " but was given in place " +
                                std::to_string(i) + ": give the parts in order"};
        }
        // The head comes with the first row: no rows before it, one head.
        if ((header.rows > 0 && !headSeen && !header.head) || (header.head && headSeen)) {
            return {kParts, "The part file " + readers[i]->Path() +
                                " does not fit the parts before it (the document's head is "
                                "missing or doubled)"};
        }
        headSeen = headSeen || header.head;
    }
    return kSuccess;
}

Status PartitionedRun::JoinParts(Context& run,
                                 std::vector<std::unique_ptr<PartFileReader>>& readers,
                                 const ProgressCallback& progress) {
    int64_t total = 0;
    for (const auto& reader : readers) {
        total += reader->Header().rows;
    }
    if (total == 0) {
        return kSuccess;  // no row: a single run writes no document either
    }
    // The first row names the document, as it names a single run's.
    DVDataSource& source = *run.source;
    if (!source.NextRow()) {
        return source.HasError() ? SourceFailure(source)
                                 : Status(kParts, "The source holds no rows, but the parts do");
    }
    std::unique_ptr<Norvik::CSchemaValidator> validator;
    const std::string& schema = run.definition.Settings().validateschema;
    if (!schema.empty()) {
        validator = std::make_unique<Norvik::CSchemaValidator>();
        if (!validator->Load(schema)) {
            return {kSchemaLoad, validator->LoadError()};
        }
    }
    OutputDocument output(run.definition);
    output.SetValidator(validator.get());
    output.SetCompressStandardOutput(compressStandardOutput_);
    std::unique_ptr<XSLPostProcessor> postProcessor;
    if (!run.definition.Settings().xsltransform.empty()) {
        postProcessor = std::make_unique<XSLPostProcessor>();
        output.SetPostProcessor(postProcessor.get());
    }
    NodeTreeWriter nodes(output, run.resolver, run.columns, nullptr);
    Status status;
    try {
        status = output.StartJoined(source);
        OutputDocument::Piece piece;
        for (size_t i = 0; status.IsOk() && i < readers.size(); ++i) {
            bool more = true;
            while (status.IsOk() && more) {
                status = readers[i]->Next(piece, more);
                if (status.IsOk()) {
                    output.AppendPiece(piece, static_cast<int32_t>(rowCount_));
                }
            }
            rowCount_ += readers[i]->Header().rows;
            if (status.IsOk() && progress && !progress(static_cast<int32_t>(rowCount_))) {
                status = kCancelled;
            }
        }
        if (status.IsOk()) {
            nodes.SetRowCount(static_cast<int32_t>(rowCount_));
            nodes.WriteFooter(run.definition.Root(), source);
            output.FinishOutput();
        }
    } catch (...) {
        status = DVRun::WritingFailure(std::current_exception(), rowCount_);
    }
    outputNames_ = output.OutputFileNames();
    if (!status.IsOk()) {
        output.DeleteLastStarted();
    }
    return status;
}

int32_t PartitionedRun::Finish(const Status& status) {
    detail_ = status.Detail();
    return status.Code();
}
