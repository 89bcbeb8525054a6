#include "TextFileDataSource.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "NumberFormat.h"
#include "dataaccess/PlatformError.h"
#include "dataaccess/TextUtil.h"
#include "definition/DVFile.h"
#include "definition/ResultCode.h"

namespace {

void AppendKeyPart(std::string& key, std::string_view part) {
    const auto length = static_cast<uint32_t>(part.size());
    key.append(reinterpret_cast<const char*>(&length), sizeof length);
    key.append(part);
}

std::string_view KeyPart(std::string_view key, size_t& pos) {
    uint32_t length = 0;
    std::memcpy(&length, key.data() + pos, sizeof length);
    pos += sizeof length;
    const std::string_view part = key.substr(pos, length);
    pos += length;
    return part;
}

// Negative when a sorts before b.
int CompareKeys(std::string_view a, std::string_view b, const std::vector<int32_t>& kinds,
                const std::vector<SortEntry>& entries) {
    size_t pa = 0;
    size_t pb = 0;
    for (size_t i = 0; i < kinds.size(); ++i) {
        const std::string_view x = KeyPart(a, pa);
        const std::string_view y = KeyPart(b, pb);
        int order = 0;
        if (kinds[i] == DataTypeProperties::kNumber) {
            double u = 0.0;
            double v = 0.0;
            std::memcpy(&u, x.data(), sizeof u);
            std::memcpy(&v, y.data(), sizeof v);
            order = u < v ? -1 : (u > v ? 1 : 0);
        } else {
            const Norvik::Utf16OrderLess less;
            order = less(x, y) ? -1 : (less(y, x) ? 1 : 0);
        }
        if (order != 0) {
            return entries[i].descending ? -order : order;
        }
    }
    return 0;
}

}  // namespace

TextFileDataSource::~TextFileDataSource() = default;

std::string TextFileDataSource::GeneratedName(size_t position) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "col%03zu", position + 1);
    return buffer;
}

std::string_view TextFileDataSource::RemoveQuotes(std::string_view text, std::string& storage) {
    if (text.empty() || (text.front() != '"' && text.front() != '\'')) {
        return text;
    }
    const char opening = text.front();
    text.remove_prefix(1);
    if (text.empty() || (text.back() != '"' && text.back() != '\'')) {
        return text;
    }
    const char closing = text.back();
    text.remove_suffix(1);
    if (opening != '"' || closing != '"' || text.find("\"\"") == std::string_view::npos) {
        return text;
    }
    storage.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        storage += text[i];
        if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            ++i;
        }
    }
    return storage;
}

bool TextFileDataSource::IsGeneratedStyleName(std::string_view name) {
    return name.substr(0, 3) == "col";
}

int32_t TextFileDataSource::Validate(const DVFile& definition) {
    return definition.Settings().sourcefilename.empty() ? kNoSourceFile : kSuccess;
}

std::string TextFileDataSource::GetSourceColumnName(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= headerNames_.size()) {
        return {};
    }
    return headerNames_[static_cast<size_t>(index)];
}

std::string_view TextFileDataSource::GetRawValue(int32_t index) {
    if (index < 0 || static_cast<size_t>(index) >= record_.size()) {
        return {};
    }
    return record_[static_cast<size_t>(index)];
}

void TextFileDataSource::SetRecordSize(size_t count) {
    record_.assign(count, std::string_view());
    fieldStorage_.resize(count);
}

int32_t TextFileDataSource::Open(DVFile& definition, int32_t) {
    Close();
    ClearError();
    const DVFileSettings& settings = definition.Settings();
    trimSpace_ = settings.trimspace;
    removeQuotes_ = settings.removequotes;
    path_ = settings.sourcefilename;
    file_ = std::make_unique<Norvik::CTextFile>();
    if (!file_->Open(path_, true)) {
        SetError(Norvik::ErrnoText(file_->Error()));
        file_.reset();
        return kSourceFileOpen;
    }
    if (!ReadHeader(definition)) {
        Close();
        return kNoColumns;
    }
    SyncColumns(definition);
    LoadSettings(definition);
    if (HasError()) {
        Close();
        return kSourceFileOpen;  // the sort index could not read the file
    }
    return kSuccess;
}

