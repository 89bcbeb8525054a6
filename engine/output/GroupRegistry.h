#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/IXMLNodeVisitor.h"
#include "sort/ExternalSorter.h"
#include "sources/DVGroupRows.h"

class ColumnMap;
class DVDataSource;
class XMLNode;

// The rows of the whole source as a grouped node's subtree reads them: for
// each row the values (display form, and the comparison form of date-time
// columns) of the group column and of every column a node of the subtree
// takes its value from. Rows are kept ordered by group value (source order
// within a value), so a group element reads only its own rows; past the
// memory budget they go to a temporary file.
class GroupSnapshots {
public:
    GroupSnapshots();
    ~GroupSnapshots();
    GroupSnapshots(GroupSnapshots&&) noexcept;
    GroupSnapshots& operator=(GroupSnapshots&&) noexcept;

    void SetColumns(std::vector<int32_t> indexes, std::vector<bool> comparison, int32_t groupIndex);
    // Rows will be added: up to budgetBytes stay in memory.
    void Prepare(size_t budgetBytes);
    void AddRow(DVDataSource& source);
    // After the last row: orders the rows for Find.
    void Finish();

    // The rows whose group value is value, in source order.
    Norvik::ExternalSorter::Reader Find(std::string_view value) const;
    bool Empty() const noexcept { return !sorter_; }
    int32_t GroupIndex() const noexcept { return groupIndex_; }
    // The columns a row keeps, ascending.
    const std::vector<int32_t>& Columns() const noexcept { return indexes_; }
    // A column's value in one row Find read; nothing when the snapshots do
    // not keep the column.
    std::optional<std::string_view> Value(std::string_view row, int32_t index,
                                          bool comparison) const;

private:
    std::vector<int32_t> indexes_;        // ascending column positions
    std::vector<size_t> comparisonSlot_;  // per column: its comparison slot, or 0 for none
    size_t slots_ = 0;
    int32_t groupIndex_ = -1;
    std::unique_ptr<Norvik::ExternalSorter> sorter_;
    std::string packed_;  // the row being added
};

// Every grouped node with the snapshots of every source row, collected before
// the first document is written.
class GroupRegistry {
public:
    void Register(const XMLNode& node);
    size_t Count() const noexcept { return groups_.size(); }

    // Reads every row the source yields into the snapshots of every grouped
    // node, within budgetBytes of memory together. False when keepGoing
    // (asked now and then) said to stop. A source that can hand out the
    // rows of each group itself is not read: it is left where it stands.
    bool Collect(DVDataSource& source, const ColumnMap& columns, size_t budgetBytes,
                 const std::function<bool()>& keepGoing = {});
    // The columns the rows of node's groups read (ascending); null for a
    // node not registered.
    const std::vector<int32_t>* ColumnsOf(const XMLNode& node) const;
    // Whether Collect left the rows to the source.
    bool ServedBySource() const noexcept { return source_ != nullptr; }

    // The rows of node's group element for value, while the source's
    // current row shows that value.
    std::unique_ptr<DVGroupRows> OpenGroup(const XMLNode& node, std::string value) const;

private:
    // Whether the source can serve every group: one group column for all,
    // and no group inside another (whose rows the source would have to
    // read while reading a group's).
    bool ServeFromSource(DVDataSource& source);

    std::map<const XMLNode*, GroupSnapshots> groups_;
    DVDataSource* source_ = nullptr;
};

// Registers every grouped node of a tree (depth first).
class CGroupFinder : public IXMLNodeVisitor {
public:
    explicit CGroupFinder(GroupRegistry& registry) : registry_(registry) {}
    void Visit(XMLNode& node) override;

private:
    GroupRegistry& registry_;
};
