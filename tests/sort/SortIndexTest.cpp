#include "sort/SortIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "sort/SortKey.h"

namespace {

// Blocks read again give exactly the entries of their value, in index order,
// whether the index is in memory or spread over many temporary runs, while
// the last reading gives back what lies behind the current block.
TEST(SortIndexTest, BlocksReadAgainHoldTheEntriesOfTheirValue) {
    for (const size_t budget : {size_t{64} << 20, size_t{256} << 10, size_t{1}}) {
        for (const bool descending : {false, true}) {
            SCOPED_TRACE("budget " + std::to_string(budget) + (descending ? ", descending" : ""));
            std::mt19937 random(3);
            const char* values[] = {"", "a", "ab", "b", "k\xc3\xb6ln", "zz"};
            SortIndex index(budget);
            std::map<std::string, std::vector<std::string>> byValue;
            for (int i = 0; i < 2000; ++i) {
                const std::string value = values[random() % 6];
                std::string key;
                SortKey::AppendText(key, value, descending);
                SortKey::AppendNumber(key, static_cast<double>(random() % 50), false);
                const std::string payload = std::to_string(i) + std::string(random() % 3000, '.');
                index.Add(key, payload);
                byValue[value].push_back(payload);
            }
            index.Finish();
            index.ServeBlocks(descending);
            ASSERT_TRUE(index.Released());
            size_t entries = 0;
            size_t blocks = 0;
            std::string previousKey;
            while (index.Next()) {
                ++entries;
                ASSERT_TRUE(index.InBlock());
                const std::string_view key = index.Key();
                const size_t part = SortKey::TextPartLength(key, descending);
                const bool starts =
                    blocks == 0 || key.substr(0, part) != previousKey.substr(0, part);
                blocks += starts ? 1 : 0;
                // At its start and now and then as the reading goes through
                // it, the block read again gives its value's entries.
                if (starts || entries % 37 == 0) {
                    std::vector<std::string> read;
                    SortIndex::BlockReader block = index.ReadBlock();
                    while (block.Next()) {
                        read.emplace_back(block.Payload());
                    }
                    ASSERT_FALSE(read.empty());
                    if (starts) {
                        EXPECT_EQ(read.front(), index.Payload());
                    }
                    std::vector<std::string> expected;
                    for (const auto& [value, payloads] : byValue) {
                        std::string valueKey;
                        SortKey::AppendText(valueKey, value, descending);
                        if (key.substr(0, part) == valueKey) {
                            expected = payloads;
                        }
                    }
                    std::sort(read.begin(), read.end());
                    std::sort(expected.begin(), expected.end());
                    ASSERT_EQ(read, expected);
                }
                previousKey.assign(key);
            }
            EXPECT_EQ(entries, 2000u);
            EXPECT_EQ(blocks, byValue.size());
        }
    }
}

}  // namespace
