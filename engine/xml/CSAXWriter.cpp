#include "CSAXWriter.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <span>
#ifdef __SSE2__
#endif

#include "XmlChars.h"
#include "base/ByteBlock.h"
#include "base/PlatformError.h"
#include "base/TextUtil.h"

namespace Norvik {

namespace {

// Staged (non-UTF-8) output is converted once it passes this size, so the
// staging buffer stays small whatever the flush interval of the caller.
constexpr size_t kStageLimit = 64 * 1024;

enum CharClass : uint8_t {
    kCopy = 0,
    kLt,
    kGt,
    kAmp,
    kQuot,
    kTab,
    kLf,
    kCr,
    kForbidden,  // C0 controls other than tab, LF and CR
    kHigh,       // first byte of a multi-byte UTF-8 sequence (or a stray byte)
};

constexpr std::array<uint8_t, 256> MakeTable(bool attribute) {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 0x20; ++c) {
        table[c] = kForbidden;
    }
    table['\t'] = attribute ? kTab : kCopy;
    table['\n'] = attribute ? kLf : kCopy;
    // A raw CR in content is read back as a line end; stored CR LF texts rely on it.
    table['\r'] = attribute ? kCr : kCopy;
    table['<'] = kLt;
    table['>'] = kGt;
    table['&'] = kAmp;
    if (attribute) {
        table['"'] = kQuot;
    }
    for (int c = 0x80; c < 0x100; ++c) {
        table[c] = kHigh;
    }
    return table;
}

constexpr std::array<uint8_t, 256> kTextTable = MakeTable(false);
constexpr std::array<uint8_t, 256> kAttributeTable = MakeTable(true);

// Bit i set: byte i is one text cannot copy as it is: a control, a byte of a
// multi-byte character (signed, those count as below 0x20), < > or &.
inline unsigned SpecialTextBytes(const ByteBlock& block) {
    return (block.SignedBelow(0x20) | block.Equal('<') | block.Equal('>') | block.Equal('&'))
        .Bits();
}

// The first byte from p that text cannot copy as it is.
inline const char* SkipPlainText(const char* p, const char* end) {
    while (end - p >= static_cast<ptrdiff_t>(ByteBlock::kSize)) {
        const unsigned bits = SpecialTextBytes(ByteBlock(p));
        if (bits != 0) {
            return p + __builtin_ctz(bits);
        }
        p += ByteBlock::kSize;
    }
    if (p < end && ByteBlock::MayReadPastEnd(p)) {
        const unsigned bits =
            SpecialTextBytes(ByteBlock(p)) | (1u << static_cast<unsigned>(end - p));
        return p + __builtin_ctz(bits);
    }
    while (p < end && kTextTable[static_cast<unsigned char>(*p)] == kCopy && *p >= 0x20) {
        ++p;
    }
    return p;
}

// Writes text from p at out, escaped, as far as it holds only what text most
// often holds: plain runs, < > &, tab and line ends, and the common UTF-8
// sequences (unless the encoding may lack characters). Returns where it
// stopped: end, or a byte the general escaping must judge. out must have
// room for five times the text and sixteen bytes more: plain bytes are
// copied sixteen at a time, the ones past a run written over next.
inline const char* EscapeCommonText(char*& out, const char* p, const char* end,
                                    bool checkEncoding) {
    while (p < end) {
        const auto left = end - p;
        if (left >= static_cast<ptrdiff_t>(ByteBlock::kSize) || ByteBlock::MayReadPastEnd(p)) {
            const ByteBlock block(p);
            block.Store(out);
            unsigned bits = SpecialTextBytes(block);
            if (left < static_cast<ptrdiff_t>(ByteBlock::kSize)) {
                bits |= 1u << static_cast<unsigned>(left);
            }
            const unsigned plain = bits == 0 ? ByteBlock::kSize : __builtin_ctz(bits);
            p += plain;
            out += plain;
            if (bits == 0) {
                continue;
            }
        } else {
            while (p < end && kTextTable[static_cast<unsigned char>(*p)] == kCopy && *p >= 0x20) {
                *out++ = *p++;
            }
        }
        if (p == end) {
            break;
        }
        // Tests, not a jump table: multi-byte characters come first by far.
        const auto b = static_cast<unsigned char>(*p);
        if (b >= 0x80) {
            const size_t length = checkEncoding ? 0 : CommonUtf8Length(p, end);
            if (length == 0) {
                return p;
            }
            std::memcpy(out, p, 2);
            out[2] = length == 3 ? p[2] : '\0';
            out += length;
            p += length;
        } else if (b == '<' || b == '>') {
            std::memcpy(out, b == '<' ? "&lt;" : "&gt;", 4);
            out += 4;
            ++p;
        } else if (b == '&') {
            std::memcpy(out, "&amp;", 5);
            out += 5;
            ++p;
        } else if (kTextTable[b] == kCopy) {
            *out++ = *p++;  // tab and line ends
        } else {
            return p;
        }
    }
    return p;
}

// "</name>" at out; returns where it ends.
inline char* PutEndTag(char* out, std::string_view name) {
    *out++ = '<';
    *out++ = '/';
    CopyBytes(out, name.data(), name.size());
    out += name.size();
    *out++ = '>';
    return out;
}

std::string CodePointText(char32_t c) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

}  // namespace

