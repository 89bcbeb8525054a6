#include "OutputDocument.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "XSLPostProcessor.h"
#include "base/PlatformError.h"
#include "base/ResultCode.h"
#include "io/BackgroundSink.h"
#include "io/CTextFile.h"
#include "io/CompressingSink.h"
#include "io/FetchResource.h"
#include "model/DVFile.h"
#include "model/XMLRootNode.h"
#include "xml/XmlChars.h"

namespace {

// Include files pass their lines on whole; only absurd lines are refused.
constexpr size_t kMaxIncludeLineChars = size_t{1} << 26;

// Whether every element and attribute name of the tree can be written, so
// that the writer need not check them again for every row.
bool AllNamesWritable(const XMLNode& node, const Norvik::CSAXWriter& writer) {
    const int32_t kind = node.GetNodeType();
    if ((kind == XMLNode::kElement || kind == XMLNode::kAttribute) &&
        !writer.IsWritableName(node.GetName())) {
        return false;
    }
    for (const auto& child : node.Children()) {
        if (!AllNamesWritable(*child, writer)) {
            return false;
        }
    }
    return true;
}

// Whether the node or any node below it matches.
template <typename Match>
bool AnyNode(const XMLNode& node, const Match& match) {
    if (match(node)) {
        return true;
    }
    for (const auto& child : node.Children()) {
        if (AnyNode(*child, match)) {
            return true;
        }
    }
    return false;
}

// Whether a declaration may bind the schema instance namespace, whose
// attributes change what is valid: one naming it, or one whose value comes
// from a column or a token.
bool MayBindSchemaInstance(const XMLNode& root) {
    constexpr std::string_view kSchemaInstance = "http://www.w3.org/2001/XMLSchema-instance";
    return AnyNode(root, [kSchemaInstance](const XMLNode& node) {
        return node.GetNodeType() == XMLNode::kAttribute && node.GetName().starts_with("xmlns:") &&
               (node.GetSource() != 0 || node.GetValue() == kSchemaInstance ||
                node.GetValue().find('{') != std::string::npos);
    });
}

// Whether every byte of the document comes from the writer's own markup: no
// declaration, custom text, include file or unescaped text goes in as it is.
bool OnlyWriterMarkup(const DVFile& definition) {
    const DVFileSettings& s = definition.Settings();
    return !s.includedoctype && s.customtext.empty() && s.includefile.empty() &&
           !AnyNode(definition.Root(), [](const XMLNode& node) {
               return node.GetOutputType() == XMLNode::kDisableOutputEscaping;
           });
}

bool StandaloneNo(const DVFileSettings& s, bool hrefRequired) {
    const bool stylesheet = s.includestylesheet && (!hrefRequired || !s.stylesheethref.empty());
    return stylesheet || (s.includedoctype && !s.doctypedtd.empty());
}

}  // namespace

OutputDocument::OutputDocument(const DVFile& definition) : definition_(definition) {}

OutputDocument::~OutputDocument() = default;

std::string OutputDocument::BuildOutputFileName(DVDataSourceRow& row) {
    if (names_.empty() && !namesPassed_) {
        namer_.Restart();
    }
    std::string name = namer_.Next(definition_, row);
    currentName_ = name;
    names_.push_back(name);
    return name;
}

void OutputDocument::PassOverName(DVDataSourceRow& row) {
    if (names_.empty() && !namesPassed_) {
        namer_.Restart();
    }
    namesPassed_ = true;
    namer_.Next(definition_, row);
}

std::string OutputDocument::DeclarationText(const DVFile& definition) {
    const DVFileSettings& s = definition.Settings();
    return "<?xml version=\"1.0\" encoding=\"" + s.encoding + "\" standalone=\"" +
           (StandaloneNo(s, false) ? "no\"" : "yes\"") + "?>";
}

std::string OutputDocument::StylesheetText(const DVFile& definition, bool whole) {
    const DVFileSettings& s = definition.Settings();
    if (!s.includestylesheet) {
        return {};
    }
    std::string data =
        "href=\"" + s.stylesheethref + "\" type=\"text/" + (s.isstylesheetxsl ? "xsl\"" : "css\"");
    if (!s.stylesheettitle.empty()) {
        data += " title=\"" + s.stylesheettitle + "\"";
    }
    return whole ? "<?xml-stylesheet " + data + "?>" : data;
}

std::string OutputDocument::DoctypeText(const DVFile& definition) {
    const DVFileSettings& s = definition.Settings();
    if (!s.includedoctype) {
        return {};
    }
    std::string text = "<!DOCTYPE " + definition.Root().GetName();
    if (!s.doctypedtd.empty()) {
        text +=
            s.doctypepublicid.empty() ? " SYSTEM \"" : " PUBLIC \"" + s.doctypepublicid + "\" \"";
        text += s.doctypedtd + "\"";
    }
    return text + ">";
}

