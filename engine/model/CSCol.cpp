#include "CSCol.h"

#include "CaseConversion.h"
#include "ColumnIdCounter.h"
#include "DateFormat.h"
#include "NumberFormat.h"

CSCol::CSCol() : id(ColumnIdCounter::Next()) {}

CSCol::CSCol(std::string columnName) : name(std::move(columnName)), id(ColumnIdCounter::Next()) {}

CSCol CSCol::WithId(int32_t columnId) {
    CSCol column{NoId{}};
    column.id = columnId;
    return column;
}

void CSCol::Reset() {
    const int32_t keep = id;
    *this = WithId(keep);
}

bool CSCol::IsNamed(std::string_view otherName) const {
    // Names once read with a UTF-8 byte order mark still match their plain form.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    std::string_view own = name;
    if (own.substr(0, 3) == kByteOrderMark) {
        own.remove_prefix(3);
    }
    if (otherName.substr(0, 3) == kByteOrderMark) {
        otherName.remove_prefix(3);
    }
    return Norvik::EqualsIgnoreCase(own, otherName);
}

void CSCol::AddLookupEntry(std::string_view text) {
    if (text.empty()) {
        return;
    }
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        lookupTable[std::string(text)] = std::string(text);
        return;
    }
    std::string key = Norvik::Trim(text.substr(0, equals));
    if (ignoreCase) {
        key = Norvik::ToLower(key);
    }
    if (key.empty()) {
        return;
    }
    lookupTable[std::move(key)] = Norvik::Trim(text.substr(equals + 1));
}

std::string CSCol::LookupEntryText(const std::string& key, const std::string& value) {
    return key == value ? key : key + " = " + value;
}

bool CSCol::SetLastValue(std::string_view text) {
    if (lastValue == text) {
        return false;
    }
    lastValue.assign(text);
    return true;
}

namespace {

// Finds needle in text from byte position from; with ignoreCase the text is
// compared in lower case (the needle as it is). Returns npos or the start and
// sets length to the matched byte length in text.
size_t FindText(std::string_view text, std::string_view needle, size_t from, bool ignoreCase,
                size_t& length) {
    if (!ignoreCase) {
        length = needle.size();
        return text.find(needle, from);
    }
    size_t start = from;
    while (start < text.size()) {
        size_t t = start;
        size_t n = 0;
        while (n < needle.size() && t < text.size()) {
            const char32_t a = Norvik::ToLowerChar(Norvik::NextCodePoint(text, t));
            const char32_t b = Norvik::NextCodePoint(needle, n);
            if (a != b) {
                break;
            }
            if (n == needle.size()) {
                length = t - start;
                return start;
            }
        }
        Norvik::NextCodePoint(text, start);
    }
    return std::string_view::npos;
}

}  // namespace

std::string CSCol::FormatValue(std::string_view raw, bool comparisonForm) {
    std::string out;
    FormatValueInto(raw, comparisonForm, out);
    return out;
}

void CSCol::FormatValueInto(std::string_view raw, bool comparisonForm, std::string& out) {
    PrepareValue(raw, comparisonForm, out);
    if (comparisonForm && dataType == kNumber) {
        ComparisonNumberInto(out, precision, out);
    } else if (comparisonForm && dataType == kDateTime) {
        DateTimeParts parts;
        if (ParseDate(out, dateSequence, parts)) {
            FormatComparisonDate(parts, out);
        } else {
            out.clear();
        }
    }
}

double CSCol::ComparisonNumberOf(std::string_view raw, std::string& scratch) {
    PrepareValue(raw, true, scratch);
    return ComparisonRoundedValue(scratch, precision);
}

void CSCol::PrepareValue(std::string_view raw, bool comparisonForm, std::string& out) {
    if (!comparisonForm && dataType == kNumber) {
        FormatNumberInto(raw, precision, thousands, currency, out);
    } else if (!comparisonForm && dataType == kDateTime) {
        DateTimeParts parts;
        if (ParseDate(raw, dateSequence, parts)) {
            FormatDateInto(parts, format, out);
        } else {
            out.clear();
        }
    } else {
        out.assign(raw);
    }
    if (out.empty()) {
        if (useLastIfEmpty) {
            out = lastValue;
        }
        if (out.empty()) {
            out = defaultValue;
        }
    }
    if (!out.empty()) {
        if (caseType == kCaseUpper || caseType == kCaseLower || caseType == kCaseProper) {
            out = ConvertCase(out, caseType);
        }
        if (useLastIfEmpty && !comparisonForm) {
            lastValue = out;
        }
        if (!lookupTable.empty()) {
            out = ApplyLookup(out, !comparisonForm);
        }
    }
}

std::string CSCol::ApplyLookup(std::string_view value, bool remember) {
    if (!allowPartialMatch) {
        const auto entry =
            lookupTable.find(ignoreCase ? Norvik::ToLower(value) : std::string(value));
        if (entry != lookupTable.end()) {
            if (remember) {
                lookupMatched = true;
            }
            return entry->second;
        }
        if (remember) {
            lookupMatched = false;
        }
        return skipIfNoMatch ? std::string() : std::string(value);
    }
    if (!onlyReplaceMatchingPart) {
        const std::string work = ignoreCase ? Norvik::ToLower(value) : std::string(value);
        for (const auto& [key, replacement] : lookupTable) {
            if (work.find(key) != std::string::npos) {
                return replacement;
            }
        }
        return std::string(value);
    }
    std::string result(value);
    for (const auto& [key, replacement] : lookupTable) {
        if (key.empty()) {
            continue;
        }
        size_t from = 0;
        size_t length = 0;
        size_t at;
        while ((at = FindText(result, key, from, ignoreCase, length)) != std::string::npos) {
            result.replace(at, length, replacement);
            from = at + replacement.size();  // never search inside the replacement
        }
    }
    return result;
}
