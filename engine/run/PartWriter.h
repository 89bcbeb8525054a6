#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DVRun.h"
#include "base/Status.h"

class AutoTextResolver;
class ColumnMap;
class DVFile;
class GroupRegistry;
class PartRows;
struct PartHeader;

// Writes one part of a partitioned run from the rows PartRows gives it.
//
// One document: the part file holds the output bytes of the share's rows,
// numbered on from the rows before it; the part whose share holds the
// document's first row begins with the head and that row's pass, and the
// last part ends with the footer pass (which reads the last row as the
// single run's does), so the merge only appends the parts and closes the
// document element.
//
// A document per row or value: the part writes, through the normal output
// path (validation, XSL, compression), every document a row of its share
// begins, to its end (which may lie after the share), under the name the
// single run gives it; the part file lists their names.
class PartWriter {
public:
    using ProgressCallback = DVRun::ProgressCallback;

    // definition: the run's, with the document name pattern as its target.
    PartWriter(DVFile& definition, AutoTextResolver& resolver, const ColumnMap& columns,
               PartRows& rows, const ProgressCallback& progress);

    // Reads the groups' rows first when the tree groups rows.
    Status CollectGroups(GroupRegistry& groups);
    // header: the part's place and fingerprint; the rest is filled in.
    Status WriteShare(const GroupRegistry& groups, bool last, PartHeader header,
                      const std::string& partPath);
    Status WriteDocuments(const GroupRegistry& groups, PartHeader header,
                          const std::string& partPath);

    // Rows the part wrote (so far, when it failed).
    int64_t Rows() const noexcept { return rows_; }
    // The documents WriteDocuments wrote (also when it failed part way).
    const std::vector<std::string>& DocumentNames() const noexcept { return names_; }

private:
    bool Cancelled(int64_t rows) const;

    DVFile& definition_;
    AutoTextResolver& resolver_;
    const ColumnMap& columns_;
    PartRows& partRows_;
    const ProgressCallback& progress_;
    int64_t rows_ = 0;
    std::vector<std::string> names_;
};