void OutputDocument::WriteRaw(std::string_view text) {
    writer_->UnescapedCharacters(text);
}

void OutputDocument::Characters(std::string_view text) {
    writer_->Characters(text);
}

Status OutputDocument::StartOutput(DVDataSourceRow& row) {
    return Start(row, false);
}

Status OutputDocument::StartJoined(DVDataSourceRow& row) {
    return Start(row, true);
}

Status OutputDocument::StartDetached() {
    stream_.Rewind();
    writer_ = std::make_unique<Norvik::CSAXWriter>(stream_);
    ConfigureWriter();
    // Rows are always marked: the merge may validate and name them.
    markRows_ = true;
    rowMarks_.clear();
    documentBytes_ = 0;
    writer_->StartDocument();
    namesChecked_ = writer_->IsWritableName(definition_.Root().GetName()) &&
                    AllNamesWritable(definition_.Root(), *writer_);
    return WriteHead();
}

void OutputDocument::PrepareForPieces() {
    writer_->PrepareForPiece();
}

bool OutputDocument::JoinsPieces(const DVFile& definition) {
    OutputDocument piece(definition);
    piece.StartPiece(false);
    return piece.namesChecked_ && piece.writer_->IsWritableName(definition.Root().GetName()) &&
           piece.writer_->EncodesInPieces();
}

Status OutputDocument::Start(DVDataSourceRow& row, bool joined) {
    const DVFileSettings& s = definition_.Settings();
    const std::string name = BuildOutputFileName(row);
    if (name.empty()) {
        return kNoTargetFile;
    }
    if (name == kStandardOutput && postProcessor_ && !s.xsltransform.empty()) {
        return {kTargetFileCreate,
                "An XSL transformation needs a target file; standard output cannot be read back"};
    }
    Status opened = OpenSink(name);
    if (!opened.IsOk()) {
        return opened;
    }
    StartWriter(name, joined);
    return joined ? Status(kSuccess) : WriteHead();
}

Status OutputDocument::OpenSink(const std::string& name) {
    const DVFileSettings& s = definition_.Settings();
    // Written beside the target and renamed into place when finished: an
    // interrupted run never leaves a partial document under the name.
    const Norvik::Compression compression =
        name == kStandardOutput
            ? (compressStandardOutput_ ? Norvik::Compression::kGzip : Norvik::Compression::kNone)
            : Norvik::CompressionFor(name);
    const bool xslFirst =
        compression != Norvik::Compression::kNone && postProcessor_ && !s.xsltransform.empty();
    int error = 0;
    std::unique_ptr<Norvik::IFileSink> sink;
    if (name == kStandardOutput) {
        sink = Norvik::FileSink::OpenStandardOutput(error);
    } else if (xslFirst) {
        // The stylesheet reads the plain document; its result is compressed.
        xslInput_ = name + ".xsl-input";
        sink = Norvik::FileSink::Open(xslInput_, Norvik::FileSink::Mode::kDirect, error);
    } else {
        sink = Norvik::FileSink::Open(name, Norvik::FileSink::Mode::kReplaceOnFinish, error);
    }
    if (sink && compression != Norvik::Compression::kNone && !xslFirst) {
        sink = Norvik::CompressingSink::Wrap(std::move(sink), compression);
        error = sink ? 0 : ENOMEM;
    }
    if (!sink) {
        xslInput_.clear();
        return {kTargetFileCreate, Norvik::ErrnoText(error)};
    }
    sink_ = std::make_unique<Norvik::BackgroundSink>(std::move(sink));
    lastFinished_ = false;
    stream_.Rewind();
    return kSuccess;
}

void OutputDocument::StartWriter(const std::string& name, bool joined) {
    writer_ = std::make_unique<Norvik::CSAXWriter>(stream_);
    ConfigureWriter();
    markRows_ = validator_ != nullptr;
    if (validator_) {
        validator_->Begin(name, writer_->IsUtf8() && OnlyWriterMarkup(definition_),
                          MayBindSchemaInstance(definition_.Root()));
        rowMarks_.clear();
        documentBytes_ = 0;
    }
    if (joined) {
        writer_->ContinueInside(definition_.Root().GetName());
    } else {
        writer_->StartDocument();
    }
    namesChecked_ = writer_->IsWritableName(definition_.Root().GetName()) &&
                    AllNamesWritable(definition_.Root(), *writer_);
}

