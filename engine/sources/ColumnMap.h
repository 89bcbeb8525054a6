#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "CSCol.h"

// Column identifier → position in a column list, rebuilt at the start of a run.
class ColumnMap {
public:
    void Rebuild(const std::vector<CSCol>& columns) {
        positions_.clear();
        for (size_t i = 0; i < columns.size(); ++i) {
            positions_.emplace(columns[i].id, static_cast<int32_t>(i));
        }
    }
    // -1 for an identifier that names no column.
    int32_t IndexOf(int32_t id) const {
        const auto it = positions_.find(id);
        return it == positions_.end() ? -1 : it->second;
    }

private:
    std::unordered_map<int32_t, int32_t> positions_;
};
