#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DelimitedFieldSplitter.h"

// Cuts a text file into ranges of whole records, for readers of their own
// that read the ranges at once: from a record's start on, each range ends
// where a line ends outside a quoted field (every line end when records are
// lines), at least about a given size after its start, or at the end of the
// file. Counts the lines before each range, for messages that name lines.
//
// Line ends are LF bytes, as in UTF-8 and single-byte encodings. Lines that
// start a record, and empty lines outside records, are what the reader of
// the records skips and follows, as DelimitedFieldSplitter decides.
class RecordCutter {
public:
    struct Range {
        int64_t begin = 0;
        int64_t end = 0;          // kToTheEnd: the rest of the file
        int64_t linesBefore = 0;  // kLinesNotCounted: see CountLines
    };
    static constexpr int64_t kToTheEnd = INT64_MAX;
    static constexpr int64_t kLinesNotCounted = -1;

    // quotes: how records run on past a line end (copied), or null when
    // every line is a record. The path must name a seekable file. When
    // every line is a record and lines need not be counted, the cutter
    // reads only around each cut (a range's lines then go uncounted after
    // the first).
    RecordCutter(const std::string& path, int64_t begin, int64_t linesBefore,
                 const DelimitedFieldSplitter* quotes, size_t rangeBytes, bool countLines = true);

    // The lines (LF bytes) of the file at path before position; -1 when it
    // cannot be read. What a range whose lines went uncounted costs, once,
    // when a message must name a line.
    static int64_t CountLines(const std::string& path, int64_t position);
    ~RecordCutter();
    RecordCutter(const RecordCutter&) = delete;
    RecordCutter& operator=(const RecordCutter&) = delete;

    // The next range; false at the end of the file, or when the file cannot
    // be read (Error() then holds the errno).
    bool Next(Range& range);
    int Error() const noexcept { return error_; }

    // Tests: the range size every cutter uses (0 restores the callers').
    static void SetRangeBytesForTesting(size_t bytes);

private:
    // More of the file into the buffer, dropping what lies before the line
    // being looked at; false at the end of the file or on an error.
    bool Read();
    // Moves past the next whole line in the buffer, following it for quoted
    // fields; false when the buffer holds no more whole line.
    bool StepLine();
    // Follows one whole line (without its LF) for quoted fields.
    void FollowLine(const char* begin, const char* end);
    // Next without counting lines: the first line end at or after the
    // target is found by reading from there.
    bool NextByJumping(Range& range);

    int fd_ = -1;
    int error_ = 0;
    bool quoted_ = false;
    DelimitedFieldSplitter splitter_;
    bool inRecord_ = false;  // the last line ended inside a quoted field
    size_t rangeBytes_;
    std::vector<char> buffer_;
    size_t length_ = 0;        // bytes in the buffer
    size_t lineStart_ = 0;     // where the line being looked at starts
    size_t searched_ = 0;      // how far its end has been looked for
    bool overlong_ = false;    // that line is longer than any reader takes
    int64_t bufferStart_ = 0;  // the file position of buffer_[0]
    int64_t position_ = 0;     // where the next range begins
    int64_t lines_ = 0;        // lines before the one being looked at
    int64_t linesAtPosition_ = 0;
    bool finished_ = false;
    bool jumps_ = false;  // cuts by reading around them only
};