void OutputDocument::ConfigureWriter() {
    const DVFileSettings& s = definition_.Settings();
    writer_->SetEncoding(s.encoding);
    writer_->SetIndent(s.indentOutput);
    writer_->SetAlwaysEmitEndTags(s.alwaysemitendtags);
    // Characters XML cannot hold become U+FFFD rather than failing the run.
    writer_->SetReplaceInvalidCharacters(true);
    writer_->SetOmitXMLDeclaration(!s.includeXmlDeclaration);
    writer_->SetStandaloneProperty(s.includeStandaloneProperty);
    writer_->SetStandalone(!StandaloneNo(s, true));
}

void OutputDocument::StartPiece(bool markRows) {
    writer_ = std::make_unique<Norvik::CSAXWriter>(stream_);
    ConfigureWriter();
    writer_->ContinueInside(definition_.Root().GetName());
    namesChecked_ = AllNamesWritable(definition_.Root(), *writer_);
    markRows_ = markRows;
    rowMarks_.clear();
    stream_.Rewind();
}

void OutputDocument::TakePiece(Piece& piece) {
    writer_->Flush();
    piece.bytes.clear();
    piece.bytes.swap(stream_.Buffer());
    piece.rows.clear();
    for (const RowMark& mark : rowMarks_) {
        piece.rows.emplace_back(mark.offset, mark.row);
    }
    rowMarks_.clear();
}

void OutputDocument::RestartPiece(const XMLNode* inner,
                                  const Norvik::CSAXWriter::OpenElement& state) {
    writer_->ContinueInside(definition_.Root().GetName());
    if (inner) {
        writer_->ContinueInsideChild(inner->GetName(), state);
    }
    stream_.Rewind();
}

bool OutputDocument::TakesPieces() const noexcept {
    return writer_ && sink_ && namesChecked_ && writer_->EncodesInPieces();
}

void OutputDocument::AppendPiece(Piece& piece, int32_t rowOffset) {
    if (piece.bytes.size() == 0) {
        // Rows that wrote nothing leave the open element as it is; their
        // marks still stand here.
        for (const auto& [offset, row] : piece.rows) {
            MarkHere(rowOffset + row);
        }
        return;
    }
    writer_->PrepareForPiece();
    writer_->Flush();
    // A large piece goes to the file as it is, after what came before it,
    // rather than being copied into the stream.
    const bool direct = piece.bytes.size() >= kDirectPieceBytes;
    if (direct) {
        CopyStreamToFile();
    }
    if (markRows_) {
        const int64_t start = documentBytes_ + static_cast<int64_t>(stream_.Size());
        for (const auto& [offset, row] : piece.rows) {
            rowMarks_.push_back({start + offset, rowOffset + row});
        }
    }
    if (direct) {
        WriteToFile(piece.bytes);
        return;
    }
    writer_->AppendPiece(std::string_view(piece.bytes.data(), piece.bytes.size()));
    FlushIfLarge();
}

Status OutputDocument::WriteHead() {
    const DVFileSettings& s = definition_.Settings();
    if (s.includestylesheet) {
        writer_->ProcessingInstruction(
            "xml-stylesheet",
            Norvik::ReplaceNonXmlChars(StylesheetText(definition_, false), scratch_));
    }
    if (s.includedoctype) {
        WriteRaw(DoctypeText(definition_) + "\r\n");
    }
    if (!s.customtext.empty()) {
        WriteRaw(s.customtext);
        if (s.customtext.back() != '\n') {
            WriteRaw("\r\n");
        }
    }
    if (!s.includefile.empty()) {
        return WriteIncludeFile(s.includefile);
    }
    return kSuccess;
}

Status OutputDocument::WriteIncludeFile(const std::string& location) {
    // A URL the XML catalogs map to a local copy reads that copy; include
    // files are otherwise read from paths, as they always were.
    const std::string resolved = Norvik::ResolveLocation(location);
    const std::string path = resolved == location ? location : Norvik::LocalPath(resolved);
    Norvik::CTextFile include;
    if (!include.Open(path)) {
        const std::string reason = Norvik::ErrnoText(include.Error());
        return {kIncludeFileOpen,
                path == location ? reason : "the XML catalogs map it to " + path + ": " + reason};
    }
    std::string_view line;
    Norvik::CTextFile::LineStatus status;
    while ((status = include.ReadLine(line, kMaxIncludeLineChars)) !=
           Norvik::CTextFile::LineStatus::kEnd) {
        if (status == Norvik::CTextFile::LineStatus::kLine) {
            WriteRaw(line);
        } else {
            return {kIncludeFileOpen, "The include file " + path + " cannot be read"};
        }
    }
    WriteRaw("\r\n");
    return kSuccess;
}