void TextFileDataSource::Close() {
    file_.reset();
    headerNames_.clear();
    record_.clear();
    fieldStorage_.clear();
    sortIndex_.clear();
    sortCursor_ = 0;
}

bool TextFileDataSource::ReadNextLine(std::string_view& line) {
    if (!file_) {
        return false;
    }
    switch (file_->ReadLine(line, kMaxLineChars)) {
        case Norvik::CTextFile::LineStatus::kLine:
            return true;
        case Norvik::CTextFile::LineStatus::kEnd:
            return false;
        case Norvik::CTextFile::LineStatus::kTooLong: {
            const int64_t number = file_->LineNumber();
            SetError((number > 0 ? "Line " + std::to_string(number) : std::string("A line")) +
                     " of " + path_ + " is longer than " + std::to_string(kMaxLineChars) +
                     " characters");
            return false;
        }
        case Norvik::CTextFile::LineStatus::kReadError:
            SetError("Reading " + path_ + ": " + Norvik::ErrnoText(file_->Error()));
            return false;
    }
    return false;
}

bool TextFileDataSource::NextRow() {
    if (!file_ || HasError() || IsAfterLastRow()) {
        return false;
    }
    do {
        if (!sortIndex_.empty()) {
            if (sortCursor_ >= sortIndex_.size()) {
                return false;
            }
            file_->Seek(sortIndex_[sortCursor_++].position);
        }
        if (!ReadRecord()) {
            return false;
        }
        if (AcceptRow()) {
            return true;
        }
    } while (!IsAfterLastRow());
    return false;
}

void TextFileDataSource::PrepareSort(DVFile& definition) {
    sortIndex_.clear();
    sortCursor_ = 0;
    if (!HasSort() || !file_) {
        return;
    }
    std::vector<SortEntry>& entries = MutableSortEntries();
    sortKinds_.clear();
    for (SortEntry& entry : entries) {
        entry.columnIndex = definition.ColumnIndexById(entry.columnId);
        const bool known =
            entry.columnIndex >= 0 && static_cast<size_t>(entry.columnIndex) < Columns().size();
        sortKinds_.push_back(known ? Columns()[static_cast<size_t>(entry.columnIndex)].dataType
                                   : DataTypeProperties::kText);
    }
    // The index covers every record from the first data line.
    file_->Seek(0);
    if (definition.Settings().firstrowhascolnames) {
        ReadRecord();
    }
    int64_t position = file_->Tell();
    std::string key;
    while (ReadRecord()) {
        key.clear();
        for (size_t i = 0; i < entries.size(); ++i) {
            const std::string value = GetColumnValue(entries[i].columnIndex, true);
            if (sortKinds_[i] == DataTypeProperties::kNumber) {
                // The comparison form is padded text; its value orders
                // negatives and numbers wider than the padding correctly.
                const double number = ComparisonNumberValue(value);
                AppendKeyPart(
                    key, std::string_view(reinterpret_cast<const char*>(&number), sizeof number));
            } else if (sortKinds_[i] == DataTypeProperties::kDateTime) {
                AppendKeyPart(key, value);
            } else {
                AppendKeyPart(key, Norvik::ToLower(value));
            }
        }
        sortIndex_.push_back(SortRecord{key, position});
        position = file_->Tell();
    }
    std::stable_sort(sortIndex_.begin(), sortIndex_.end(),
                     [this, &entries](const SortRecord& a, const SortRecord& b) {
                         return CompareKeys(a.key, b.key, sortKinds_, entries) < 0;
                     });
    ResetRowCounter();
    sortCursor_ = 0;
}
