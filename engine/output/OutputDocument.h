#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "OutputFileNamer.h"
#include "base/Status.h"
#include "io/BackgroundSink.h"
#include "io/CMemoryStream.h"
#include "io/FileSink.h"
#include "validate/BackgroundValidator.h"
#include "validate/CSchemaValidator.h"
#include "xml/CSAXAttributes.h"
#include "xml/CSAXWriter.h"

class DVFile;
class DVDataSourceRow;
class XMLNode;
class XSLPostProcessor;

// The output documents of one run: naming and opening each file, its head
// (declaration, stylesheet instruction, DOCTYPE, custom text, include file),
// the writing primitives the node tree uses, and finishing. Output collects in
// one memory stream and reaches the file in large writes.
//
// Failures while writing throw Norvik::PlatformError; the run driver turns
// them into result codes. Characters XML cannot hold are written as U+FFFD.
class OutputDocument {
public:
    explicit OutputDocument(const DVFile& definition);
    ~OutputDocument();
    OutputDocument(const OutputDocument&) = delete;
    OutputDocument& operator=(const OutputDocument&) = delete;

    // Names and opens the next file and writes its head: everything before
    // the document element's start tag. Fails with 107 (no name), 104
    // (cannot create) or 108 (include file).
    Status StartOutput(DVDataSourceRow& row);
    // Transforms every finished file with the definition's stylesheet.
    void SetPostProcessor(XSLPostProcessor* processor) noexcept { postProcessor_ = processor; }
    // Validates every document as it is written; an invalid one throws
    // ValidationFailure from the write that revealed it.
    // Checks every document against the validator's schema, on a thread of
    // its own; the validator must outlive this object.
    void SetValidator(Norvik::CSchemaValidator* validator);
    // Compresses what goes to standard output (target "-") with gzip.
    void SetCompressStandardOutput(bool on) noexcept { compressStandardOutput_ = on; }

    // A document found invalid against the schema, and the source row whose
    // output revealed it (0 when unknown).
    class ValidationFailure : public std::runtime_error {
    public:
        ValidationFailure(const std::string& text, int32_t row)
            : std::runtime_error(text), row_(row) {}
        int32_t Row() const noexcept { return row_; }

    private:
        int32_t row_;
    };
    // Notes where the output of a source row begins, so that a validation
    // error can name the row (only while validating).
    void MarkRow(int32_t row);

    // Rows written apart, on other threads, by documents of their own and
    // joined into this one in order. A piece document has no file: it
    // continues inside the document element, and each TakePiece hands over
    // what it wrote since the last one.
    struct Piece {
        Norvik::ByteBuffer bytes;
        std::vector<std::pair<int64_t, int32_t>> rows;  // offset in bytes, source row
    };
    void StartPiece(bool markRows);
    void TakePiece(Piece& piece);
    // A piece's writer back directly inside the document element, after
    // TakePiece; with inner, inside that child element of it, written as
    // far as state says, for a piece that continues the element.
    void RestartPiece(const XMLNode* inner = nullptr,
                      const Norvik::CSAXWriter::OpenElement& state = {});
    // The piece writer's innermost open element.
    Norvik::CSAXWriter::OpenElement PieceInnermost() const noexcept { return writer_->Innermost(); }
    // While rows are written apart, their marks go with them, in order:
    // MarkRow hands them to relay instead (null: marks here again).
    void RelayRowMarks(std::function<void(int32_t)> relay) { markRelay_ = std::move(relay); }
    // Whether this open document can take pieces: the writer encodes
    // without carrying state over, and names need no checking per row.
    bool TakesPieces() const noexcept;
    // Takes the piece's bytes (the piece keeps a buffer to reuse); the
    // piece's row numbers count on from rowOffset.
    void AppendPiece(Piece& piece, int32_t rowOffset = 0);
    // Whether rows are marked for naming them in validation errors.
    bool MarksRows() const noexcept { return markRows_; }
    // A document written in parts by separate processes. StartDetached
    // writes the head into memory (no file, no validation; rows marked) for
    // TakePiece to hand over with the rows after it; after the first row's
    // pass, PrepareForPieces closes what a following piece would close.
    // StartJoined names and opens the file as StartOutput does but writes
    // no head: the writer continues inside the document element, for the
    // parts to be appended as pieces (the first holding the head) and the
    // footer pass to end it. Failures as StartOutput's.
    Status StartDetached();
    void PrepareForPieces();
    Status StartJoined(DVDataSourceRow& row);
    // Whether documents of the definition can be written in pieces and
    // joined to the bytes one writer writes, as TakesPieces says of an open
    // one: no encoding that carries state, every name writable.
    static bool JoinsPieces(const DVFile& definition);
    // Bytes written and not yet taken or flushed.
    size_t BufferedBytes() const noexcept {
        return stream_.Size() + (writer_ ? writer_->PendingBytes() : 0);
    }
    // After the footer pass: the end of the document element, the last write
    // and the close, then the XSL step (XSLPostProcessor::Failure when it
    // fails). Nothing when no file is open.
    void FinishOutput();
    // Moves buffered output into the open file.
    void CopyStreamToFile();
    // Flushes the writer and copies the stream once it holds a lot.
    void FlushIfLarge();
    void Flush();
    // Removes the file last started (only a regular file this run wrote).
    void DeleteLastStarted();