CSAXWriter::CSAXWriter(CMemoryStream& output) : output_(output) {}

CSAXWriter::~CSAXWriter() = default;

void CSAXWriter::SetEncoding(std::string_view encoding) {
    if (started_) {
        Refuse("The encoding cannot change inside a document");
    }
    encoder_ = std::make_unique<OutputEncoder>(encoding);
    encodingName_.assign(encoding);
    dst_ = encoder_->IsUtf8() ? &output_.Buffer() : &stage_;
}

bool CSAXWriter::IsUtf8() const noexcept {
    return encoder_ ? encoder_->IsUtf8() : false;
}

void CSAXWriter::EnsureEncoder() {
    if (!encoder_) {
        SetEncoding(encodingName_);
    }
}

void CSAXWriter::RestoreState(const State& state) {
    startTagOpen_ = state.startTagOpen;
    inCData_ = state.inCData;
    atLineStart_ = state.atLineStart;
    rootClosed_ = state.rootClosed;
    depth_ = state.depth;
    cdataBrackets_ = state.cdataBrackets;
    if (depth_ > 0) {
        frames_[depth_ - 1].hasText = state.parentHasText;
        frames_[depth_ - 1].hasChildren = state.parentHasChildren;
    }
}

template <typename Body>
void CSAXWriter::Guarded(Body&& body) {
    if (!started_) {
        Refuse("The document has not been started");
    }
    ByteBuffer& dst = *dst_;
    const size_t mark = dst.size();
    const State saved = SaveState();
    try {
        body(dst);
    } catch (...) {
        dst.resize(mark);
        RestoreState(saved);
        throw;
    }
    if (stage_.size() > kStageLimit) {
        Flush();
    }
}

void CSAXWriter::Refuse(std::string message) const {
    message += " (";
    message += Context();
    message += ")";
    throw PlatformError(kEInvalidArg, std::move(message));
}

std::string CSAXWriter::Context() const {
    if (depth_ == 0) {
        return rootClosed_ ? "after the document element" : "before the document element";
    }
    return "in element <" + frames_[depth_ - 1].name + ">";
}

void CSAXWriter::StartDocument() {
    if (started_) {
        Refuse("The document has already been started");
    }
    EnsureEncoder();
    Flush();
    startTagOpen_ = false;
    inCData_ = false;
    atLineStart_ = true;
    rootClosed_ = false;
    depth_ = 0;
    encoder_->WriteByteOrderMark(output_, !omitDeclaration_);
    if (!omitDeclaration_) {
        std::string declaration = "<?xml version=\"1.0\" encoding=\"";
        declaration += encoder_->DeclaredName();
        if (!standaloneProperty_) {
            declaration += "\"?>\r\n";
        } else {
            declaration += standalone_ ? "\" standalone=\"yes\"?>\n" : "\" standalone=\"no\"?>\n";
        }
        if (encoder_->WritesAsciiDeclaration()) {
            // Parsers read the declaration before they know the encoding.
            output_.Write(declaration);
        } else {
            *dst_ += declaration;
        }
    }
    started_ = true;
}

