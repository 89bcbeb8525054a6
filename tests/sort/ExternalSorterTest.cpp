#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "base/PlatformError.h"
#include "io/SpillSettings.h"
#include "io/TemporaryFile.h"
#include "sort/ExternalSorter.h"

using Norvik::ExternalSorter;
using Record = std::pair<std::string, std::string>;

namespace {

// Keys with many duplicates, shared prefixes of 8, 16 and 32 bytes, keys that
// end at those lengths or run on with NUL bytes, empty keys; each payload is
// the record's number, so order among equal keys shows.
std::vector<Record> RandomRecords(size_t count, unsigned seed, size_t maxPadding = 40) {
    std::mt19937 random(seed);
    const std::string sixteen = "sixteen bytes ab";
    const std::vector<std::string> stems = {"",
                                            "a",
                                            "prefix00",
                                            "prefix00x",
                                            "prefix01",
                                            std::string("nul\0byte", 8),
                                            "zz",
                                            sixteen,
                                            sixteen + std::string(1, '\0'),
                                            sixteen + sixteen,
                                            sixteen + sixteen + "c",
                                            sixteen + std::string(17, '\0'),
                                            sixteen.substr(0, 15),
                                            sixteen.substr(0, 15) + std::string(1, '\0')};
    std::vector<Record> records;
    for (size_t i = 0; i < count; ++i) {
        std::string key = stems[random() % stems.size()];
        if (random() % 2) {
            key += static_cast<char>('a' + random() % 5);
        }
        records.emplace_back(key, std::to_string(i) + std::string(random() % maxPadding, 'p'));
    }
    return records;
}

std::vector<Record> ReadAll(ExternalSorter::Reader reader) {
    std::vector<Record> out;
    while (reader.Next()) {
        out.emplace_back(std::string(reader.Key()), std::string(reader.Payload()));
    }
    return out;
}

std::vector<Record> Sorted(std::vector<Record> records) {
    std::stable_sort(records.begin(), records.end(),
                     [](const Record& a, const Record& b) { return a.first < b.first; });
    return records;
}

// Points $TMPDIR at a fresh folder for its lifetime.
class TemporaryFolder {
public:
    TemporaryFolder() {
        if (const char* saved = std::getenv("TMPDIR")) {
            saved_ = saved;
        }
        ::setenv("TMPDIR", dir_.Path().c_str(), 1);
    }
    ~TemporaryFolder() {
        if (saved_) {
            ::setenv("TMPDIR", saved_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }
    bool Empty() const { return std::filesystem::is_empty(dir_.Path()); }
    std::filesystem::path Path() const { return dir_.Path(); }

private:
    testsupport::TempDir dir_;
    std::optional<std::string> saved_;
};

}  // namespace

TEST(ExternalSorterTest, OrdersByKeyAndKeepsAddedOrderForEqualKeys) {
    TemporaryFolder folder;
    enum class Input { kRandom, kInOrder, kTwoOrderedHalves };
    struct Case {
        const char* name;
        size_t budget;
        size_t records;
        bool spills;
        Input input;
        size_t padding = 40;
    };
    // A budget of one byte writes every record as its own run: more runs
    // than one merge takes, so merging goes through several passes. Input in
    // order lengthens one run instead; a step back starts a new one.
    const Case cases[] = {
        {"in memory", size_t{64} << 20, 3000, false, Input::kRandom},
        {"several runs", 16 * 1024, 3000, true, Input::kRandom},
        {"a run per record", 1, 300, true, Input::kRandom},
        {"nothing added", 1024, 0, false, Input::kRandom},
        {"in order", 16 * 1024, 3000, true, Input::kInOrder},
        {"in order, a batch per record", 1, 300, true, Input::kInOrder},
        {"two ordered halves", 16 * 1024, 3000, true, Input::kTwoOrderedHalves},
        // Runs of many file blocks that begin and end inside blocks.
        {"large records", 100 * 1000, 3000, true, Input::kRandom, 3000},
        {"large records, a merge", 5000, 300, true, Input::kRandom, 3000},
    };
    // Spilled on a thread of their own, batches are half the size: more runs,
    // the same order.
    for (const Case& c : cases) {
        for (const auto& [seekable, background] : {std::pair{false, false}, std::pair{true, false},
                                                   std::pair{false, true}, std::pair{true, true}}) {
            SCOPED_TRACE(std::string(c.name) + (seekable ? ", seekable" : "") +
                         (background ? ", spilled in the background" : ""));
            std::vector<Record> records = RandomRecords(c.records, 7, c.padding);
            if (c.input == Input::kInOrder) {
                records = Sorted(records);
            } else if (c.input == Input::kTwoOrderedHalves) {
                const auto half = records.begin() + static_cast<std::ptrdiff_t>(records.size() / 2);
                std::vector<Record> first = Sorted({records.begin(), half});
                const std::vector<Record> second = Sorted({half, records.end()});
                first.insert(first.end(), second.begin(), second.end());
                records = std::move(first);
            }
            ExternalSorter sorter(c.budget);
            if (background) {
                sorter.SpillInBackground();
            }
            for (const Record& record : records) {
                sorter.Add(record.first, record.second);
            }
            sorter.Finish(seekable);
            EXPECT_EQ(sorter.Spilled(), c.spills);
            EXPECT_EQ(sorter.Count(), records.size());
            const std::vector<Record> expected = Sorted(records);
            EXPECT_EQ(ReadAll(sorter.ReadAll()), expected);
            // Readers are independent and start from the beginning.
            EXPECT_EQ(ReadAll(sorter.ReadAll()), expected);
            // A last reading gives back what it read, never what it has yet to read.
            EXPECT_EQ(ReadAll(sorter.ReadAll(ExternalSorter::Reading::kLast)), expected);
            EXPECT_TRUE(sorter.Released());
        }
    }
    EXPECT_TRUE(folder.Empty());
}

// Bytes on disk of the open temporary files in folder.
int64_t AllocatedBytes(const std::filesystem::path& folder) {
    int64_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::filesystem::path target = std::filesystem::read_symlink(entry.path(), error);
        struct stat info {};
        if (!error && target.string().rfind(folder.string(), 0) == 0 &&
            ::stat(entry.path().c_str(), &info) == 0) {
            bytes += static_cast<int64_t>(info.st_blocks) * 512;
        }
    }
    return bytes;
}

TEST(ExternalSorterTest, ALastReadingGivesBackTheBlocksItRead) {
    TemporaryFolder folder;
    const std::vector<Record> records = RandomRecords(8000, 5, 2000);
    ExternalSorter sorter(size_t{1} << 20);
    for (const Record& record : records) {
        sorter.Add(record.first, record.second);
    }
    sorter.Finish();
    ASSERT_TRUE(sorter.Spilled());
    const int64_t before = AllocatedBytes(folder.Path());
    ASSERT_GT(before, 6 << 20);
    ExternalSorter::Reader reader = sorter.ReadAll(ExternalSorter::Reading::kLast);
    size_t count = 0;
    while (reader.Next()) {
        ++count;
    }
    EXPECT_EQ(count, records.size());
    // Only blocks that two runs share stay.
    EXPECT_LT(AllocatedBytes(folder.Path()), before / 4);
}

TEST(ExternalSorterTest, ReadFromStartsAtTheFirstRecordNotBeforeTheKey) {
    TemporaryFolder folder;
    for (const size_t budget : {size_t{64} << 20, size_t{2048}, size_t{1}}) {
        for (const bool inOrder : {false, true}) {
            SCOPED_TRACE(std::to_string(budget) + (inOrder ? ", in order" : ""));
            std::vector<Record> records = RandomRecords(2000, 11);
            if (inOrder) {
                records = Sorted(records);
            }
            ExternalSorter sorter(budget);
            for (const Record& record : records) {
                sorter.Add(record.first, record.second);
            }
            sorter.Finish(true);
            const std::vector<Record> expected = Sorted(records);
            std::vector<std::string> keys = {"",          "0",
                                             "a",         "prefix00",
                                             "prefix00a", "prefix00\x7f",
                                             "prefix01e", std::string("nul\0", 4),
                                             "zzz",       "\xff"};
            for (const Record& record : records) {
                keys.push_back(record.first);
            }
            for (const std::string& key : keys) {
                const auto from = std::find_if(expected.begin(), expected.end(),
                                               [&](const Record& r) { return r.first >= key; });
                ASSERT_EQ(ReadAll(sorter.ReadFrom(key)), std::vector<Record>(from, expected.end()))
                    << key;
            }
        }
    }
}

// A spill that fails on its own thread fails the Add or Finish after it.
TEST(ExternalSorterTest, AFullTemporaryFolderFailsWithTheSystemMessage) {
    for (const bool background : {false, true}) {
        TemporaryFolder folder;
        Norvik::TemporaryFile::FailWritesAfterForTesting(10000, ENOSPC);
        std::string message;
        {
            ExternalSorter sorter(1024);
            if (background) {
                sorter.SpillInBackground();
            }
            try {
                for (const Record& record : RandomRecords(5000, 3)) {
                    sorter.Add(record.first, record.second);
                }
                sorter.Finish();
            } catch (const Norvik::PlatformError& error) {
                message = error.Description();
            }
        }
        Norvik::TemporaryFile::FailWritesAfterForTesting(0, 0);
        EXPECT_NE(message.find("No space left on device"), std::string::npos) << message;
        EXPECT_TRUE(folder.Empty());
    }
}

TEST(ExternalSorterTest, AMissingTemporaryFolderFailsCleanly) {
    TemporaryFolder folder;
    ::setenv("TMPDIR", "/nonexistent/folder", 1);
    ExternalSorter sorter(1);
    EXPECT_THROW(sorter.Add("k", "v"), Norvik::PlatformError);
    ExternalSorter apart(1);
    apart.SpillInBackground();
    EXPECT_THROW(
        {
            apart.Add("k", "v");
            apart.Finish();
        },
        Norvik::PlatformError);
}
