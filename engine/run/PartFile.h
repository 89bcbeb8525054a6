#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/Status.h"
#include "output/OutputDocument.h"

// The file one part of a partitioned run writes, and the merge reads: a
// header of kHeaderBytes text lines ("key value"), the part's output bytes,
// then where each of its rows' output begins (LEB128 deltas), so that a
// validation error found by the merge names the source row.
//
// The header carries what the merge checks before it writes anything: the
// format version, the fingerprint of the definition and source, the part's
// place (index of parts), its rows, byte counts, whether it holds the
// document's head, the output encoding and a checksum of everything after
// the header. A part with no rows holds no bytes.
struct PartHeader {
    static constexpr int32_t kVersion = 2;
    static constexpr size_t kHeaderBytes = 512;

    uint64_t fingerprint = 0;
    int32_t index = 0;
    int32_t parts = 0;
    int64_t rows = 0;
    int64_t bytes = 0;
    int64_t markBytes = 0;
    bool head = false;
    // -1: the bytes are rows of the one document (the part that ends the
    // document also holds its footer). Else a run with a document per row or
    // value, whose documents the part wrote itself: the bytes list their
    // names, a line each, and each name is marked as the rows are.
    int64_t documents = -1;
    std::string encoding;
    uint64_t checksum = 0;

    std::string Text() const;
    // The marks the bytes carry: one per row, or one per document.
    int64_t Marks() const noexcept { return documents >= 0 ? documents : rows; }
    // False for text that is no header of this version.
    bool Parse(std::string_view text);
};

// A checksum of a stream of bytes, whatever chunks they come in; 8 bytes at
// a time, so a part of gigabytes is hashed at memory speed.
class PartChecksum {
public:
    void Add(std::string_view bytes);
    uint64_t Value() const;

private:
    void Mix(uint64_t word) noexcept;

    uint64_t state_ = 0xcbf29ce484222325ULL;
    uint64_t length_ = 0;
    unsigned char tail_[8] = {};
    size_t tailSize_ = 0;
};

// Writes a part file beside its final name and renames it into place on
// Commit, so that a failed or killed part never leaves a file a merge could
// take for whole. Throws Norvik::PlatformError when the file cannot be made
// or written.
class PartFileWriter {
public:
    explicit PartFileWriter(std::string path);
    // Removes the temporary file unless committed.
    ~PartFileWriter();
    PartFileWriter(const PartFileWriter&) = delete;
    PartFileWriter& operator=(const PartFileWriter&) = delete;

    // Output bytes, and the rows that begin in them (offsets within bytes).
    void Write(const OutputDocument::Piece& piece);
    int64_t Rows() const noexcept { return rows_; }
    // Completes the header (rows, byte counts, checksum) and renames.
    void Commit(PartHeader header);

private:
    void WriteAll(std::string_view bytes, int64_t at);

    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    int64_t bytes_ = 0;
    int64_t rows_ = 0;
    int64_t lastMark_ = 0;
    std::string marks_;
    PartChecksum checksum_;
};

// Reads a part file: its header at Open, then its bytes in chunks with the
// rows that begin in each. Failures are kParts with the file named.
class PartFileReader {
public:
    PartFileReader() = default;
    ~PartFileReader();
    PartFileReader(const PartFileReader&) = delete;
    PartFileReader& operator=(const PartFileReader&) = delete;

    Status Open(const std::string& path);
    const PartHeader& Header() const noexcept { return header_; }
    const std::string& Path() const noexcept { return path_; }
    // The next chunk of the bytes into piece (rows numbered from 1 within
    // the part); more is false after the last. A checksum that does not
    // match fails the last chunk.
    Status Next(OutputDocument::Piece& piece, bool& more);

    static constexpr size_t kChunkBytes = size_t{4} << 20;

private:
    Status Damaged(const std::string& why) const;

    std::string path_;
    int fd_ = -1;
    PartHeader header_;
    int64_t read_ = 0;
    std::string marks_;
    size_t markAt_ = 0;
    int64_t nextMark_ = -1;  // offset of the next row's output; -1 after the last
    int64_t markedRows_ = 0;
    PartChecksum checksum_;
};