const std::string& CSAXWriter::DeclaredEncoding() const {
    return encoder_ ? encoder_->DeclaredName() : encodingName_;
}

void CSAXWriter::EndDocument() {
    if (!started_) {
        Refuse("The document has not been started");
    }
    if (depth_ != 0 || inCData_) {
        Refuse("The document ends with an element still open");
    }
    if (!rootClosed_) {
        Refuse("The document has no document element");
    }
    if (indent_ && !atLineStart_) {
        *dst_ += '\n';
        atLineStart_ = true;
    }
    started_ = false;
    Flush();
    encoder_->Finish(output_);
}

void CSAXWriter::Flush() {
    if (encoder_ && !stage_.empty()) {
        encoder_->Encode(stage_, output_);
        stage_.clear();
    }
}

void CSAXWriter::ContinueInside(std::string_view elementName) {
    EnsureEncoder();
    Flush();
    started_ = true;
    startTagOpen_ = false;
    inCData_ = false;
    atLineStart_ = false;
    rootClosed_ = false;
    depth_ = 0;
    OpenFrame(elementName);
    startTagOpen_ = false;
    frames_[0].hasChildren = true;
}

void CSAXWriter::ContinueInsideChild(std::string_view elementName, const OpenElement& state) {
    OpenFrame(elementName);
    startTagOpen_ = state.startTagOpen;
    frames_[depth_ - 1].hasText = state.hasText;
    frames_[depth_ - 1].hasChildren = state.hasChildren;
}

CSAXWriter::OpenElement CSAXWriter::Innermost() const noexcept {
    if (depth_ == 0) {
        return {};
    }
    return {startTagOpen_, frames_[depth_ - 1].hasText, frames_[depth_ - 1].hasChildren};
}

bool CSAXWriter::EncodesInPieces() const noexcept {
    // iconv may carry shift states from one piece into the next.
    return encoder_ && !encoder_->MayLackCharacters();
}

void CSAXWriter::PrepareForPiece() {
    CloseStartTag();
    if (depth_ > 0) {
        frames_[depth_ - 1].hasChildren = true;
    }
    atLineStart_ = false;
}

void CSAXWriter::AppendPiece(std::string_view encoded) {
    Flush();
    output_.Write(encoded);
}

void CSAXWriter::CloseStartTag() {
    if (startTagOpen_) {
        *dst_ += '>';
        startTagOpen_ = false;
    }
}

void CSAXWriter::AppendNewLine(size_t depth) {
    while (indentText_.size() < depth + 1) {
        indentText_ += '\t';
    }
    dst_->append(indentText_.data(), depth + 1);
}

void CSAXWriter::BreakLineBeforeMarkup() {
    if (!indent_) {
        return;
    }
    if (depth_ == 0) {
        if (!atLineStart_) {
            *dst_ += '\n';
        }
    } else if (!frames_[depth_ - 1].hasText) {
        // Mixed content keeps its text exactly: no indentation once text appeared.
        AppendNewLine(depth_);
    }
}

bool CSAXWriter::IsWritableName(std::string_view name) const {
    if (!IsXmlName(name)) {
        return false;
    }
    if (encoder_->MayLackCharacters()) {
        size_t pos = 0;
        while (pos < name.size()) {
            if (!encoder_->CanEncode(NextCodePoint(name, pos))) {
                return false;
            }
        }
    }
    return true;
}

void CSAXWriter::CheckName(std::string_view name, const char* what) {
    if (!IsXmlName(name)) {
        Refuse(std::string("\"") + std::string(name) + "\" is not a valid XML " + what + " name");
    }
    if (encoder_->MayLackCharacters()) {
        size_t pos = 0;
        while (pos < name.size()) {
            if (!encoder_->CanEncode(NextCodePoint(name, pos))) {
                Refuse(std::string("The ") + what + " name \"" + std::string(name) +
                       "\" cannot be written in encoding " + encodingName_);
            }
        }
    }
}

void CSAXWriter::AppendCharReference(char32_t c) {
    char buffer[16];
    const int length = std::snprintf(buffer, sizeof buffer, "&#%u;", static_cast<unsigned>(c));
    dst_->append(buffer, static_cast<size_t>(length));
}

