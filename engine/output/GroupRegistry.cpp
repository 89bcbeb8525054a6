#include "GroupRegistry.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "XMLNode.h"
#include "sources/ColumnMap.h"
#include "sources/DVDataSource.h"

void GroupSnapshots::SetColumns(std::vector<int32_t> indexes, std::vector<bool> comparison) {
    indexes_ = std::move(indexes);
    comparisonSlot_.assign(indexes_.size(), 0);
    slots_ = indexes_.size();
    for (size_t i = 0; i < indexes_.size(); ++i) {
        if (i < comparison.size() && comparison[i]) {
            comparisonSlot_[i] = slots_++;
        }
    }
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
    rowStarts_.push_back(rows_.Add(packed_));
}

std::string_view GroupSnapshots::Slot(size_t row, size_t slot) const {
    const char* data = rows_.At(rowStarts_[row]);
    uint32_t begin = 0;
    uint32_t end = 0;
    if (slot > 0) {
        std::memcpy(&begin, data + (slot - 1) * sizeof begin, sizeof begin);
    }
    std::memcpy(&end, data + slot * sizeof end, sizeof end);
    return std::string_view(data + slots_ * sizeof end + begin, end - begin);
}

std::optional<std::string_view> GroupSnapshots::Value(size_t row, int32_t index,
                                                      bool comparison) const {
    if (row >= rowStarts_.size()) {
        return std::nullopt;
    }
    const auto at = std::lower_bound(indexes_.begin(), indexes_.end(), index);
    if (at == indexes_.end() || *at != index) {
        return std::nullopt;
    }
    const auto column = static_cast<size_t>(at - indexes_.begin());
    if (comparison && comparisonSlot_[column] != 0) {
        return Slot(row, comparisonSlot_[column]);
    }
    return Slot(row, column);
}

void GroupRegistry::Register(const XMLNode& node) {
    groups_.emplace(&node, GroupSnapshots());
}

const GroupSnapshots* GroupRegistry::Find(const XMLNode& node) const {
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
    const std::vector<CSCol>& sourceColumns = source.Columns();
    for (auto& [node, snapshots] : groups_) {
        std::set<int32_t> indexes;
        const int32_t group = columns.IndexOf(node->GetGroup());
        if (group >= 0) {
            indexes.insert(group);
        }
        CollectSources(*node, columns, indexes);
        std::vector<int32_t> list(indexes.begin(), indexes.end());
        std::vector<bool> dates;
        for (int32_t index : list) {
            dates.push_back(static_cast<size_t>(index) < sourceColumns.size() &&
                            sourceColumns[static_cast<size_t>(index)].dataType ==
                                DataTypeProperties::kDateTime);
        }
        snapshots.SetColumns(std::move(list), std::move(dates));
    }
    while (source.NextRow()) {
        for (auto& [node, snapshots] : groups_) {
            snapshots.AddRow(source);
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
