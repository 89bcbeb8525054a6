// Grouping and sorting at any size: grouped output against a plain model of
// the grouping rules, and runs whose index and snapshots go to temporary
// files against runs that keep them in memory.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "RunTestSupport.h"
#include "base/ResultCode.h"
#include "base/TextUtil.h"
#include "io/SpillSettings.h"
#include "io/TemporaryFile.h"
#include "output/ParallelRowWriter.h"

using namespace testsupport;

namespace {

struct Row {
    std::string a;
    std::string b;
    std::string n;
};

std::vector<Row> RandomRows(size_t count, unsigned seed, bool sortedByA) {
    std::mt19937 random(seed);
    const char* as[] = {"", "a1", "a2", "A2", "a3", "k\xc3\xb6ln"};
    const char* bs[] = {"", "b1", "b2", "b3"};
    std::vector<Row> rows;
    for (size_t i = 0; i < count; ++i) {
        rows.push_back({as[random() % 6], bs[random() % 4], "n" + std::to_string(i)});
    }
    if (sortedByA) {
        std::stable_sort(rows.begin(), rows.end(),
                         [](const Row& x, const Row& y) { return x.a < y.a; });
    }
    return rows;
}

std::string CsvText(const std::vector<Row>& rows) {
    std::string text = "A,B,N,Num,When\n";
    size_t i = 0;
    for (const Row& row : rows) {
        // Numbers and dates for the sort orders; many equal keys on purpose.
        text += row.a + "," + row.b + "," + row.n + "," +
                std::to_string(static_cast<int>(i % 7) - 3) + ",2020-0" +
                std::to_string(1 + i % 9) + "-1" + std::to_string(i % 3) + "\n";
        ++i;
    }
    return text;
}

// What the grouping rules give: one group element per change of the group
// value between consecutive rows, holding every row of the whole source with
// that value; an inner group does the same within each outer element.
std::string ModelGroups(const std::vector<Row>& rows, bool nested, bool labelled) {
    std::string out = "document(";
    bool firstElement = true;
    std::optional<std::string> lastA;
    auto text = [](const std::string& value) { return value.empty() ? "" : "'" + value + "' "; };
    for (const Row& row : rows) {
        if (lastA == row.a) {
            continue;
        }
        lastA = row.a;
        out += (firstElement ? "" : " ") + std::string("g(") + text(row.a);
        firstElement = false;
        std::optional<std::string> lastB;
        for (const Row& member : rows) {
            if (member.a != row.a) {
                continue;
            }
            if (!nested) {
                out += "n('" + member.n + "') ";
                continue;
            }
            if (lastB == member.b) {
                continue;
            }
            lastB = member.b;
            out += (member.b.empty() || !labelled ? "h(" : "h[b=" + member.b + "](");
            for (const Row& inner : rows) {
                if (inner.b == member.b) {
                    out += "n('" + inner.n + "') ";
                }
            }
            out.back() = ')';
            out += ' ';
        }
        out.back() = ')';
    }
    return firstElement ? "document" : out + ")";
}

// g grouped by A; inside it either n, or h grouped by B and then n. h has no
// value of its own; unless labelled (an attribute showing B), nothing but its
// group reads B.
DVFile GroupedDefinition(const TempDir& dir, const std::vector<Row>& rows, bool nested,
                         bool labelled = true) {
    DVFile definition = CsvDefinition(dir, CsvText(rows), false);
    XMLNode* g = Add(definition.Root(), "g", XMLNode::kElement, Id(definition, "A"));
    g->SetGroup(Id(definition, "A"));
    XMLNode* parent = g;
    if (nested) {
        XMLNode* h = Add(*g, "h", XMLNode::kElement, 0);
        h->SetGroup(Id(definition, "B"));
        if (labelled) {
            Add(*h, "b", XMLNode::kAttribute, Id(definition, "B"))->SetSkipIfEmpty(true);
        }
        parent = h;
    }
    Add(*parent, "n", XMLNode::kElement, Id(definition, "N"));
    return definition;
}

// Budget of one byte: every sort key and snapshot goes through a temporary
// file. Temporary files go to their own folder, which must end up empty.
class SpillScope {
public:
    explicit SpillScope(size_t budget) {
        Norvik::SpillSettings::SetBudgetForTesting(budget);
        if (const char* saved = std::getenv("TMPDIR")) {
            saved_ = saved;
        }
        ::setenv("TMPDIR", folder_.Path().c_str(), 1);
    }
    ~SpillScope() {
        Norvik::SpillSettings::SetBudgetForTesting(0);
        Norvik::TemporaryFile::FailWritesAfterForTesting(0, 0);
        if (saved_) {
            ::setenv("TMPDIR", saved_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
        EXPECT_TRUE(std::filesystem::is_empty(folder_.Path()));
    }

private:
    TempDir folder_;
    std::optional<std::string> saved_;
};

// Runs on that many threads, cutting what goes apart into parts of two rows.
class ThreadsScope {
public:
    explicit ThreadsScope(const char* threads) {
        ::setenv("DATAVANE_THREADS", threads, 1);
        ParallelRowWriter::SetBatchRowsForTesting(2);
    }
    ~ThreadsScope() {
        ::unsetenv("DATAVANE_THREADS");
        ParallelRowWriter::SetBatchRowsForTesting(0);
    }
};

std::string RunToText(const DVFile& definition, const TempDir& dir) {
    const RunOutcome outcome = RunSaved(definition, dir);
    EXPECT_EQ(outcome.code, 0) << outcome.message << ": " << outcome.detail;
    return ReadFile(dir.File("out.xml"));
}

}  // namespace

// The rows as a sort on A gives them: by A without regard to case, equal
// values in file order.
std::vector<Row> OrderedByA(std::vector<Row> rows, bool descending) {
    std::stable_sort(rows.begin(), rows.end(), [descending](const Row& x, const Row& y) {
        const std::string a = Norvik::ToLower(x.a);
        const std::string b = Norvik::ToLower(y.a);
        return descending ? b < a : a < b;
    });
    return rows;
}

TEST(GroupingTest, GroupsMatchTheModelWhateverTheBudget) {
    enum class Order { kNone, kByGroup, kByGroupDescending };
    struct Case {
        const char* name;
        bool sorted;
        bool nested;
        size_t rows;
        bool labelled = true;
        Order order = Order::kNone;
    };
    // Ordered by the group column, "a2" and "A2" share a run of equal sort
    // keys: their groups come and go within it.
    const Case cases[] = {
        {"sorted", true, false, 400},
        {"unsorted", false, false, 400},
        {"nested sorted", true, true, 150},
        {"nested unsorted", false, true, 150},
        {"nested unlabelled", false, true, 150, false},
        {"one row", false, true, 1},
        {"ordered by the group", false, false, 400, true, Order::kByGroup},
        {"ordered by the group, descending", false, false, 400, true, Order::kByGroupDescending},
        {"nested, ordered by the outer group", false, true, 150, true, Order::kByGroup}};
    // On three threads, groups ordered by their column are written apart in
    // parts of two rows.
    for (const Case& c : cases) {
        for (const size_t budget : {size_t{0}, size_t{1}, size_t{4096}}) {
            for (const char* threads : {"1", "3"}) {
                SCOPED_TRACE(std::string(c.name) + ", budget " + std::to_string(budget) + ", " +
                             threads + " threads");
                ThreadsScope apart(threads);
                SpillScope spill(budget);
                TempDir dir;
                const std::vector<Row> rows = RandomRows(c.rows, 42, c.sorted);
                DVFile definition = GroupedDefinition(dir, rows, c.nested, c.labelled);
                const bool descending = c.order == Order::kByGroupDescending;
                if (c.order != Order::kNone) {
                    definition.SortOrders()[0] = SortOrder{Id(definition, "A"), descending};
                }
                const RunOutcome outcome = RunSaved(definition, dir);
                ASSERT_EQ(outcome.code, 0) << outcome.message << ": " << outcome.detail;
                EXPECT_EQ(CanonicalFile(dir.File("out.xml")),
                          ModelGroups(c.order == Order::kNone ? rows : OrderedByA(rows, descending),
                                      c.nested, c.labelled));
            }
        }
    }
}

// Ordered by its group column, a group reads its rows from the sort index
// again; with a last row set (past the end here) it reads copies kept by a
// pre-pass. Both must write the same bytes: filtered rows, a blank line, a
// date read in its sortable form, and a row value written after each group
// (the current row must come back).
TEST(GroupingTest, GroupsReadFromTheIndexMatchKeptCopies) {
    // The last case's runs span many blocks of the temporary file, which the
    // index gives back as it is read for the last time.
    const std::pair<size_t, size_t> sizes[] = {{600, 0}, {600, 1}, {600, 4096}, {8000, 300000}};
    for (const bool descending : {false, true}) {
        for (const auto& [count, budget] : sizes) {
            SCOPED_TRACE(std::string(descending ? "descending" : "ascending") + ", budget " +
                         std::to_string(budget));
            std::string csv = CsvText(RandomRows(count, 3, false));
            csv.insert(csv.find('\n', csv.size() / 2) + 1, ",,,,\n");
            std::string texts[2];
            for (const bool keptCopies : {false, true}) {
                SpillScope spill(budget);
                TempDir dir;
                DVFile definition = CsvDefinition(dir, csv, false);
                CSCol& when =
                    definition.Column(static_cast<size_t>(definition.ColumnIndexByName("When")));
                when.dataType = DataTypeProperties::kDateTime;
                when.format = "DD/MM/YYYY";
                XMLNode* g = Add(definition.Root(), "g", XMLNode::kElement, Id(definition, "A"));
                g->SetGroup(Id(definition, "A"));
                Add(*g, "n", XMLNode::kElement, Id(definition, "N"));
                XMLNode* w = Add(*g, "w", XMLNode::kAttribute, Id(definition, "When"));
                w->dataType = DataTypeProperties::kDateTime;
                w->format = "YYYY MMM DD";
                Add(definition.Root(), "after", XMLNode::kElement, Id(definition, "N"));
                definition.SortOrders()[0] = SortOrder{Id(definition, "A"), descending};
                definition.SortOrders()[1] = SortOrder{Id(definition, "When"), true};
                DVFilter& filter = definition.Filters()[0];
                filter.SetColumnId(Id(definition, "B"));
                filter.SetOperator(DVFilter::kNotEquals);
                filter.SetValue("b3");
                if (keptCopies) {
                    definition.SetLastRow(1000000);
                }
                texts[keptCopies] = RunToText(definition, dir);
            }
            EXPECT_GT(texts[0].size(), 10000u);
            EXPECT_EQ(texts[0], texts[1]);
        }
    }
}

TEST(GroupingTest, SpilledRunsWriteTheSameBytesForEverySortOrder) {
    const std::vector<Row> rows = RandomRows(300, 9, false);
    struct Order {
        const char* column;
        bool descending;
    };
    const std::vector<std::vector<Order>> orders = {{{"A", false}},
                                                    {{"A", true}},
                                                    {{"Num", false}},
                                                    {{"When", true}},
                                                    {{"B", false}, {"Num", true}, {"A", false}}};
    for (const bool grouped : {false, true}) {
        for (const auto& order : orders) {
            SCOPED_TRACE(std::string(order.front().column) + (grouped ? " grouped" : ""));
            std::string expected;
            for (const size_t budget : {size_t{0}, size_t{1}, size_t{2048}}) {
                SpillScope spill(budget);
                TempDir dir;
                DVFile definition = grouped ? GroupedDefinition(dir, rows, false)
                                            : CsvDefinition(dir, CsvText(rows), true);
                definition.Column(static_cast<size_t>(definition.ColumnIndexByName("Num")))
                    .dataType = DataTypeProperties::kNumber;
                CSCol& when =
                    definition.Column(static_cast<size_t>(definition.ColumnIndexByName("When")));
                when.dataType = DataTypeProperties::kDateTime;
                when.format = "YYYY-MM-DD";
                for (size_t i = 0; i < order.size(); ++i) {
                    definition.SortOrders()[i] =
                        SortOrder{Id(definition, order[i].column), order[i].descending};
                }
                const std::string text = RunToText(definition, dir);
                if (budget == 0) {
                    expected = text;
                    EXPECT_GT(expected.size(), 1000u);
                } else {
                    EXPECT_EQ(text, expected) << "budget " << budget;
                }
            }
        }
    }
}

TEST(GroupingTest, AFullTemporaryFolderFailsTheRunAndLeavesNothing) {
    const std::vector<Row> rows = RandomRows(3000, 5, false);
    enum class Kind { kSorted, kGrouped, kGroupedOrderedByGroup };
    for (const Kind kind : {Kind::kSorted, Kind::kGrouped, Kind::kGroupedOrderedByGroup}) {
        SCOPED_TRACE(kind == Kind::kSorted    ? "sorted"
                     : kind == Kind::kGrouped ? "grouped"
                                              : "grouped, ordered by the group");
        SpillScope spill(1);
        TempDir dir;
        const bool grouped = kind != Kind::kSorted;
        DVFile definition =
            grouped ? GroupedDefinition(dir, rows, false) : CsvDefinition(dir, CsvText(rows), true);
        if (kind != Kind::kGrouped) {
            definition.SortOrders()[0] = SortOrder{Id(definition, grouped ? "A" : "B"), false};
        }
        const std::string path = SaveDefinition(definition, dir);
        Norvik::TemporaryFile::FailWritesAfterForTesting(20000, ENOSPC);
        const RunOutcome outcome = RunProject(path);
        Norvik::TemporaryFile::FailWritesAfterForTesting(0, 0);
        EXPECT_NE(outcome.code, 0);
        EXPECT_NE((outcome.message + outcome.detail).find("No space left on device"),
                  std::string::npos)
            << outcome.message << "\n"
            << outcome.detail;
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.xml")));
    }
}

TEST(GroupingTest, CancellingWhileGroupingLeavesNothing) {
    SpillScope spill(4096);
    TempDir dir;
    const DVFile definition = GroupedDefinition(dir, RandomRows(10000, 1, false), true);
    int calls = 0;
    // Two calls come before the pre-pass; stop at its first.
    const RunOutcome outcome = RunSaved(definition, dir, [&calls](int32_t) { return ++calls < 3; });
    EXPECT_EQ(outcome.code, kCancelled);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.xml")));
}

TEST(GroupingTest, ASourceGoneAfterTheGroupsWereReadFailsTheRun) {
    TempDir dir;
    const DVFile definition = GroupedDefinition(dir, RandomRows(10000, 1, false), true);
    const std::string source = definition.Settings().sourcefilename;
    int calls = 0;
    // The third call comes while the groups are read: the rows are read
    // again afterwards, from a file that is gone by then.
    const RunOutcome outcome = RunSaved(definition, dir, [&](int32_t) {
        if (++calls == 3) {
            std::filesystem::remove(source);
        }
        return true;
    });
    EXPECT_EQ(outcome.code, kSourceFileOpen) << outcome.message;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.xml")));
}
