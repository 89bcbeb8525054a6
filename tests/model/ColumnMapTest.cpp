#include "model/ColumnMap.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TEST(ColumnMapTest, FindsSmallAndLargeIdentifiers) {
    std::vector<CSCol> columns(4);
    columns[0].id = 3;
    columns[1].id = 1;
    columns[2].id = 2000000;  // hand-edited files may hold anything
    columns[3].id = 3;        // a duplicate: the first one counts
    ColumnMap map;
    map.Rebuild(columns);
    const std::pair<int32_t, int32_t> cases[] = {{3, 0},  {1, 1},   {2000000, 2}, {2, -1},
                                                 {0, -1}, {-5, -1}, {70000, -1}};
    for (const auto& [id, index] : cases) {
        EXPECT_EQ(map.IndexOf(id), index) << id;
    }
    map.Rebuild({});
    EXPECT_EQ(map.IndexOf(3), -1);
}

}  // namespace
