#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/ChunkArena.h"

class ColumnMap;
class DVDataSource;
class XMLNode;

// Visits nodes of a tree.
class IXMLNodeVisitor {
public:
    virtual ~IXMLNodeVisitor() = default;
    virtual void Visit(XMLNode& node) = 0;
};

// The rows of the whole source as a grouped node's subtree reads them: for
// each row the values (display form, and the comparison form of date-time
// columns) of the group column and of every column a node of the subtree
// takes its value from. Rows are packed into large chunks (the slot ends,
// then the text), so a row costs its text, its offsets and one locator, and
// growing never copies what is kept.
class GroupSnapshots {
public:
    void SetColumns(std::vector<int32_t> indexes, std::vector<bool> comparison);
    void AddRow(DVDataSource& source);
    size_t RowCount() const noexcept { return rowStarts_.size(); }
    // Nothing when the snapshots do not keep the column.
    std::optional<std::string_view> Value(size_t row, int32_t index, bool comparison) const;

private:
    std::string_view Slot(size_t row, size_t slot) const;

    std::vector<int32_t> indexes_;        // ascending column positions
    std::vector<size_t> comparisonSlot_;  // per column: its comparison slot, or 0 for none
    size_t slots_ = 0;
    Norvik::ChunkArena rows_;
    std::vector<uint64_t> rowStarts_;  // locators in rows_
    std::string packed_;               // the row being added
};

// One row of the snapshots: what the design calls a row snapshot.
class RowSnapshot {
public:
    RowSnapshot(const GroupSnapshots& snapshots, size_t row) : snapshots_(&snapshots), row_(row) {}
    std::optional<std::string_view> Find(int32_t index, bool comparison = false) const {
        return snapshots_->Value(row_, index, comparison);
    }

private:
    const GroupSnapshots* snapshots_;
    size_t row_;
};

// Every grouped node with the snapshots of every source row, collected before
// the first document is written.
class GroupRegistry {
public:
    void Register(const XMLNode& node);
    size_t Count() const noexcept { return groups_.size(); }
    const GroupSnapshots* Find(const XMLNode& node) const;

    // Reads every row the source yields into the snapshots of every grouped node.
    void Collect(DVDataSource& source, const ColumnMap& columns);

private:
    std::map<const XMLNode*, GroupSnapshots> groups_;
};

// Registers every grouped node of a tree (depth first).
class CGroupFinder : public IXMLNodeVisitor {
public:
    explicit CGroupFinder(GroupRegistry& registry) : registry_(registry) {}
    void Visit(XMLNode& node) override;

private:
    GroupRegistry& registry_;
};
