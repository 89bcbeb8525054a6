#pragma once

#include "DelimitedFieldSplitter.h"
#include "TextFileDataSource.h"

// Rows of a text file whose fields are separated by delimiter characters.
class DelimitedTextFileDataSource : public TextFileDataSource {
public:
    using TextFileDataSource::TextFileDataSource;

    int32_t Validate(const DVFile& definition) override;
    bool ReadHeader(DVFile& definition) override;
    bool ReadRecord() override;
    // Quoted fields decide where records end only when their delimiters
    // are plain ASCII.
    bool CanReadRanges() const override;
    const DelimitedFieldSplitter* QuotedRecords() const override {
        return quotedLineBreaks_ ? &splitter_ : nullptr;
    }

    // The delimiter that occurs equally often (and at all) on each of the
    // first records (up to four), from , TAB ; SPACE ~ |; empty when none
    // does or there is only one. With quotedLineBreaks a record runs on while
    // it holds an odd number of quotes. The file position returns to the
    // start.
    static std::string ChooseDelimiter(Norvik::CTextFile& file, bool quotedLineBreaks = false);

private:
    // The text of the next record: one line, or with quoted line breaks as
    // many as its quoted fields span, line breaks included. False at the end
    // or after an error (set).
    bool ReadRecordText(std::string_view& text);
    // Adds the lines of a record whose quoted field the line read last left
    // open, until it closes.
    bool ContinueRecord(std::string_view& text);

    DelimitedFieldSplitter splitter_;
    bool quotedLineBreaks_ = false;
    std::string recordText_;  // a record of several lines
};
