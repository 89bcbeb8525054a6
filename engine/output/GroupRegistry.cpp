#include "GroupRegistry.h"

#include <algorithm>
#include <set>

#include "XMLNode.h"
#include "sources/ColumnMap.h"
#include "sources/DVDataSource.h"

void RowSnapshot::Add(int32_t index, std::string display, std::string comparison) {
    const auto at = std::lower_bound(values_.begin(), values_.end(), index,
                                     [](const Value& v, int32_t i) { return v.index < i; });
    if (at != values_.end() && at->index == index) {
        return;
    }
    values_.insert(at, Value{index, std::move(display), std::move(comparison)});
}

const RowSnapshot::Value* RowSnapshot::Find(int32_t index) const {
    const auto at = std::lower_bound(values_.begin(), values_.end(), index,
                                     [](const Value& v, int32_t i) { return v.index < i; });
    return (at != values_.end() && at->index == index) ? &*at : nullptr;
}

void GroupRegistry::Register(const XMLNode& node) {
    groups_.emplace(&node, Snapshots());
}

const GroupRegistry::Snapshots* GroupRegistry::Find(const XMLNode& node) const {
    const auto it = groups_.find(&node);
    return it == groups_.end() ? nullptr : &it->second;
}

namespace {

void CollectSources(const XMLNode& node, const ColumnMap& columns, std::set<int32_t>& indexes) {
    if (node.GetSource() != 0) {
        const int32_t index = columns.IndexOf(node.GetSource());
        if (index >= 0) {
            indexes.insert(index);
        }
    }
    for (const auto& child : node.Children()) {
        CollectSources(*child, columns, indexes);
    }
}

}  // namespace

void GroupRegistry::Collect(DVDataSource& source, const ColumnMap& columns) {
    struct Plan {
        Snapshots* snapshots;
        std::vector<int32_t> indexes;
    };
    std::vector<Plan> plans;
    for (auto& [node, snapshots] : groups_) {
        std::set<int32_t> indexes;
        const int32_t group = columns.IndexOf(node->GetGroup());
        if (group >= 0) {
            indexes.insert(group);
        }
        CollectSources(*node, columns, indexes);
        plans.push_back(Plan{&snapshots, std::vector<int32_t>(indexes.begin(), indexes.end())});
    }
    const std::vector<CSCol>& sourceColumns = source.Columns();
    while (source.NextRow()) {
        for (Plan& plan : plans) {
            RowSnapshot snapshot;
            for (int32_t index : plan.indexes) {
                const bool isDate = static_cast<size_t>(index) < sourceColumns.size() &&
                                    sourceColumns[static_cast<size_t>(index)].dataType ==
                                        DataTypeProperties::kDateTime;
                snapshot.Add(index, source.GetColumnValue(index, false),
                             isDate ? source.GetColumnValue(index, true) : std::string());
            }
            plan.snapshots->push_back(std::move(snapshot));
        }
    }
}

void CGroupFinder::Visit(XMLNode& node) {
    if (node.GetGroup() != 0) {
        registry_.Register(node);
    }
    for (const auto& child : node.Children()) {
        Visit(*child);
    }
}
