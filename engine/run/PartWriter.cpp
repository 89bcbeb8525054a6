#include "PartWriter.h"

#include <memory>

#include "PartFile.h"
#include "PartRows.h"
#include "base/ResultCode.h"
#include "io/SpillSettings.h"
#include "model/DVFile.h"
#include "output/GroupRegistry.h"
#include "output/NodeTreeWriter.h"
#include "output/OutputDocument.h"
#include "output/RowPass.h"
#include "output/XSLPostProcessor.h"
#include "sources/DVDataSource.h"
#include "validate/CSchemaValidator.h"

namespace {

// A part hands its bytes to its file in blocks of about this size.
constexpr size_t kPartBlockBytes = size_t{1} << 20;
constexpr int64_t kRowsBetweenProgress = 65536;

Status SourceFailure(const DVDataSource& source) {
    return Status::FromCode(source.ReadFailureCode(), source.ErrorText());
}

}  // namespace

PartWriter::PartWriter(DVFile& definition, AutoTextResolver& resolver, const ColumnMap& columns,
                       PartRows& rows, const ProgressCallback& progress)
    : definition_(definition),
      resolver_(resolver),
      columns_(columns),
      partRows_(rows),
      progress_(progress) {}

bool PartWriter::Cancelled(int64_t rows) const {
    return rows % kRowsBetweenProgress == 0 && progress_ && !progress_(static_cast<int32_t>(rows));
}

Status PartWriter::CollectGroups(GroupRegistry& groups) {
    CGroupFinder(groups).Visit(definition_.Root());
    if (groups.Count() == 0) {
        return kSuccess;
    }
    // As the single run: half the budget, the sort index the other half.
    DVDataSource& source = partRows_.Source();
    if (!groups.Collect(source, columns_, Norvik::SpillSettings::BudgetBytes() / 2) ||
        source.Cancelled()) {
        return kCancelled;
    }
    if (source.HasError()) {
        return SourceFailure(source);
    }
    if (groups.ServedBySource() || partRows_.Rewind()) {
        return kSuccess;
    }
    return partRows_.Open();
}

Status PartWriter::WriteShare(const GroupRegistry& groups, bool last, PartHeader header,
                              const std::string& partPath) {
    DVDataSource& source = partRows_.Source();
    const XMLNode& root = definition_.Root();
    PartFileWriter file(partPath);
    OutputDocument output(definition_);
    NodeTreeWriter nodes(output, resolver_, columns_, &groups);
    OutputDocument::Piece piece;
    int64_t before = partRows_.RowsNotRead();
    bool started = false;
    PartRows::Place place;
    while (partRows_.Next(place)) {
        if (place == PartRows::Place::kBefore) {
            ++before;
            continue;
        }
        if (place == PartRows::Place::kAfter) {
            break;
        }
        ++rows_;
        nodes.SetRowCount(static_cast<int32_t>(before + rows_));
        if (!started && before == 0) {
            // The document's first row: the head and that row's pass, as the
            // single run writes them; the rows after it go on as pieces do.
            started = true;
            header.head = true;
            Status head = output.StartDetached();
            if (!head.IsOk()) {
                return head;
            }
            nodes.WriteDocumentStart(root, source);
            output.MarkRow(static_cast<int32_t>(rows_));
            nodes.WriteRow(root, source, true);
            output.PrepareForPieces();
            continue;
        }
        if (!started) {
            started = true;
            output.StartPiece(true);
        }
        output.MarkRow(static_cast<int32_t>(rows_));
        nodes.WriteRow(root, source, false);
        if (output.BufferedBytes() >= kPartBlockBytes) {
            output.TakePiece(piece);
            file.Write(piece);
        }
        if (Cancelled(rows_)) {
            return kCancelled;
        }
    }
    if (source.Cancelled()) {
        return kCancelled;
    }
    if (source.HasError()) {
        return SourceFailure(source);
    }
    if (!started) {
        output.StartPiece(true);
    }
    if (last && before + rows_ > 0) {
        // The footer pass, with the last row read as the current one.
        nodes.SetRowCount(static_cast<int32_t>(before + rows_));
        nodes.WriteFooter(root, source);
    }
    output.TakePiece(piece);
    file.Write(piece);
    header.encoding = definition_.Settings().encoding;
    file.Commit(header);
    return kSuccess;
}

Status PartWriter::WriteDocuments(const GroupRegistry& groups, PartHeader header,
                                  const std::string& partPath) {
    DVDataSource& source = partRows_.Source();
    std::unique_ptr<Norvik::CSchemaValidator> validator;
    const std::string& schema = definition_.Settings().validateschema;
    if (!schema.empty()) {
        validator = std::make_unique<Norvik::CSchemaValidator>();
        if (!validator->Load(schema)) {
            return {kSchemaLoad, validator->LoadError()};
        }
    }
    // The part file is made first: a part that cannot record its documents
    // writes none.
    PartFileWriter file(partPath);
    OutputDocument output(definition_);
    output.CountOwnNamesOnly();
    output.SetValidator(validator.get());
    std::unique_ptr<XSLPostProcessor> postProcessor;
    if (!definition_.Settings().xsltransform.empty()) {
        postProcessor = std::make_unique<XSLPostProcessor>();
        output.SetPostProcessor(postProcessor.get());
    }
    NodeTreeWriter nodes(output, resolver_, columns_, &groups);
    RowPass pass(definition_, output, nodes);
    int64_t number = partRows_.RowsNotRead();
    bool owned = false;  // the document being read is one this part writes
    Status status;
    try {
        PartRows::Place place;
        while (status.IsOk() && partRows_.Next(place)) {
            const bool begins = pass.Begins(source);
            if (place == PartRows::Place::kAfter && (begins || !owned)) {
                // The single run finishes the document when this row begins
                // the next: the footer pass reads it, and its number.
                nodes.SetRowCount(static_cast<int32_t>(number + 1));
                break;
            }
            ++number;
            owned = begins ? place == PartRows::Place::kOwn : owned;
            if (place == PartRows::Place::kBefore || !owned) {
                pass.PassOver(source, begins);
                continue;
            }
            ++rows_;
            status = pass.Write(source, static_cast<int32_t>(number), begins);
            if (status.IsOk() && Cancelled(rows_)) {
                status = kCancelled;
            }
        }
        if (status.IsOk()) {
            status = source.Cancelled()  ? Status(kCancelled)
                     : source.HasError() ? SourceFailure(source)
                                         : Status(kSuccess);
        }
        if (status.IsOk()) {
            pass.Finish(source);
        }
    } catch (...) {
        status = DVRun::WritingFailure(std::current_exception(), number);
    }
    names_ = output.OutputFileNames();
    if (!status.IsOk()) {
        // As the single run: the document being written goes, the finished
        // ones stay; the part file is not made.
        output.DeleteLastStarted();
        return status;
    }
    OutputDocument::Piece piece;
    for (const std::string& name : names_) {
        piece.rows.emplace_back(static_cast<int64_t>(piece.bytes.size()),
                                static_cast<int32_t>(piece.rows.size() + 1));
        piece.bytes.append(name.data(), name.size());
        piece.bytes.append("\n", 1);
    }
    file.Write(piece);
    header.documents = 0;  // counted from the names
    header.rows = rows_;
    header.encoding = definition_.Settings().encoding;
    file.Commit(header);
    return kSuccess;
}
