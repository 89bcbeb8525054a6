#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class ColumnMap;
class DVDataSource;
class XMLNode;

// Visits nodes of a tree.
class IXMLNodeVisitor {
public:
    virtual ~IXMLNodeVisitor() = default;
    virtual void Visit(XMLNode& node) = 0;
};

// One source row as grouping keeps it: the values (display form, and the
// comparison form of date-time columns) of the columns a grouped subtree reads.
class RowSnapshot {
public:
    struct Value {
        int32_t index;
        std::string display;
        std::string comparison;
    };
    void Add(int32_t index, std::string display, std::string comparison);
    // Null when the snapshot holds no value for the column.
    const Value* Find(int32_t index) const;

private:
    std::vector<Value> values_;  // ordered by column index
};

// Every grouped node with the snapshots of every source row, collected before
// the first document is written.
class GroupRegistry {
public:
    using Snapshots = std::vector<RowSnapshot>;

    void Register(const XMLNode& node);
    size_t Count() const noexcept { return groups_.size(); }
    const Snapshots* Find(const XMLNode& node) const;

    // Reads every row the source yields and keeps, for each grouped node, the
    // values of its group column and of the source column of every node in
    // its subtree.
    void Collect(DVDataSource& source, const ColumnMap& columns);

private:
    std::map<const XMLNode*, Snapshots> groups_;
};

// Registers every grouped node of a tree (depth first).
class CGroupFinder : public IXMLNodeVisitor {
public:
    explicit CGroupFinder(GroupRegistry& registry) : registry_(registry) {}
    void Visit(XMLNode& node) override;

private:
    GroupRegistry& registry_;
};