void OutputDocument::FinishOutput() {
    if (!sink_) {
        return;
    }
    const XMLRootNode& root = definition_.Root();
    writer_->EndElement(root.GetName(), root.GetIsEmpty());
    writer_->EndDocument();
    CopyStreamToFile();
    if (validator_ && !validator_->End()) {
        throw ValidationFailure(validator_->FailureText(), RowAt(validator_->FirstError().offset));
    }
    CloseFile();
    if (!xslInput_.empty()) {
        const std::string result =
            postProcessor_->TransformFile(definition_.Settings().xsltransform, xslInput_);
        RemoveXslInput();
        CompressXslResult(result);
        return;
    }
    if (postProcessor_ && !definition_.Settings().xsltransform.empty()) {
        const std::string result =
            postProcessor_->TransformFile(definition_.Settings().xsltransform, currentName_);
        int error = 0;
        std::unique_ptr<Norvik::FileSink> sink =
            Norvik::FileSink::Open(currentName_, Norvik::FileSink::Mode::kReplaceOnFinish, error);
        if (!sink) {
            throw Norvik::PlatformError(
                Norvik::CodeFromErrno(error),
                "Rewriting " + currentName_ + ": " + Norvik::ErrnoText(error));
        }
        if (!sink->Write(result) || !sink->Commit()) {
            error = sink->Error();
            throw Norvik::PlatformError(
                Norvik::CodeFromErrno(error),
                "Rewriting " + currentName_ + ": " + Norvik::ErrnoText(error));
        }
    }
}

void OutputDocument::CompressXslResult(const std::string& result) {
    int error = 0;
    std::unique_ptr<Norvik::IFileSink> sink =
        Norvik::FileSink::Open(currentName_, Norvik::FileSink::Mode::kReplaceOnFinish, error);
    if (sink) {
        sink = Norvik::CompressingSink::Wrap(std::move(sink), Norvik::CompressionFor(currentName_));
        error = sink ? 0 : ENOMEM;
    }
    if (!sink || !sink->Write(result) || !sink->Commit()) {
        if (sink) {
            error = sink->Error();
            sink->Discard();
        }
        throw Norvik::PlatformError(Norvik::CodeFromErrno(error),
                                    "Writing " + currentName_ + ": " + Norvik::ErrnoText(error));
    }
}

void OutputDocument::RemoveXslInput() {
    if (!xslInput_.empty()) {
        ::unlink(xslInput_.c_str());
        xslInput_.clear();
    }
}

void OutputDocument::MarkRow(int32_t row) {
    if (markRelay_) {
        markRelay_(row);
    } else {
        MarkHere(row);
    }
}

void OutputDocument::MarkHere(int32_t row) {
    if (markRows_ && writer_) {
        // Other encodings stage UTF-8: counted once encoded, the offset is
        // the same however the document was cut into pieces.
        if (writer_->PendingBytes() > 0) {
            writer_->Flush();
        }
        rowMarks_.push_back({documentBytes_ + static_cast<int64_t>(stream_.Size()), row});
    }
}

int32_t OutputDocument::RowAt(int64_t offset) const {
    // The parser has read past the markup it complains about, so the row is
    // the one whose output began before that point.
    int32_t row = 0;
    for (const RowMark& mark : rowMarks_) {
        if (mark.offset >= offset) {
            break;
        }
        row = mark.row;
    }
    return row;
}

void OutputDocument::SetValidator(Norvik::CSchemaValidator* validator) {
    validator_ = validator ? std::make_unique<Norvik::BackgroundValidator>(*validator) : nullptr;
}

void OutputDocument::Validate(std::string_view bytes) {
    if (!validator_) {
        return;
    }
    if (!validator_->Feed(bytes)) {
        throw ValidationFailure(validator_->FailureText(), RowAt(validator_->FirstError().offset));
    }
    // Every block before this one is checked: only rows from the one whose
    // output began before this block can still be named.
    const int64_t blockStart = documentBytes_;
    documentBytes_ += static_cast<int64_t>(bytes.size());
    auto keep = rowMarks_.begin();
    while (keep + 1 < rowMarks_.end() && (keep + 1)->offset <= blockStart) {
        ++keep;
    }
    rowMarks_.erase(rowMarks_.begin(), keep);
}

void OutputDocument::CloseFile() {
    if (!sink_) {
        return;
    }
    std::unique_ptr<Norvik::IFileSink> sink = std::move(sink_);
    if (!sink->Commit()) {
        const int error = sink->Error();
        throw Norvik::PlatformError(Norvik::CodeFromErrno(error),
                                    "Closing " + currentName_ + ": " + Norvik::ErrnoText(error));
    }
    lastFinished_ = true;
}

