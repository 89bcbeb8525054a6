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
    // would give them. With followQuotes, whether the line ends inside a
    // quoted field, as StartRecord says (ContinueRecord may follow).
    bool Split(std::string_view line, std::string_view* fields, size_t count,
               bool followQuotes = false);

    // Records that run on across lines: StartRecord says whether text, the
    // first line of a record, ends inside a quoted field (one whose closing
    // quote is yet to come); ContinueRecord says the same once the record's
    // next line, given alone, is added.
    bool StartRecord(std::string_view text);
    bool ContinueRecord(std::string_view text);

    const std::string& Delimiters() const noexcept { return delimiters_; }

private:
    // Where a record read so far stands.
    enum class RecordAt { kFieldStart, kPlainField, kQuotedField };

    bool IsDelimiterAt(size_t pos, size_t& length) const {
        return IsDelimiterIn(line_, pos, length);
    }
    bool IsDelimiterIn(std::string_view text, size_t pos, size_t& length) const;
    // The next delimiter in text from pos (its length in length), or npos.
    size_t FindDelimiter(std::string_view text, size_t pos, size_t& length) const;
    // StartRecord and ContinueRecord for several or wide delimiters.
    bool FollowQuotes(std::string_view text);
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
    RecordAt recordAt_ = RecordAt::kFieldStart;
    bool inQuotes_ = false;
};