void CSAXWriter::ReplaceAt(ByteBuffer& dst, const char*& run, const char*& p, size_t length,
                           char32_t c) {
    dst.append(run, p - run);
    AppendReplacement(dst, length == 0
                               ? std::string("Invalid UTF-8 in text")
                               : "Character " + CodePointText(c) + " is not allowed in XML");
    p += length == 0 ? 1 : length;
    run = p;
}

void CSAXWriter::AppendReplacement(ByteBuffer& dst, const std::string& message) {
    if (!replaceInvalid_) {
        Refuse(message);
    }
    if (encoder_->MayLackCharacters() && !encoder_->CanEncode(kReplacementChar)) {
        AppendCharReference(kReplacementChar);
    } else {
        dst.append("\xEF\xBF\xBD", 3);
    }
}

void CSAXWriter::StepCharacter(ByteBuffer& dst, const char*& run, const char*& p, const char* end,
                               bool checkEncoding, std::string_view close,
                               std::string_view reopen) {
    char32_t c;
    const size_t length = DecodeUtf8(p, end, c);
    if (length == 0 || !IsXmlChar(c)) {
        ReplaceAt(dst, run, p, length, c);
        return;
    }
    if (checkEncoding && !encoder_->CanEncode(c)) {
        dst.append(run, p - run);
        dst.append(close);
        AppendCharReference(c);
        dst.append(reopen);
        run = p + length;
    }
    p += length;
}

void CSAXWriter::AppendEscaped(std::string_view text, bool attribute) {
    const std::array<uint8_t, 256>& table = attribute ? kAttributeTable : kTextTable;
    const bool checkEncoding = encoder_->MayLackCharacters();
    ByteBuffer& dst = *dst_;
    const char* p = text.data();
    const char* const end = p + text.size();
    const char* run = p;
    while (p < end) {
        if (!attribute) {
            p = SkipPlainText(p, end);
            if (p == end) {
                break;
            }
        }
        const uint8_t cls = table[static_cast<unsigned char>(*p)];
        if (cls == kCopy) {
            ++p;
            continue;
        }
        if (cls == kHigh) {
            if (!checkEncoding) {
                // Two- and most three-byte sequences are characters XML takes.
                const size_t length = CommonUtf8Length(p, end);
                if (length > 0) {
                    p += length;
                    continue;
                }
            }
            StepCharacter(dst, run, p, end, checkEncoding);
            continue;
        }
        dst.append(run, p - run);
        switch (cls) {
            case kLt:
                dst.append("&lt;", 4);
                break;
            case kGt:
                dst.append("&gt;", 4);
                break;
            case kAmp:
                dst.append("&amp;", 5);
                break;
            case kQuot:
                dst.append("&quot;", 6);
                break;
            case kTab:
                dst.append("&#9;", 4);
                break;
            case kLf:
                dst.append("&#10;", 5);
                break;
            case kCr:
                dst.append("&#13;", 5);
                break;
            default:
                run = p;  // written above
                ReplaceAt(dst, run, p, 1, static_cast<unsigned char>(*p));
                continue;
        }
        ++p;
        run = p;
    }
    dst.append(run, p - run);
}

void CSAXWriter::AppendCData(std::string_view text) {
    const bool checkEncoding = encoder_->MayLackCharacters();
    ByteBuffer& dst = *dst_;
    const char* p = text.data();
    const char* const end = p + text.size();
    const char* run = p;
    int brackets = cdataBrackets_;
    while (p < end) {
        const auto b = static_cast<unsigned char>(*p);
        if (b == '>' && brackets >= 2) {
            // "]]>" cannot appear inside a section: end it between "]]" and ">".
            dst.append(run, p - run);
            dst.append("]]><![CDATA[", 12);
            run = p;
            ++p;
            brackets = 0;
            continue;
        }
        if (b == ']') {
            brackets = brackets < 2 ? brackets + 1 : 2;
            ++p;
            continue;
        }
        brackets = 0;
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') {
            ReplaceAt(dst, run, p, 1, b);
            continue;
        }
        if (b < 0x80) {
            ++p;
            continue;
        }
        StepCharacter(dst, run, p, end, checkEncoding, "]]>", "<![CDATA[");
    }
    dst.append(run, p - run);
    cdataBrackets_ = brackets;
}

