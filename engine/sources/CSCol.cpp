#include "CSCol.h"

#include "ColumnIdCounter.h"

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
    return Norvik::EqualsIgnoreCase(name, otherName);
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
