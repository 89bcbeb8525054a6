#include "GroupRegistry.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "CGroupSourceRow.h"
#include "model/ColumnMap.h"
#include "model/XMLNode.h"
#include "sources/DVDataSource.h"

GroupSnapshots::GroupSnapshots() = default;
GroupSnapshots::~GroupSnapshots() = default;
GroupSnapshots::GroupSnapshots(GroupSnapshots&&) noexcept = default;
GroupSnapshots& GroupSnapshots::operator=(GroupSnapshots&&) noexcept = default;

void GroupSnapshots::SetColumns(std::vector<int32_t> indexes, std::vector<bool> comparison,
                                int32_t groupIndex) {
    indexes_ = std::move(indexes);
    comparisonSlot_.assign(indexes_.size(), 0);
    slots_ = indexes_.size();
    for (size_t i = 0; i < indexes_.size(); ++i) {
        if (i < comparison.size() && comparison[i]) {
            comparisonSlot_[i] = slots_++;
        }
    }
    groupIndex_ = groupIndex;
}

void GroupSnapshots::Prepare(size_t budgetBytes) {
    sorter_ = std::make_unique<Norvik::ExternalSorter>(budgetBytes);
}

void GroupSnapshots::AddRow(DVDataSource& source) {
    // Slot ends first (relative to the text), then the text of every slot.
    const size_t header = slots_ * sizeof(uint32_t);
    packed_.assign(header, '\0');
    size_t slot = 0;
    auto add = [&](std::string_view value) {
        packed_ += value;
        const auto end = static_cast<uint32_t>(packed_.size() - header);
        std::memcpy(packed_.data() + slot++ * sizeof end, &end, sizeof end);
    };
    for (int32_t index : indexes_) {
        add(source.DisplayValue(index));
    }
    for (size_t i = 0; i < indexes_.size(); ++i) {
        if (comparisonSlot_[i] != 0) {
            add(source.GetColumnValue(indexes_[i], true));
        }
    }
    // An unknown group column puts every row in the group of "".
    sorter_->Add(
        groupIndex_ >= 0 ? Value(packed_, groupIndex_, false).value_or("") : std::string_view(),
        packed_);
}

void GroupSnapshots::Finish() {
    if (sorter_) {
        sorter_->Finish(true);
    }
}

Norvik::ExternalSorter::Reader GroupSnapshots::Find(std::string_view value) const {
    return sorter_->ReadFrom(value);
}

std::optional<std::string_view> GroupSnapshots::Value(std::string_view row, int32_t index,
                                                      bool comparison) const {
    const auto at = std::lower_bound(indexes_.begin(), indexes_.end(), index);
    if (at == indexes_.end() || *at != index) {
        return std::nullopt;
    }
    const auto column = static_cast<size_t>(at - indexes_.begin());
    const size_t slot =
        comparison && comparisonSlot_[column] != 0 ? comparisonSlot_[column] : column;
    const size_t header = slots_ * sizeof(uint32_t);
    if (row.size() < header) {
        return std::nullopt;
    }
    uint32_t begin = 0;
    uint32_t end = 0;
    if (slot > 0) {
        std::memcpy(&begin, row.data() + (slot - 1) * sizeof begin, sizeof begin);
    }
    std::memcpy(&end, row.data() + slot * sizeof end, sizeof end);
    return row.substr(header + begin, end - begin);
}

void GroupRegistry::Register(const XMLNode& node) {
    groups_.emplace(&node, GroupSnapshots());
}

std::unique_ptr<DVGroupRows> GroupRegistry::OpenGroup(const XMLNode& node,
                                                      std::string value) const {
    static const GroupSnapshots kNone;
    const auto it = groups_.find(&node);
    const GroupSnapshots& snapshots = it == groups_.end() ? kNone : it->second;
    if (source_ && it != groups_.end()) {
        if (auto rows = source_->GroupRows(value, snapshots.Columns())) {
            return rows;
        }
    }
    return std::make_unique<CGroupSourceRow>(snapshots, std::move(value));
}

const std::vector<int32_t>* GroupRegistry::ColumnsOf(const XMLNode& node) const {
    const auto it = groups_.find(&node);
    return it == groups_.end() ? nullptr : &it->second.Columns();
}

bool GroupRegistry::ServeFromSource(DVDataSource& source) {
    int32_t groupIndex = -1;
    for (const auto& [node, snapshots] : groups_) {
        if (snapshots.GroupIndex() < 0 ||
            (groupIndex >= 0 && snapshots.GroupIndex() != groupIndex)) {
            return false;
        }
        groupIndex = snapshots.GroupIndex();
        for (const XMLNode* parent = node->GetParent(); parent; parent = parent->GetParent()) {
            if (groups_.count(parent) != 0) {
                return false;
            }
        }
    }
    if (groupIndex < 0 || !source.ServeGroupRows(groupIndex)) {
        return false;
    }
    source_ = &source;
    return true;
}

namespace {

void CollectSources(const XMLNode& node, const ColumnMap& columns, std::set<int32_t>& indexes) {
    // A group inside reads its group value from these rows too.
    for (const int32_t id : {node.GetSource(), node.GetGroup()}) {
        if (id != 0) {
            const int32_t index = columns.IndexOf(id);
            if (index >= 0) {
                indexes.insert(index);
            }
        }
    }
    for (const auto& child : node.Children()) {
        CollectSources(*child, columns, indexes);
    }
}

constexpr int kRowsBetweenChecks = 4096;

}  // namespace

bool GroupRegistry::Collect(DVDataSource& source, const ColumnMap& columns, size_t budgetBytes,
                            const std::function<bool()>& keepGoing) {
    const std::vector<CSCol>& sourceColumns = source.Columns();
    const size_t share = budgetBytes / std::max<size_t>(groups_.size(), 1);
    for (auto& [node, snapshots] : groups_) {
        std::set<int32_t> indexes;
        CollectSources(*node, columns, indexes);
        std::vector<int32_t> list(indexes.begin(), indexes.end());
        std::vector<bool> dates;
        for (int32_t index : list) {
            dates.push_back(static_cast<size_t>(index) < sourceColumns.size() &&
                            sourceColumns[static_cast<size_t>(index)].dataType ==
                                DataTypeProperties::kDateTime);
        }
        snapshots.SetColumns(std::move(list), std::move(dates), columns.IndexOf(node->GetGroup()));
    }
    if (ServeFromSource(source)) {
        return true;
    }
    for (auto& [node, snapshots] : groups_) {
        snapshots.Prepare(share);
    }
    int sinceCheck = 0;
    while (source.NextRow()) {
        for (auto& [node, snapshots] : groups_) {
            snapshots.AddRow(source);
        }
        if (++sinceCheck == kRowsBetweenChecks) {
            sinceCheck = 0;
            if (keepGoing && !keepGoing()) {
                return false;
            }
        }
    }
    for (auto& [node, snapshots] : groups_) {
        snapshots.Finish();
    }
    return true;
}

void CGroupFinder::Visit(XMLNode& node) {
    if (node.GetGroup() != 0) {
        registry_.Register(node);
    }
    for (const auto& child : node.Children()) {
        Visit(*child);
    }
}
