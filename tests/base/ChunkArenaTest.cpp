#include "base/ChunkArena.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ChunkArenaTest, KeepsEveryItemWhereItWasPut) {
    Norvik::ChunkArena arena;
    std::vector<std::pair<uint64_t, std::string>> items;
    // Small items across several chunks, an empty one, and items larger
    // than a chunk before and after them.
    const std::string big(Norvik::ChunkArena::kChunkSize + 10, 'B');
    items.emplace_back(arena.Add(big), big);
    for (int i = 0; i < 200000; ++i) {
        std::string text = "item " + std::to_string(i);
        items.emplace_back(arena.Add(text), text);
    }
    items.emplace_back(arena.Add(""), "");
    items.emplace_back(arena.Add(big), big);
    items.emplace_back(arena.Add("after"), "after");
    for (const auto& [locator, text] : items) {
        ASSERT_EQ(std::string_view(arena.At(locator), text.size()), text);
    }
    arena.Clear();
    const uint64_t again = arena.Add("x");
    EXPECT_EQ(*arena.At(again), 'x');
}