void CSAXWriter::AppendRaw(std::string_view text) {
    const bool checkEncoding = encoder_->MayLackCharacters();
    ByteBuffer& dst = *dst_;
    const char* p = text.data();
    const char* const end = p + text.size();
    const char* run = p;
    while (p < end) {
        const auto b = static_cast<unsigned char>(*p);
        if (b >= 0x20 && b < 0x80) {
            ++p;
            continue;
        }
        if (b < 0x20) {
            if (b != '\t' && b != '\n' && b != '\r') {
                ReplaceAt(dst, run, p, 1, b);
            } else {
                ++p;
            }
            continue;
        }
        StepCharacter(dst, run, p, end, checkEncoding);
    }
    dst.append(run, p - run);
}

void CSAXWriter::StartElement(std::string_view qualifiedName, const CSAXAttributes* attributes,
                              bool namesChecked) {
    Guarded([&](ByteBuffer& dst) {
        if (inCData_) {
            Refuse("An element cannot start inside a CDATA section");
        }
        if (depth_ == 0 && rootClosed_) {
            Refuse("A document has only one document element; <" + std::string(qualifiedName) +
                   "> would be a second");
        }
        if (!namesChecked) {
            CheckName(qualifiedName, "element");
        }
        const size_t count = attributes ? attributes->Count() : 0;
        for (size_t i = 0; i < count; ++i) {
            if (!namesChecked) {
                CheckName(attributes->Name(i), "attribute");
            }
            for (size_t j = 0; j < i; ++j) {
                if (attributes->Name(j) == attributes->Name(i)) {
                    Refuse("Attribute \"" + attributes->Name(i) + "\" appears twice on <" +
                           std::string(qualifiedName) + ">");
                }
            }
        }
        BeginStartTag(qualifiedName);
        for (size_t i = 0; i < count; ++i) {
            dst += ' ';
            dst += attributes->Name(i);
            dst.append("=\"", 2);
            AppendEscaped(attributes->Value(i), true);
            dst += '"';
        }
        OpenFrame(qualifiedName);
    });
}

void CSAXWriter::BeginStartTag(std::string_view qualifiedName) {
    CloseStartTag();
    BreakLineBeforeMarkup();
    if (depth_ > 0) {
        frames_[depth_ - 1].hasChildren = true;
    }
    *dst_ += '<';
    dst_->append(qualifiedName);
}

void CSAXWriter::OpenFrame(std::string_view qualifiedName) {
    startTagOpen_ = true;
    atLineStart_ = false;
    if (frames_.size() == depth_) {
        frames_.emplace_back();
    }
    Frame& frame = frames_[depth_];
    if (frame.name != qualifiedName) {  // rows repeat the same names
        frame.name.assign(qualifiedName);
    }
    frame.hasText = false;
    frame.hasChildren = false;
    ++depth_;
}

void CSAXWriter::WriteEndTag(std::string_view qualifiedName, bool emptyElementTag) {
    ByteBuffer& dst = *dst_;
    if (startTagOpen_ && (emptyElementTag || !alwaysEmitEndTags_)) {
        dst.append("/>", 2);
        startTagOpen_ = false;
    } else {
        CloseStartTag();
        const Frame& frame = frames_[depth_ - 1];
        if (indent_ && frame.hasChildren && !frame.hasText) {
            AppendNewLine(depth_ - 1);
        }
        dst.Release(PutEndTag(dst.Claim(qualifiedName.size() + 3), qualifiedName));
    }
    --depth_;
    rootClosed_ = rootClosed_ || depth_ == 0;
    atLineStart_ = false;
}

void CSAXWriter::EndElement(std::string_view qualifiedName, bool emptyElementTag) {
    Guarded([&](ByteBuffer&) {
        if (depth_ == 0) {
            Refuse("End tag </" + std::string(qualifiedName) + "> without an open element");
        }
        if (inCData_) {
            Refuse("An element cannot end inside a CDATA section");
        }
        const Frame& frame = frames_[depth_ - 1];
        if (frame.name != qualifiedName) {
            Refuse("End tag </" + std::string(qualifiedName) + "> does not match <" + frame.name +
                   ">");
        }
        WriteEndTag(qualifiedName, emptyElementTag);
    });
}