void OutputDocument::Flush() {
    if (writer_ && sink_) {
        writer_->Flush();
        CopyStreamToFile();
    }
}

void OutputDocument::FlushIfLarge() {
    if (stream_.Size() >= kFlushThreshold) {
        Flush();
    }
}

void OutputDocument::CopyStreamToFile() {
    if (!sink_ || stream_.Size() == 0) {
        stream_.Rewind();
        return;
    }
    WriteToFile(stream_.Buffer());
    stream_.Rewind();
}

void OutputDocument::WriteToFile(Norvik::ByteBuffer& bytes) {
    Validate(bytes);
    if (!sink_->WriteTaking(bytes)) {
        const int error = sink_->Error();
        throw Norvik::PlatformError(Norvik::CodeFromErrno(error),
                                    "Writing " + currentName_ + ": " + Norvik::ErrnoText(error));
    }
}

void OutputDocument::DeleteLastStarted() {
    if (sink_) {
        sink_->Discard();
        sink_.reset();
        lastFinished_ = true;  // an older file under the name goes too
    }
    RemoveXslInput();
    if (lastFinished_ && !currentName_.empty() && currentName_ != kStandardOutput) {
        struct stat st {};
        if (::lstat(currentName_.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            ::unlink(currentName_.c_str());
        }
        lastFinished_ = false;
    }
}

void OutputDocument::StartElement(std::string_view name) {
    writer_->StartElement(name, nullptr);
}

void OutputDocument::AddAttribute(std::string_view name, std::string_view value) {
    attributes_.AddAttribute(name, value);
}

void OutputDocument::StartElementWithAttributeList(std::string_view name) {
    writer_->StartElement(name, attributes_.Count() > 0 ? &attributes_ : nullptr, namesChecked_);
    attributes_.Clear();
}

void OutputDocument::EndElement(std::string_view name, bool emptyElementTag) {
    writer_->EndElement(name, emptyElementTag);
}

bool OutputDocument::WriteTextElement(const XMLNode& node, std::string_view text) {
    if (node.GetOutputType() == XMLNode::kCDataSection ||
        node.GetOutputType() == XMLNode::kDisableOutputEscaping || node.insertParagraphTags ||
        node.insertBrTags) {
        return false;
    }
    writer_->TextElement(node.GetName(), text, namesChecked_, node.GetIsEmpty());
    return true;
}

bool OutputDocument::WriteRow(const XMLNode& node,
                              std::span<const Norvik::CSAXWriter::TextField> attributes,
                              std::span<const Norvik::CSAXWriter::TextField> fields) {
    if (!namesChecked_) {
        return false;
    }
    if (attributes.empty() && attributes_.Count() == 0) {
        writer_->TextRow(node.GetName(), fields, node.GetIsEmpty());
        return true;
    }
    for (const Norvik::CSAXWriter::TextField& attribute : attributes) {
        AddAttribute(attribute.name, attribute.text);
    }
    StartElementWithAttributeList(node.GetName());
    writer_->TextElements(fields);
    writer_->EndElement(node.GetName(), node.GetIsEmpty());
    return true;
}

void OutputDocument::WriteText(const XMLNode& node, std::string_view text) {
    switch (node.GetOutputType()) {
        case XMLNode::kCDataSection:
            writer_->StartCDATA();
            Characters(text);
            writer_->EndCDATA();
            return;
        case XMLNode::kDisableOutputEscaping:
            WriteRaw(text);
            return;
        default:
            break;
    }
    const bool paragraphs = node.insertParagraphTags;
    const bool lineBreaks = node.insertBrTags;
    if (!paragraphs && !lineBreaks) {
        Characters(text);
        return;
    }
    if (paragraphs) {
        writer_->StartElement("p", nullptr);
    }
    // Lines are maximal runs without CR or LF, so empty lines disappear.
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = text.find_first_not_of("\r\n", pos);
        if (start == std::string_view::npos) {
            break;
        }
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        Characters(text.substr(start, end - start));
        if (paragraphs) {
            writer_->EndElement("p");
        }
        if (lineBreaks) {
            writer_->StartElement("br", nullptr);
            writer_->EndElement("br");
        }
        if (paragraphs) {
            writer_->StartElement("p", nullptr);
        }
        pos = end;
    }
    if (paragraphs) {
        writer_->EndElement("p");
    }
    if (lineBreaks) {
        writer_->StartElement("br", nullptr);
        writer_->EndElement("br");
    }
}
