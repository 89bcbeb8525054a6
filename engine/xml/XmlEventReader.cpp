#include "XmlEventReader.h"

#include <emmintrin.h>

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/ByteBlock.h"
#include "base/TextUtil.h"

namespace Norvik {

namespace {

constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

size_t SkipWhite(std::string_view text, size_t at) {
    while (at < text.size() && IsXmlSpace(text[at])) {
        ++at;
    }
    return at;
}

// Bytes that do not continue a UTF-8 sequence: one per character.
int64_t CharacterCount(std::string_view text) {
    int64_t count = 0;
    for (char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

bool ParseReference(std::string_view name, char32_t& code) {
    if (name == "lt") {
        code = '<';
    } else if (name == "gt") {
        code = '>';
    } else if (name == "amp") {
        code = '&';
    } else if (name == "quot") {
        code = '"';
    } else if (name == "apos") {
        code = '\'';
    } else if (name.size() >= 2 && name[0] == '#') {
        const bool hex = name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty() || digits.size() > 8) {
            return false;
        }
        uint32_t value = 0;
        for (char c : digits) {
            uint32_t digit = 0;
            if (c >= '0' && c <= '9') {
                digit = static_cast<uint32_t>(c - '0');
            } else if (hex && c >= 'a' && c <= 'f') {
                digit = static_cast<uint32_t>(c - 'a' + 10);
            } else if (hex && c >= 'A' && c <= 'F') {
                digit = static_cast<uint32_t>(c - 'A' + 10);
            } else {
                return false;
            }
            value = value * (hex ? 16 : 10) + digit;
        }
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        code = value;
    } else {
        return false;
    }
    return true;
}

// Where a text run ends (its '<' or the end of the bytes); special: it has a
// '&' or '\r' to be decoded. Sixteen bytes at a time.
const char* TextEnd(const char* p, const char* end, bool& special) {
    unsigned seen = 0;
    for (; end - p >= static_cast<std::ptrdiff_t>(ByteBlock::kSize); p += ByteBlock::kSize) {
        const ByteBlock block(p);
        const unsigned stops = block.Equal('<').Bits();
        const unsigned marks = (block.Equal('&') | block.Equal('\r')).Bits();
        if (stops != 0) {
            special = (seen | (marks & ((stops & -stops) - 1))) != 0;
            return p + std::countr_zero(stops);
        }
        seen |= marks;
    }
    while (p < end && *p != '<') {
        seen |= *p == '&' || *p == '\r' ? 1U : 0U;
        ++p;
    }
    special = seen != 0;
    return p;
}

// The offset of a tag's closing '>' when no quote comes before it (npos:
// there is one, or no '>' in the first bytes; the caller looks closer).
size_t TagEnd(std::string_view tag) {
    for (size_t at = 0; at + ByteBlock::kSize <= tag.size(); at += ByteBlock::kSize) {
        const ByteBlock block(tag.data() + at);
        const unsigned stops = block.Equal('>').Bits();
        const unsigned quotes = (block.Equal('"') | block.Equal('\'')).Bits();
        if ((quotes & (stops != 0 ? (stops & -stops) - 1 : ~0U)) != 0) {
            return std::string_view::npos;
        }
        if (stops != 0) {
            return at + static_cast<size_t>(std::countr_zero(stops));
        }
    }
    return std::string_view::npos;
}

}  // namespace

XmlEventReader::XmlEventReader(Events& events) : events_(events) {}

bool XmlEventReader::Fail(std::string message) {
    if (error_.empty()) {
        error_ = std::move(message);
    }
    return false;
}

int64_t XmlEventReader::LineEnds(std::string_view text) {
    // Byte counters, summed before any of them can wrap.
    int64_t count = 0;
    size_t at = 0;
    const __m128i newline = _mm_set1_epi8('\n');
    while (at + 16 <= text.size()) {
        __m128i counters = _mm_setzero_si128();
        for (int round = 0; round < 255 && at + 16 <= text.size(); ++round, at += 16) {
            const __m128i block =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
            counters = _mm_sub_epi8(counters, _mm_cmpeq_epi8(block, newline));
        }
        const __m128i sums = _mm_sad_epu8(counters, _mm_setzero_si128());
        count += _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);
    }
    return count + std::count(text.begin() + static_cast<std::ptrdiff_t>(at), text.end(), '\n');
}

void XmlEventReader::Consume(std::string_view data, size_t used) {
    const std::string_view consumed = data.substr(0, used);
    const void* lastLine = consumed.empty() ? nullptr : memrchr(consumed.data(), '\n', used);
    if (lastLine == nullptr) {
        bufferColumn_ += CharacterCount(consumed);
    } else {
        const auto lineStart =
            static_cast<size_t>(static_cast<const char*>(lastLine) - data.data()) + 1;
        bufferLine_ += LineEnds(consumed);
        bufferColumn_ = 1 + CharacterCount(consumed.substr(lineStart));
    }
    bufferOffset_ += static_cast<int64_t>(used);
    buffer_ = {};
    position_ = 0;
}

int64_t XmlEventReader::Line() const {
    const std::string_view read = buffer_.substr(0, position_);
    return bufferLine_ + LineEnds(read);
}

int64_t XmlEventReader::Column() const {
    const std::string_view read = buffer_.substr(0, position_);
    const size_t lastLine = read.rfind('\n');
    return lastLine == std::string_view::npos ? bufferColumn_ + CharacterCount(read)
                                              : 1 + CharacterCount(read.substr(lastLine + 1));
}

bool XmlEventReader::Feed(std::string_view bytes) {
    if (!error_.empty()) {
        return false;
    }
    if (carry_.empty()) {
        const size_t used = Process(bytes);
        if (used == std::string_view::npos) {
            return false;
        }
        Consume(bytes, used);
        carry_.assign(bytes.substr(used));
        return true;
    }
    carry_.append(bytes);
    const size_t used = Process(carry_);
    if (used == std::string_view::npos) {
        return false;
    }
    Consume(carry_, used);
    carry_.erase(0, used);
    return true;
}

bool XmlEventReader::Finish() {
    if (!error_.empty()) {
        return false;
    }
    // A reference or line end held back for the next piece ends the text.
    if (!carry_.empty() && carry_.find('<') == std::string::npos) {
        buffer_ = carry_;
        position_ = carry_.size();
        if (depth_ != 0) {
            if (!Decode(carry_, false, text_)) {
                return false;
            }
            events_.Characters(text_);
        }
        Consume(carry_, carry_.size());
        carry_.clear();
    }
    if (!carry_.empty()) {
        return Fail("The document ends inside markup");
    }
    if (depth_ != 0) {
        return Fail("Premature end of data in tag " + scopes_[depth_ - 1].qualified);
    }
    return true;
}

size_t XmlEventReader::Process(std::string_view data) {
    buffer_ = data;
    size_t at = 0;
    const char* const begin = data.data();
    const char* const end = begin + data.size();
    while (at < data.size()) {
        if (data[at] != '<') {
            bool special = false;
            const char* const p = TextEnd(begin + at, end, special);
            std::string_view text(begin + at, static_cast<size_t>(p - (begin + at)));
            if (p == end) {
                // Hold back what the next piece may finish: a reference or
                // a CR before its LF.
                const size_t amp = text.rfind('&');
                if (amp != std::string_view::npos &&
                    text.find(';', amp) == std::string_view::npos) {
                    text = text.substr(0, amp);
                }
                if (!text.empty() && text.back() == '\r') {
                    text.remove_suffix(1);
                }
                if (text.empty()) {
                    return at;
                }
            }
            position_ = at + text.size();
            if (depth_ != 0) {
                textOpen_ = true;
                if (!special) {
                    events_.Characters(text);
                } else {
                    if (!Decode(text, false, text_)) {
                        return std::string_view::npos;
                    }
                    events_.Characters(text_);
                }
            }
            at += text.size();
            continue;
        }
        if (textOpen_) {
            textOpen_ = false;
            position_ = at;
            events_.TextEnd();
        }
        const size_t length = Markup(data, at);
        if (length == std::string_view::npos) {
            return length;
        }
        if (length == 0) {
            return at;
        }
        at += length;
    }
    return at;
}

size_t XmlEventReader::Markup(std::string_view data, size_t at) {
    const std::string_view rest = data.substr(at);
    constexpr size_t kIncomplete = 0;
    constexpr size_t kFailed = std::string_view::npos;
    if (rest.size() < 2) {
        return kIncomplete;
    }
    auto until = [&](std::string_view from, std::string_view end) -> size_t {
        const size_t found = rest.find(end, from.size());
        return found == std::string_view::npos ? kIncomplete : found + end.size();
    };
    if (rest[1] == '?') {
        return until("<?", "?>");
    }
    if (rest[1] == '!') {
        if (rest.size() < 4) {
            return kIncomplete;
        }
        if (rest.substr(0, 4) == "<!--") {
            return until("<!--", "-->");
        }
        if (rest.size() < 9) {
            return kIncomplete;
        }
        if (rest.substr(0, 9) != "<![CDATA[") {
            Fail("The writer's markup has a declaration it does not write");
            return kFailed;
        }
        const size_t length = until("<![CDATA[", "]]>");
        if (length == kIncomplete) {
            return kIncomplete;
        }
        position_ = at + length;
        if (depth_ != 0) {
            // As libxml2 streams them: the content as it stands, line ends
            // included.
            events_.Characters(rest.substr(9, length - 12));
            events_.TextEnd();
        }
        return length;
    }
    // A tag: its '>' is the first one outside quotes.
    size_t end = TagEnd(rest);
    if (end == std::string_view::npos) {
        char quote = 0;
        for (end = 1; end < rest.size(); ++end) {
            const char c = rest[end];
            if (quote != 0) {
                if (c == quote) {
                    quote = 0;
                }
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
    }
    if (end == rest.size()) {
        return kIncomplete;
    }
    // As libxml2 tells it: a start tag is reported from its closing '>'
    // (or "/>"), an end tag after it.
    position_ = rest[1] == '/' ? at + end + 1 : at + end;
    const bool ok =
        rest[1] == '/' ? EndTag(rest.substr(2, end - 2)) : StartTag(rest.substr(1, end - 1));
    return ok ? end + 1 : kFailed;
}

bool XmlEventReader::Resolve(std::string_view qualified, bool element, size_t& colon,
                             size_t& binding) {
    const void* found =
        qualified.empty() ? nullptr : memchr(qualified.data(), ':', qualified.size());
    colon = found == nullptr
                ? qualified.size()
                : static_cast<size_t>(static_cast<const char*>(found) - qualified.data());
    const std::string_view prefix =
        colon == qualified.size() ? std::string_view() : qualified.substr(0, colon);
    if (colon == qualified.size()) {
        colon = std::string_view::npos;
    }
    binding = kNoBinding;
    if (prefix == "xml") {
        binding = kXmlBinding;
        return true;
    }
    if (prefix.empty() && !element) {
        return true;  // attributes without a prefix are in no namespace
    }
    for (size_t b = bindings_.size(); b-- > 0;) {
        if (bindings_[b].prefix == prefix) {
            binding = bindings_[b].uri.empty() ? kNoBinding : b;
            return true;
        }
    }
    if (prefix.empty()) {
        return true;
    }
    return Fail("Namespace prefix " + std::string(prefix) + " on " +
                std::string(qualified.substr(colon + 1)) + " is not defined");
}

XmlEventReader::Name XmlEventReader::NameOf(std::string_view qualified, size_t colon,
                                            size_t binding) const {
    Name name;
    if (colon != std::string_view::npos) {
        name.prefix = qualified.substr(0, colon);
        name.local = qualified.substr(colon + 1);
    } else {
        name.local = qualified;
    }
    if (binding == kXmlBinding) {
        name.uri = kXmlNamespace;
    } else if (binding != kNoBinding) {
        name.uri = bindings_[binding].uri;
    }
    return name;
}

XmlEventReader::Name XmlEventReader::NameOf(const Scope& scope) const {
    return NameOf(scope.qualified, scope.colon, scope.binding);
}

// One function on purpose: the quick checker comes here for every start tag,
// and split into steps it cost validated runs a few percent.
bool XmlEventReader::StartTag(std::string_view tag) {
    const bool empty = !tag.empty() && tag.back() == '/';
    if (empty) {
        tag.remove_suffix(1);
    }
    size_t at = 0;
    while (at < tag.size() && !IsXmlSpace(tag[at])) {
        ++at;
    }
    const std::string_view qualified = tag.substr(0, at);
    if (qualified.empty()) {
        return Fail("A start tag has no name");
    }
    // Attributes as written, then namespace declarations apart.
    raw_.clear();
    size_t valueCount = 0;
    for (;;) {
        at = SkipWhite(tag, at);
        if (at >= tag.size()) {
            break;
        }
        const size_t nameStart = at;
        while (at < tag.size() && tag[at] != '=' && !IsXmlSpace(tag[at])) {
            ++at;
        }
        const std::string_view name = tag.substr(nameStart, at - nameStart);
        at = SkipWhite(tag, at);
        if (at >= tag.size() || tag[at] != '=') {
            return Fail("The attribute " + std::string(name) + " has no value");
        }
        at = SkipWhite(tag, at + 1);
        if (at >= tag.size() || (tag[at] != '"' && tag[at] != '\'')) {
            return Fail("The value of " + std::string(name) + " is not quoted");
        }
        const size_t close = tag.find(tag[at], at + 1);
        if (close == std::string_view::npos) {
            return Fail("The value of " + std::string(name) + " is not closed");
        }
        if (valueCount == values_.size()) {
            values_.emplace_back();
        }
        if (!Decode(tag.substr(at + 1, close - at - 1), true, values_[valueCount])) {
            return false;
        }
        raw_.push_back(RawAttribute{name, valueCount++});
        at = close + 1;
    }

    // Scopes are reused, names and all: no allocation per element.
    if (depth_ == scopes_.size()) {
        scopes_.emplace_back();
    }
    {
        Scope& opened = scopes_[depth_++];
        opened.qualified.assign(qualified);
        opened.bindings = bindings_.size();
        opened.colon = 0;
        opened.binding = kNoBinding;
    }
    for (const RawAttribute& raw : raw_) {
        const std::string_view name = raw.name;
        if (name == "xmlns" || name.substr(0, 6) == "xmlns:") {
            bindings_.push_back(
                Binding{std::string(name.size() > 5 ? name.substr(6) : std::string_view()),
                        values_[raw.value]});
        }
    }
    declared_.clear();
    for (size_t b = scopes_[depth_ - 1].bindings; b < bindings_.size(); ++b) {
        declared_.push_back(Namespace{bindings_[b].prefix, bindings_[b].uri});
    }
    attributes_.clear();
    for (const RawAttribute& raw : raw_) {
        const std::string_view name = raw.name;
        if (name == "xmlns" || name.substr(0, 6) == "xmlns:") {
            continue;
        }
        Attribute attribute;
        size_t colon = 0;
        size_t binding = kNoBinding;
        if (!Resolve(name, false, colon, binding)) {
            return false;
        }
        attribute.name = NameOf(name, colon, binding);
        attribute.value = values_[raw.value];
        attributes_.push_back(attribute);
    }
    Scope& scope = scopes_[depth_ - 1];
    if (!Resolve(scope.qualified, true, scope.colon, scope.binding)) {
        return false;
    }
    const Name name = NameOf(scope);
    if (empty) {
        --position_;
    }
    events_.StartElement(name, declared_, attributes_);
    if (empty) {
        position_ += 2;
        events_.EndElement(name);
        bindings_.resize(scope.bindings);
        --depth_;
    }
    return true;
}

bool XmlEventReader::EndTag(std::string_view tag) {
    while (!tag.empty() && IsXmlSpace(tag.back())) {
        tag.remove_suffix(1);
    }
    if (depth_ == 0 || scopes_[depth_ - 1].qualified != tag) {
        return Fail("The end tag " + std::string(tag) + " does not match " +
                    (depth_ == 0 ? std::string("any start tag") : scopes_[depth_ - 1].qualified));
    }
    const Scope& scope = scopes_[depth_ - 1];
    events_.EndElement(NameOf(scope));
    bindings_.resize(scope.bindings);
    --depth_;
    return true;
}

bool XmlEventReader::Decode(std::string_view text, bool attribute, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '&') {
            const size_t semicolon = text.find(';', i + 1);
            char32_t code = 0;
            if (semicolon == std::string_view::npos ||
                !ParseReference(text.substr(i + 1, semicolon - i - 1), code)) {
                return Fail("The writer's markup has a reference it does not write");
            }
            AppendUtf8(out, code);
            i = semicolon;
        } else if (c == '\r') {
            out += attribute ? ' ' : '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else if (attribute && (c == '\n' || c == '\t')) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return true;
}

}  // namespace Norvik
