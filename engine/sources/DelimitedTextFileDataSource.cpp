#include "DelimitedTextFileDataSource.h"

#include <algorithm>
#include <array>

#include "base/ResultCode.h"
#include "base/TextUtil.h"
#include "model/DVFile.h"

int32_t DelimitedTextFileDataSource::Validate(const DVFile& definition) {
    const int32_t code = TextFileDataSource::Validate(definition);
    if (code != kSuccess) {
        return code;
    }
    return definition.Settings().delimiter.empty() ? kNoDelimiter : kSuccess;
}

namespace {

constexpr std::array<char, 6> kCandidates = {',', '\t', ';', ' ', '~', '|'};

// The next record for the delimiter choice: a line, joined to the lines
// after it while it holds an odd number of quotes (the delimiter, which
// decides where quoted fields start, is not known yet). False at the end.
bool ReadSampleRecord(Norvik::CTextFile& file, bool quotedLineBreaks, std::string& record) {
    std::string_view line;
    if (file.ReadLine(line) != Norvik::CTextFile::LineStatus::kLine) {
        return false;
    }
    record.assign(line);
    auto oddQuotes = [&record] { return std::count(record.begin(), record.end(), '"') % 2 != 0; };
    while (quotedLineBreaks && oddQuotes() && record.size() < TextFileDataSource::kMaxRecordBytes) {
        record += file.LineEnd();
        file.SetKeepEmptyLines(true);
        const bool more = file.ReadLine(line) == Norvik::CTextFile::LineStatus::kLine;
        file.SetKeepEmptyLines(false);
        if (!more) {
            break;
        }
        record += line;
    }
    return true;
}

}  // namespace

std::string DelimitedTextFileDataSource::ChooseDelimiter(Norvik::CTextFile& file,
                                                         bool quotedLineBreaks) {
    std::array<std::array<size_t, 6>, 4> counts{};
    size_t records = 0;
    std::string record;
    while (records < counts.size() && ReadSampleRecord(file, quotedLineBreaks, record)) {
        for (size_t c = 0; c < kCandidates.size(); ++c) {
            counts[records][c] =
                static_cast<size_t>(std::count(record.begin(), record.end(), kCandidates[c]));
        }
        ++records;
    }
    file.Seek(0);
    if (records == 1) {
        return ",";
    }
    if (records < 2) {
        return {};
    }
    for (size_t c = 0; c < kCandidates.size(); ++c) {
        bool same = counts[0][c] > 0;
        for (size_t l = 1; l < records && same; ++l) {
            same = counts[l][c] == counts[0][c];
        }
        if (same) {
            return std::string(1, kCandidates[c]);
        }
    }
    return {};
}

bool DelimitedTextFileDataSource::ReadHeader(DVFile& definition) {
    const DVFileSettings& settings = definition.Settings();
    quotedLineBreaks_ = settings.quotedlinebreaks && settings.removequotes;
    if (definition.Columns().empty() && settings.delimiter == ",") {
        const std::string chosen = ChooseDelimiter(*file_, quotedLineBreaks_);
        if (!chosen.empty()) {
            definition.StoreDelimiter(chosen);
        }
    }
    splitter_ = DelimitedFieldSplitter(settings.delimiter, settings.treatconsecutivedelimsasone,
                                       trimSpace_);
    std::string_view line;
    if (!ReadRecordText(line)) {
        return false;
    }
    const std::string first(line);  // the next read reuses the line buffer
    headerNames_.clear();
    record_.clear();

    DelimitedFieldSplitter names(settings.delimiter, settings.treatconsecutivedelimsasone, true);
    names.Start(first);
    std::string_view field;
    std::string storage;
    while (names.Next(field)) {
        const size_t position = headerNames_.size();
        std::string name;
        if (settings.firstrowhascolnames) {
            name = Norvik::Trim(RemoveQuotes(field, storage));
        } else if (position < definition.Columns().size()) {
            const std::string& existing = definition.Columns()[position].name;
            if (!existing.empty() && !IsGeneratedStyleName(existing)) {
                name = existing;
            }
        }
        headerNames_.push_back(name.empty() ? GeneratedName(position) : name);
    }
    SetRecordSize(headerNames_.size());
    if (!settings.firstrowhascolnames) {
        file_->Seek(0);  // the first record is data
    }
    return true;
}

bool DelimitedTextFileDataSource::CanReadRanges() const {
    if (!TextFileDataSource::CanReadRanges()) {
        return false;
    }
    for (const char c : splitter_.Delimiters()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || c == '"' || c == '\r' || c == '\n') {
            return !quotedLineBreaks_;
        }
    }
    return true;
}

bool DelimitedTextFileDataSource::ReadRecord() {
    std::string_view line;
    if (!ReadNextLine(line)) {
        return false;
    }
    BeginRecord();
    if (splitter_.Split(line, record_.data(), record_.size(), quotedLineBreaks_)) {
        // A quoted field runs on: the fields come from the whole record.
        if (!ContinueRecord(line)) {
            return false;
        }
        splitter_.Split(line, record_.data(), record_.size());
    }
    if (removeQuotes_) {
        for (size_t i = 0; i < record_.size(); ++i) {
            record_[i] = RemoveQuotes(record_[i], fieldStorage_[i]);
        }
    }
    return true;
}

bool DelimitedTextFileDataSource::ReadRecordText(std::string_view& text) {
    return ReadNextLine(text) &&
           (!quotedLineBreaks_ || !splitter_.StartRecord(text) || ContinueRecord(text));
}

bool DelimitedTextFileDataSource::ContinueRecord(std::string_view& text) {
    const int64_t opened = file_->LineNumber();
    const std::string where = opened > 0 ? " on line " + std::to_string(opened) : std::string();
    recordText_.assign(text);
    recordText_ += file_->LineEnd();
    // Inside the field every line counts, an empty one too.
    file_->SetKeepEmptyLines(true);
    bool open = true;
    while (open) {
        std::string_view line;
        const Norvik::CTextFile::LineStatus status = file_->ReadLine(line, kMaxLineChars);
        if (status == Norvik::CTextFile::LineStatus::kEnd) {
            FailRecord("The quoted field that opens" + where + " is never closed");
            break;
        }
        if (!LineRead(status)) {
            break;
        }
        if (recordText_.size() + line.size() > kMaxRecordBytes) {
            FailRecord("The record that starts" + where + " is longer than " +
                       std::to_string(kMaxRecordBytes >> 20) + " MB");
            break;
        }
        recordText_ += line;
        open = splitter_.ContinueRecord(line);
        if (open) {
            recordText_ += file_->LineEnd();
        }
    }
    file_->SetKeepEmptyLines(false);
    text = recordText_;
    return !HasError();
}
