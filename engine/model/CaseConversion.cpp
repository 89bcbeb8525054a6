#include "CaseConversion.h"

#include "DataTypeProperties.h"
#include "base/TextUtil.h"

std::string ConvertCase(std::string_view text, int32_t caseType) {
    switch (caseType) {
        case DataTypeProperties::kCaseUpper:
            return Norvik::ToUpper(text);
        case DataTypeProperties::kCaseLower:
            return Norvik::ToLower(text);
        case DataTypeProperties::kCaseProper:
            break;
        default:
            return std::string(text);
    }
    std::string out;
    out.reserve(text.size());
    bool afterLetter = false;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t start = pos;
        char32_t c;
        const size_t length = Norvik::DecodeUtf8(text.data() + pos, text.data() + text.size(), c);
        if (length == 0) {
            out += text[pos++];  // a malformed byte is not a letter
            afterLetter = false;
            continue;
        }
        pos += length;
        if (Norvik::IsLetter(c)) {
            Norvik::AppendUtf8(out, afterLetter ? Norvik::ToLowerChar(c) : Norvik::ToUpperChar(c));
            afterLetter = true;
        } else {
            out.append(text.substr(start, length));
            afterLetter = false;
        }
    }
    return out;
}