void CSAXWriter::Characters(std::string_view text) {
    if (text.empty()) {
        return;
    }
    Guarded([&](ByteBuffer&) {
        if (depth_ == 0 && !disableEscaping_) {
            Refuse("Text cannot stand outside the document element");
        }
        CloseStartTag();
        if (depth_ > 0) {
            frames_[depth_ - 1].hasText = true;
        }
        if (inCData_) {
            AppendCData(text);
        } else if (disableEscaping_) {
            AppendRaw(text);
        } else {
            AppendEscaped(text, false);
        }
        atLineStart_ = text.back() == '\n';
    });
}

void CSAXWriter::TextElement(std::string_view qualifiedName, std::string_view text,
                             bool namesChecked, bool emptyElementTag) {
    if (depth_ == 0 || inCData_) {
        // Refused or the document element: the general calls say why.
        StartElement(qualifiedName, nullptr, namesChecked);
        Characters(text);
        EndElement(qualifiedName, emptyElementTag);
        return;
    }
    Guarded([&](ByteBuffer&) {
        if (!namesChecked) {
            CheckName(qualifiedName, "element");
        }
        AppendTextElement(qualifiedName, text, emptyElementTag);
    });
}

void CSAXWriter::TextElements(std::span<const TextField> fields) {
    if (depth_ == 0 || inCData_) {
        for (const TextField& field : fields) {
            TextElement(field.name, field.text, true, field.emptyElementTag);
        }
        return;
    }
    Guarded([&](ByteBuffer&) { AppendTextElements(fields.data(), fields.size()); });
}

void CSAXWriter::TextRow(std::string_view qualifiedName, std::span<const TextField> fields,
                         bool emptyElementTag) {
    if (depth_ == 0 || inCData_) {
        // Refused or the document element: the general calls say why.
        StartElement(qualifiedName, nullptr, true);
        TextElements(fields);
        EndElement(qualifiedName, emptyElementTag);
        return;
    }
    Guarded([&](ByteBuffer&) {
        BeginStartTag(qualifiedName);
        OpenFrame(qualifiedName);
        AppendTextElements(fields.data(), fields.size());
        WriteEndTag(qualifiedName, emptyElementTag);
    });
}

void CSAXWriter::AppendTextElements(const TextField* fields, size_t count) {
    ByteBuffer& dst = *dst_;
    if (count == 0) {
        return;
    }
    // One claim for the row: the fields' tags, indentation and plain text
    // are written through one pointer; only text with bytes to escape
    // goes through the escaping code (and claims again after it).
    Frame& parent = frames_[depth_ - 1];
    const size_t indentLength = indent_ && !parent.hasText ? depth_ + 1 : 0;
    // At least 16 bytes of indentation text, so that a short indentation
    // is one 16-byte copy (the bytes past it are written over next).
    while (indentText_.size() < std::max<size_t>(indentLength, 16)) {
        indentText_ += '\t';
    }
    const bool shortIndent = indentLength <= 16;
    // Text may grow by escaping: "&amp;" is the longest a byte becomes here.
    size_t bound = 1;
    for (const TextField& field : std::span(fields, count)) {
        bound += indentLength + 2 * field.name.size() + 5 * field.text.size() + 24 + kTagBytes;
    }
    const bool checkEncoding = encoder_->MayLackCharacters();
    char* out = dst.Claim(bound);
    if (startTagOpen_) {
        *out++ = '>';
        startTagOpen_ = false;
    }
    parent.hasChildren = true;
    atLineStart_ = false;
    for (const TextField& field : std::span(fields, count)) {
        if (shortIndent) {
            std::memcpy(out, indentText_.data(), 16);
        } else {
            std::memcpy(out, indentText_.data(), indentLength);
        }
        out += indentLength;
        if (field.tags) {
            std::memcpy(out, field.tags, kTagBytes);
            out += field.name.size() + 1;
        } else {
            *out++ = '<';
            CopyBytes(out, field.name.data(), field.name.size());
            out += field.name.size();
        }
        const std::string_view text = field.text;
        if (text.empty() && (field.emptyElementTag || !alwaysEmitEndTags_)) {
            *out++ = '/';
            *out++ = '>';
            continue;
        }
        *out++ = '>';
        const char* const textEnd = text.data() + text.size();
        const char* const plainEnd =
            disableEscaping_ ? text.data()
                             : EscapeCommonText(out, text.data(), textEnd, checkEncoding);
        if (plainEnd != textEnd) {
            dst.Release(out);
            const std::string_view rest(plainEnd, static_cast<size_t>(textEnd - plainEnd));
            if (disableEscaping_) {
                AppendRaw(rest);
            } else {
                AppendEscaped(rest, false);
            }
            out = dst.Claim(bound);
        }
        if (field.tags) {
            std::memcpy(out, field.tags + kTagBytes, kTagBytes);
            out += field.name.size() + 3;
        } else {
            out = PutEndTag(out, field.name);
        }
    }
    dst.Release(out);
}

