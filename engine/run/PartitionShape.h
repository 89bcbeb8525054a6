#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class DVDataSource;
class DVFile;

// How a definition runs in parts, read from the definition (with its
// columns) before its source is opened:
//
//   cut     what the plan cuts: byte ranges of whole records of an unsorted
//           text file; ranges of the first sort key of a sorted text file
//           (so the parts concatenate in order, and a group on that key
//           never spans two parts); windows of rows of a database query;
//   before  how a part learns what lies before its share: it looks only for
//           the document's first row (rows that stand alone, no row
//           numbers); it counts the rows the records before it give while
//           the sort index is built, reading none of them again; or it reads
//           every row before its share as the single run does, writing
//           nothing (row numbers, first and last row, last values carried
//           over, duplicate rows skipped, named documents);
//   documents  the run writes a document per row or per value: each part
//           writes its own documents, with the single run's names.
//
// Refusal says, for a message, why a definition cannot run in parts: what
// the writer remembers from row to row beyond these.
struct PartitionShape {
    enum class Cut { kBytes, kKeys, kRows };
    enum class Before { kFirstRow, kCount, kReplay };

    Cut cut = Cut::kBytes;
    Before before = Before::kFirstRow;
    bool documents = false;
    // The first sort key (cut kKeys): its column, and how its key part ends.
    int32_t keyColumn = -1;
    bool keyNumber = false;
    bool keyDescending = false;

    // Decided from the definition alone; Refusal then checks it.
    static PartitionShape Of(const DVFile& definition);
    // Why the definition (with its columns) cannot run in parts in this
    // shape; empty when it can. source: the definition's, open; null before
    // it is (what only the open source tells is then not checked).
    std::string Refusal(const DVFile& definition, const DVDataSource* source) const;
    // The bytes of a sort key that its first sort column made.
    std::string_view FirstKeyPart(std::string_view key) const;
    // Whether the records before a part's share change what it writes
    // beyond their number: acceptance that looks at the records before.
    static bool AcceptanceRemembers(const DVFile& definition);
};
