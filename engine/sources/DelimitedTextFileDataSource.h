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

    // The delimiter that occurs equally often (and at all) on each of the
    // first lines (up to four), from , TAB ; SPACE ~ |; empty when none does
    // or there is only one line. The file position returns to the start.
    static std::string ChooseDelimiter(Norvik::CTextFile& file);

private:
    DelimitedFieldSplitter splitter_;
};