    bool IsOpen() const noexcept { return sink_ != nullptr; }
    const std::vector<std::string>& OutputFileNames() const noexcept { return names_; }
    const std::string& CurrentFileName() const noexcept { return currentName_; }
    std::string BuildOutputFileName(DVDataSourceRow& row);
    // A run in parts: row starts a document another part writes; its name
    // is taken as StartOutput would take it, so later names count on.
    void PassOverName(DVDataSourceRow& row);
    // A run in parts: counters skip only this run's own names (see
    // OutputFileNamer::CountOwnNamesOnly).
    void CountOwnNamesOnly() noexcept { namer_.CountOwnNamesOnly(); }

    // Writing primitives.
    void StartElement(std::string_view name);
    void AddAttribute(std::string_view name, std::string_view value);
    void StartElementWithAttributeList(std::string_view name);
    void WriteText(const XMLNode& node, std::string_view text);
    // An element with no attributes or children and its text; false (and
    // nothing written) when the node's text needs the general path.
    bool WriteTextElement(const XMLNode& node, std::string_view text);
    // A row of the common shape: its element with its attributes, its text
    // elements, its end. False (and nothing written) when names need
    // checking as they go.
    bool WriteRow(const XMLNode& node, std::span<const Norvik::CSAXWriter::TextField> attributes,
                  std::span<const Norvik::CSAXWriter::TextField> fields);
    void EndElement(std::string_view name, bool emptyElementTag);

    // Head texts for previews, computed from the definition alone.
    static std::string DeclarationText(const DVFile& definition);
    static std::string StylesheetText(const DVFile& definition, bool whole);
    static std::string DoctypeText(const DVFile& definition);

    static constexpr size_t kFlushThreshold = 1 << 20;
    static constexpr size_t kDirectPieceBytes = 1 << 16;
    // The target name that writes the document to standard output.
    static constexpr const char* kStandardOutput = "-";

private:
    // The steps of StartOutput: the file, the writer, the head.
    Status Start(DVDataSourceRow& row, bool joined);
    Status OpenSink(const std::string& name);
    void StartWriter(const std::string& name, bool joined = false);
    void ConfigureWriter();
    Status WriteHead();
    Status WriteIncludeFile(const std::string& location);
    void WriteRaw(std::string_view text);
    void Characters(std::string_view text);
    void CloseFile();
    // Validates bytes and hands them to the file (taking them).
    void WriteToFile(Norvik::ByteBuffer& bytes);
    void Validate(std::string_view bytes);
    void CompressXslResult(const std::string& result);
    void RemoveXslInput();

    const DVFile& definition_;
    OutputFileNamer namer_;
    std::vector<std::string> names_;
    std::string currentName_;
    bool namesPassed_ = false;  // PassOverName has named documents
    bool lastFinished_ = false;
    Norvik::CMemoryStream stream_;
    std::unique_ptr<Norvik::CSAXWriter> writer_;
    std::unique_ptr<Norvik::BackgroundSink> sink_;
    Norvik::CSAXAttributes attributes_;
    std::string scratch_;
    XSLPostProcessor* postProcessor_ = nullptr;
    std::unique_ptr<Norvik::BackgroundValidator> validator_;
    bool compressStandardOutput_ = false;
    // A compressed target with an XSL step: the document goes to this file
    // first, the step's result to the target through the compressor.
    std::string xslInput_;
    struct RowMark {
        int64_t offset;
        int32_t row;
    };
    std::vector<RowMark> rowMarks_;  // rows of the output not yet validated
    int64_t documentBytes_ = 0;      // bytes of the document handed to validation
    int32_t RowAt(int64_t offset) const;
    // A row's mark where the output stands now.
    void MarkHere(int32_t row);
    bool namesChecked_ = false;  // every node name of the tree is writable
    bool markRows_ = false;      // rows are marked (a piece of a validated document)
    std::function<void(int32_t)> markRelay_;
};
