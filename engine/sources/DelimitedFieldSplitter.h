#pragma once

#include <array>
#include <string>
#include <string_view>

// Splits one line of a delimited file into fields, one call per field.
//
// Every character of the delimiter text is a delimiter. A field that starts
// (after white space) with a double quote is quoted: delimiters between
// quotes do not end it, and its quotes stay in the field text. With merge
// set, a run of delimiters counts as one. With trim set, white space around
// the field goes. "a,,b" gives a, (empty), b; "a,b," gives a and b with no
// empty last field. An empty delimiter text makes the whole line one field.
class DelimitedFieldSplitter {
public:
    explicit DelimitedFieldSplitter(std::string_view delimiters = ",", bool merge = false,
                                    bool trim = true);

    void Start(std::string_view line);
    // False when the line has no more fields.
    bool Next(std::string_view& field);
    // The first count fields of line at once (missing ones empty), as Next
    // would give them.
    void Split(std::string_view line, std::string_view* fields, size_t count);

private:
    bool IsDelimiterAt(size_t pos, size_t& length) const;
    bool NextSingle(std::string_view& field);

    std::string delimiters_;
    std::array<bool, 256> asciiDelimiter_{};
    bool hasWideDelimiters_ = false;
    char single_ = 0;  // the one ASCII delimiter, when there is exactly one
    bool merge_;
    bool trim_;
    std::string_view line_;
    size_t pos_ = 0;
    bool done_ = true;
};
