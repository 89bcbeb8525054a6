#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "CSCol.h"

// Column identifier → position in a column list, rebuilt at the start of a run.
// Looked up for every node of every row: identifiers come from one counter,
// so they are small and a direct table serves them; stray large ones (hand-
// edited files) go to a hash map.
class ColumnMap {
public:
    void Rebuild(const std::vector<CSCol>& columns) {
        dense_.clear();
        sparse_.clear();
        for (size_t i = 0; i < columns.size(); ++i) {
            const int32_t id = columns[i].id;
            const auto position = static_cast<int32_t>(i);
            if (id >= 0 && id < kDenseLimit) {
                if (static_cast<size_t>(id) >= dense_.size()) {
                    dense_.resize(static_cast<size_t>(id) + 1, -1);
                }
                if (dense_[static_cast<size_t>(id)] < 0) {
                    dense_[static_cast<size_t>(id)] = position;
                }
            } else {
                sparse_.emplace(id, position);
            }
        }
    }
    // -1 for an identifier that names no column.
    int32_t IndexOf(int32_t id) const {
        if (id >= 0 && id < kDenseLimit) {
            return static_cast<size_t>(id) < dense_.size() ? dense_[static_cast<size_t>(id)] : -1;
        }
        const auto it = sparse_.find(id);
        return it == sparse_.end() ? -1 : it->second;
    }

private:
    static constexpr int32_t kDenseLimit = 1 << 16;
    std::vector<int32_t> dense_;
    std::unordered_map<int32_t, int32_t> sparse_;
};
