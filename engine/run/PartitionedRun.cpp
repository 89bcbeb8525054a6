#include "PartitionedRun.h"

#include <sys/stat.h>

#include <cctype>
#include <fstream>
#include <optional>
#include <sstream>

#include "ColumnDiscovery.h"
#include "PartFile.h"
#include "PartRows.h"
#include "PartWriter.h"
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
#include "output/OutputDocument.h"
#include "output/XSLPostProcessor.h"
#include "sources/DVDataSource.h"
#include "sources/ODBCDataSource.h"
#include "sources/TextFileDataSource.h"
#include "validate/CSchemaValidator.h"

namespace {

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

// Whether a document's name takes a value from its first row.
bool NameReadsRow(const std::string& pattern) {
    std::string upper = pattern;
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper.find("<C=") != std::string::npos;
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
    PartitionShape shape;
};

PartitionedRun::PartitionedRun(const DVFile& definition, std::string definitionPath)
    : definition_(definition), definitionPath_(std::move(definitionPath)) {}

PartitionedRun::~PartitionedRun() = default;

std::string PartitionedRun::GetResultText(int32_t code) const {
    return StatusMessage(Status::FromCode(code, detail_), definition_, definitionPath_);
}

namespace {

Status Refused(const std::string& refusal) {
    return {kParts, "The definition cannot run in parts: " + refusal + "; run it in one process"};
}

}  // namespace

Status PartitionedRun::Prepare(Context& run) {
    run.regional = RegionalSettings::For(run.definition.Settings().locale);
    if (!run.regional) {
        return kRegionalSetting;
    }
    run.regionalScope.emplace(*run.regional);
    if (const auto problem = NamespaceCheck::Find(run.definition.Root())) {
        return Status(kNamespacePrefix, NamespaceCheck::Describe(*problem));
    }
    if (run.definition.Columns().empty()) {
        // Columns taken from the source, as a single run takes them.
        Status discovered = ColumnDiscovery::ReadColumns(run.definition, 1);
        if (!discovered.IsOk()) {
            return discovered;
        }
    }
    run.columns.Rebuild(run.definition.Columns());
    run.shape = PartitionShape::Of(run.definition);
    const std::string refusal = run.shape.Refusal(run.definition, nullptr);
    return refusal.empty() ? Status(kSuccess) : Refused(refusal);
}

Status PartitionedRun::CheckSource(Context& run, const DVDataSource& source) {
    // Opening fitted the definition's columns to the source's fields.
    run.columns.Rebuild(run.definition.Columns());
    const std::string refusal = run.shape.Refusal(run.definition, &source);
    return refusal.empty() ? Status(kSuccess) : Refused(refusal);
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

Status PartitionedRun::Cut(Context& run, int32_t parts, PartitionPlan& plan) {
    switch (run.shape.cut) {
        case PartitionShape::Cut::kBytes: {
            Status opened = OpenDataSource(run.definition, run.source);
            if (opened.IsOk()) {
                opened = CheckSource(run, *run.source);
            }
            if (!opened.IsOk()) {
                return opened;
            }
            const auto& text = static_cast<const TextFileDataSource&>(*run.source);
            return PartitionPlan::Cut(text, run.definition.Settings().sourcefilename, parts, plan);
        }
        case PartitionShape::Cut::kKeys: {
            // One scan that makes every record's key and keeps a sample of
            // their first parts; no record goes into an index.
            PartitionPlan::KeySample sample;
            Status opened =
                OpenDataSource(run.definition, run.source, [&run, &sample](DVDataSource& source) {
                    static_cast<TextFileDataSource&>(source).SetIndexFilter(
                        [&run, &sample](std::string_view key) {
                            sample.Add(run.shape.FirstKeyPart(key));
                            return false;
                        });
                });
            if (!opened.IsOk()) {
                return opened;
            }
            PartitionPlan::CutKeys(sample.Keys(), parts, plan);
            return kSuccess;
        }
        case PartitionShape::Cut::kRows: {
            run.source = CreateDataSource(run.definition.Settings().sourcetype);
            auto* database = dynamic_cast<ODBCDataSource*>(run.source.get());
            if (!database) {
                return kInvalidArgument;
            }
            int64_t rows = 0;
            const int32_t code = database->CountRows(run.definition, rows);
            if (code != kSuccess) {
                return Status::FromCode(code, database->ErrorText());
            }
            PartitionPlan::CutRows(rows, parts, plan);
            return kSuccess;
        }
    }
    return kInvalidArgument;
}

Status PartitionedRun::Ranges(Context& run, int32_t parts, const std::string& planPath,
                              PartitionPlan& plan) {
    const uint64_t fingerprint = Fingerprint(run);
    if (planPath.empty()) {
        plan.fingerprint = fingerprint;
        return Cut(run, parts, plan);
    }
    std::string text;
    if (!ReadWholeFile(planPath, text)) {
        return {kParts, "The plan " + planPath + " cannot be read: " + Norvik::ErrnoText(errno)};
    }
    if (!plan.Parse(text)) {
        return {kParts, "The plan " + planPath + " is not a plan of this version, or is damaged"};
    }
    const auto expected = static_cast<PartitionPlan::Kind>(static_cast<int>(run.shape.cut));
    if (plan.fingerprint != fingerprint || plan.kind != expected) {
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
        status = WritePart(run, plan, index, progress);
    }
    if (status.IsOk() && progress) {
        progress(static_cast<int32_t>(rowCount_));
    }
    return Finish(status);
}

Status PartitionedRun::WritePart(Context& run, const PartitionPlan& plan, int32_t index,
                                 const ProgressCallback& progress) {
    const std::string partPath = run.definition.Settings().targetfilename;
    if (run.shape.documents) {
        std::string pattern = documentTarget_;
        DVFile saved;
        if (pattern.empty() && saved.LoadProjectFile(definitionPath_)) {
            pattern = saved.Settings().targetfilename;
        }
        if (pattern.empty()) {
            return {kNoTargetFile,
                    "The documents of the parts are named by the definition's "
                    "target, and it names none"};
        }
        run.definition.SetTargetFileName(pattern);
    }
    run.source.reset();
    PartRows rows(run.definition, run.shape, plan, index);
    Status status = rows.Open();
    if (status.IsOk()) {
        status = CheckSource(run, rows.Source());
    }
    if (!status.IsOk()) {
        return status;
    }
    PartWriter writer(run.definition, run.resolver, run.columns, rows, progress);
    PartHeader header;
    header.fingerprint = plan.fingerprint;
    header.index = index;
    header.parts = static_cast<int32_t>(plan.ranges.size());
    GroupRegistry groups;
    try {
        status = writer.CollectGroups(groups);
        if (status.IsOk()) {
            status = run.shape.documents
                         ? writer.WriteDocuments(groups, header, partPath)
                         : writer.WriteShare(groups, index + 1 == header.parts, header, partPath);
        }
    } catch (...) {
        status = DVRun::WritingFailure(std::current_exception(), writer.Rows());
    }
    rowCount_ = writer.Rows();
    if (status.IsOk()) {
        outputNames_.push_back(partPath);
    }
    return status;
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
    if (status.IsOk() && !run.shape.documents) {
        // The source names the document by its first row. A sorted one is
        // sorted only when the name reads the row: else a scan that indexes
        // nothing checks it.
        const bool scanOnly = run.shape.cut == PartitionShape::Cut::kKeys &&
                              !NameReadsRow(run.definition.Settings().targetfilename);
        status = OpenDataSource(run.definition, run.source, [scanOnly](DVDataSource& s) {
            if (scanOnly) {
                static_cast<TextFileDataSource&>(s).SetIndexFilter(
                    [](std::string_view) { return false; });
            }
        });
        if (status.IsOk()) {
            status = CheckSource(run, *run.source);
        }
    }
    std::vector<std::unique_ptr<PartFileReader>> readers;
    if (status.IsOk()) {
        status = OpenParts(run, partPaths, readers);
    }
    if (status.IsOk()) {
        status = run.shape.documents ? ListDocuments(readers) : JoinParts(run, readers, progress);
    }
    if (status.IsOk() && progress) {
        progress(static_cast<int32_t>(rowCount_));
    }
    return Finish(status);
}

Status PartitionedRun::ListDocuments(std::vector<std::unique_ptr<PartFileReader>>& readers) {
    // The parts wrote their documents: the merge checks that every part is
    // whole and reports the names, in the single run's order.
    OutputDocument::Piece piece;
    for (const auto& reader : readers) {
        std::string names;
        bool more = true;
        while (more) {
            Status read = reader->Next(piece, more);
            if (!read.IsOk()) {
                return read;
            }
            names.append(piece.bytes.data(), piece.bytes.size());
        }
        for (size_t at = 0; at < names.size();) {
            const size_t end = names.find('\n', at);
            outputNames_.push_back(names.substr(at, end - at));
            at = end == std::string::npos ? names.size() : end + 1;
        }
        rowCount_ += reader->Header().rows;
    }
    return kSuccess;
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
            header.encoding != run.definition.Settings().encoding ||
            (header.documents >= 0) != run.shape.documents) {
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
        if (!run.shape.documents &&
            ((header.rows > 0 && !headSeen && !header.head) || (header.head && headSeen))) {
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
    // The first row names the document, as it names a single run's (a
    // name that reads no row is made without one).
    DVDataSource& source = *run.source;
    if (!source.NextRow()) {
        if (source.HasError()) {
            return SourceFailure(source);
        }
        if (NameReadsRow(run.definition.Settings().targetfilename)) {
            return {kParts, "The source holds no rows, but the parts do"};
        }
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
            // The last part wrote the footer pass.
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