std::string CSAXWriter::MakeTags(std::string_view name) {
    if (name.size() + 3 > kTagBytes) {
        return {};
    }
    std::string tags(2 * kTagBytes, ' ');
    tags.replace(0, name.size() + 2, "<" + std::string(name) + ">");
    tags.replace(kTagBytes, name.size() + 3, "</" + std::string(name) + ">");
    return tags;
}

void CSAXWriter::AppendTextElement(std::string_view name, std::string_view text,
                                   bool emptyElementTag) {
    const TextField field{name, text, emptyElementTag};
    AppendTextElements(&field, 1);
}

void CSAXWriter::UnescapedCharacters(std::string_view text) {
    const bool previous = disableEscaping_;
    disableEscaping_ = true;
    try {
        Characters(text);
    } catch (...) {
        disableEscaping_ = previous;
        throw;
    }
    disableEscaping_ = previous;
}

void CSAXWriter::ProcessingInstruction(std::string_view target, std::string_view data) {
    Guarded([&](ByteBuffer& dst) {
        if (inCData_) {
            Refuse("A processing instruction cannot stand inside a CDATA section");
        }
        CheckName(target, "processing instruction");
        if (EqualsIgnoreCase(target, "xml")) {
            Refuse("\"xml\" is reserved as a processing instruction target");
        }
        if (data.find("?>") != std::string_view::npos) {
            Refuse("Processing instruction data cannot contain \"?>\"");
        }
        for (const char *p = data.data(), *end = p + data.size(); p < end;) {
            char32_t c;
            const size_t length = DecodeUtf8(p, end, c);
            if (length == 0) {
                Refuse("Invalid UTF-8 in processing instruction");
            }
            if (!IsXmlChar(c) || !encoder_->CanEncode(c)) {
                Refuse("Character " + CodePointText(c) +
                       " cannot be written in a processing instruction");
            }
            p += length;
        }
        CloseStartTag();
        BreakLineBeforeMarkup();
        if (depth_ > 0) {
            frames_[depth_ - 1].hasChildren = true;
        }
        dst.append("<?", 2);
        dst.append(target);
        if (!data.empty()) {
            dst += ' ';
            dst.append(data);
        }
        dst.append("?>", 2);
        atLineStart_ = false;
    });
}

void CSAXWriter::StartCDATA() {
    Guarded([&](ByteBuffer& dst) {
        if (depth_ == 0) {
            Refuse("A CDATA section cannot stand outside the document element");
        }
        if (inCData_) {
            Refuse("CDATA sections do not nest");
        }
        CloseStartTag();
        frames_[depth_ - 1].hasText = true;
        dst.append("<![CDATA[", 9);
        inCData_ = true;
        cdataBrackets_ = 0;
    });
}

void CSAXWriter::EndCDATA() {
    Guarded([&](ByteBuffer& dst) {
        if (!inCData_) {
            Refuse("No CDATA section is open");
        }
        dst.append("]]>", 3);
        inCData_ = false;
    });
}

}  // namespace Norvik
