#include "DelimitedTextFileDataSource.h"

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

std::string DelimitedTextFileDataSource::ChooseDelimiter(Norvik::CTextFile& file) {
    static constexpr std::array<char, 6> kCandidates = {',', '\t', ';', ' ', '~', '|'};
    std::array<std::array<size_t, 6>, 4> counts{};
    size_t lines = 0;
    std::string_view line;
    while (lines < counts.size() && file.ReadLine(line) == Norvik::CTextFile::LineStatus::kLine) {
        for (size_t c = 0; c < kCandidates.size(); ++c) {
            for (char ch : line) {
                counts[lines][c] += ch == kCandidates[c] ? 1 : 0;
            }
        }
        ++lines;
    }
    file.Seek(0);
    if (lines == 1) {
        return ",";
    }
    if (lines < 2) {
        return {};
    }
    for (size_t c = 0; c < kCandidates.size(); ++c) {
        bool same = counts[0][c] > 0;
        for (size_t l = 1; l < lines && same; ++l) {
            same = counts[l][c] == counts[0][c];
        }
        if (same) {
            return std::string(1, kCandidates[c]);
        }
    }
    return {};
}

bool DelimitedTextFileDataSource::ReadHeader(DVFile& definition) {
    if (definition.Columns().empty() && definition.Settings().delimiter == ",") {
        const std::string chosen = ChooseDelimiter(*file_);
        if (!chosen.empty()) {
            definition.StoreDelimiter(chosen);
        }
    }
    std::string_view line;
    if (!ReadNextLine(line)) {
        return false;
    }
    const std::string first(line);  // the next read reuses the line buffer
    const DVFileSettings& settings = definition.Settings();
    splitter_ = DelimitedFieldSplitter(settings.delimiter, settings.treatconsecutivedelimsasone,
                                       trimSpace_);
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
        file_->Seek(0);  // the first line is data
    }
    return true;
}

bool DelimitedTextFileDataSource::ReadRecord() {
    std::string_view line;
    if (!ReadNextLine(line)) {
        return false;
    }
    BeginRecord();
    splitter_.Split(line, record_.data(), record_.size());
    if (removeQuotes_) {
        for (size_t i = 0; i < record_.size(); ++i) {
            record_[i] = RemoveQuotes(record_[i], fieldStorage_[i]);
        }
    }
    return true;
}
