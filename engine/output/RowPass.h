#pragma once

#include <cstdint>
#include <string>

#include "base/Status.h"

class DVDataSourceRow;
class DVFile;
class NodeTreeWriter;
class OutputDocument;

// The pass of one run over its accepted rows, turning them into documents.
// Each row goes into the open document; a document starts (head, document
// element) with the first row and with the first row after one finished,
// and finishes (footer pass, end, XSL step) when every row has a file of its
// own, when the chosen column shows another value than the row before
// (ignoring case), and at the end of the run.
class RowPass {
public:
    RowPass(const DVFile& definition, OutputDocument& output, NodeTreeWriter& nodes);

    // Writes the row with the given number (for {ROW} and for naming the row
    // of a validation failure). Fails when a document cannot be started;
    // failures while writing throw, as OutputDocument's do.
    Status Write(DVDataSourceRow& row, int32_t rowNumber);
    // The same in two steps, for a run in parts. Begins says whether row
    // begins a document (the run's first row, every row with a file of its
    // own, a row showing a new value) and remembers its value: once per row.
    bool Begins(DVDataSourceRow& row);
    Status Write(DVDataSourceRow& row, int32_t rowNumber, bool begins);
    // A row another part writes: nothing is written, but a document it
    // begins takes its name, so that the names after it count on.
    void PassOver(DVDataSourceRow& row, bool begins);
    // Finishes the open document, if any, with row as the current row.
    void Finish(DVDataSourceRow& row);
    // Whether every row goes into the one document the first row starts.
    bool WritesOneDocument() const noexcept { return split_ == Split::kAtTheEnd; }
    NodeTreeWriter& Nodes() const noexcept { return nodes_; }
    // Rows up to rowNumber went into the open document by other writers.
    void WrittenApart(int32_t rowNumber);

private:
    // When a document ends before a row.
    enum class Split { kAtTheEnd, kEveryRow, kOnNewValue };
    // Whether the chosen column shows a new value in row (remembered).
    bool ValueChanged(DVDataSourceRow& row);
    Status StartDocument(DVDataSourceRow& row);

    const DVFile& definition_;
    OutputDocument& output_;
    NodeTreeWriter& nodes_;
    Split split_ = Split::kAtTheEnd;
    int32_t valueColumn_ = -1;  // the column whose value starts files; -1 for none
    std::string lastValue_;     // its value in the row before
    bool firstOfDocument_ = true;
    bool begun_ = false;  // a row has begun the run's first document
};
