#include "sources/DVDataSource.h"

#include <gtest/gtest.h>

#include "model/DVFile.h"

namespace {

// Rows from memory, so the shared row machinery can be tested alone.
class MemorySource : public DVDataSource {
public:
    MemorySource(std::vector<std::string> names, std::vector<std::vector<std::string>> rows)
        : names_(std::move(names)), rows_(std::move(rows)) {}

    int32_t Open(DVFile& definition, int32_t) override {
        SyncColumns(definition);
        LoadSettings(definition);
        next_ = 0;
        return 0;
    }
    int32_t GetSourceColumnCount() override { return static_cast<int32_t>(names_.size()); }
    bool NextRow() override {
        while (!IsAfterLastRow() && next_ < rows_.size()) {
            current_ = next_++;
            ++reads;
            BeginRecord();
            if (AcceptRow()) {
                return true;
            }
        }
        return false;
    }
    std::string GetSourceColumnName(int32_t index) override { return names_.at(index); }
    void Close() override {}
    int32_t Validate(const DVFile&) override { return 0; }
    int32_t ValidateSource(const DVFile&) override { return 0; }
    std::string_view GetRawValue(int32_t index) override {
        const auto& row = rows_.at(current_);
        return static_cast<size_t>(index) < row.size() ? std::string_view(row[index]) : "";
    }
    bool ReadHeader(DVFile&) override { return true; }

    // The display values of one column over every accepted row.
    std::vector<std::string> Collect(int32_t column) {
        std::vector<std::string> values;
        while (NextRow()) {
            values.push_back(GetColumnValue(column, false));
        }
        return values;
    }

    size_t reads = 0;

private:
    std::vector<std::string> names_;
    std::vector<std::vector<std::string>> rows_;
    size_t next_ = 0;
    size_t current_ = 0;
};

using Rows = std::vector<std::vector<std::string>>;
using Values = std::vector<std::string>;

TEST(DVDataSourceTest, BlankRowsNeverCountUnlessADefaultFillsThem) {
    DVFile definition;
    MemorySource source({"a", "b"}, Rows{{"1", "x"}, {"", ""}, {"2", ""}});
    source.Open(definition, 0);
    EXPECT_EQ(source.Collect(0), (Values{"1", "2"}));

    definition.Column(1).defaultValue = "-";
    MemorySource again({"a", "b"}, Rows{{"1", "x"}, {"", ""}, {"2", ""}});
    again.Open(definition, 0);
    EXPECT_EQ(again.Collect(1), (Values{"x", "-", "-"}));
}

TEST(DVDataSourceTest, FirstAndLastRowCountAcceptedRows) {
    DVFile definition;
    definition.SetFirstRow(3);
    definition.SetLastRow(5);
    Rows rows;
    for (int i = 1; i <= 7; ++i) {
        rows.push_back({std::to_string(i)});
    }
    MemorySource source({"n"}, rows);
    source.Open(definition, 0);
    EXPECT_EQ(source.Collect(0), (Values{"3", "4", "5"}));
    EXPECT_EQ(source.reads, 6u);  // reading stops after the sixth row
}

TEST(DVDataSourceTest, SkipRules) {
    DVFile definition;
    MemorySource probe({"v"}, Rows{});
    probe.Open(definition, 0);
    struct Case {
        const char* rule;
        Values input;
        Values kept;
    };
    const Case cases[] = {
        {"empty", {"a", "", "b"}, {"a", "b"}},
        {"zero", {"0", "0.000", "-0", "abc", "0.5", "-1", "1,000"}, {"0.5", "-1", "1,000"}},
        {"duplicate", {"A", "A", "a", "B", "B", "A"}, {"A", "a", "B", "A"}},
    };
    for (const Case& c : cases) {
        DVFile d;
        Rows rows;
        for (const std::string& v : c.input) {
            rows.push_back({v, "filler"});
        }
        MemorySource source({"v", "f"}, rows);
        source.Open(d, 0);  // creates the columns
        CSCol& column = d.Column(0);
        column.skipIfEmpty = std::string(c.rule) == "empty";
        column.skipIfZero = std::string(c.rule) == "zero";
        column.skipIfDuplicate = std::string(c.rule) == "duplicate";
        source.Open(d, 0);
        EXPECT_EQ(source.Collect(0), c.kept) << c.rule;
    }
}

TEST(DVDataSourceTest, SkipIfNoMatchRejectsUnknownValues) {
    DVFile definition;
    MemorySource source({"state"}, Rows{{"NY"}, {"NYC"}, {"ny"}});
    source.Open(definition, 0);
    definition.Column(0).AddLookupEntry("NY = New York");
    definition.Column(0).skipIfNoMatch = true;
    source.Open(definition, 0);
    EXPECT_EQ(source.Collect(0), (Values{"New York", "New York"}));
}

TEST(DVDataSourceTest, DuplicateAndUseLastTogether) {
    // The use-last memory must not make every row look like a duplicate.
    DVFile definition;
    MemorySource source({"v", "x"}, Rows{{"A", "1"}, {"", "2"}, {"B", "3"}, {"B", "4"}});
    source.Open(definition, 0);
    definition.Column(0).useLastIfEmpty = true;
    definition.Column(0).skipIfDuplicate = true;
    source.Open(definition, 0);
    EXPECT_EQ(source.Collect(1), (Values{"1", "3"}));
}

TEST(DVDataSourceTest, UseLastRemembersRowsNobodyRead) {
    // Values are formatted when read, but a last value moves on every row.
    DVFile definition;
    MemorySource source({"x", "v"}, Rows{{"1", "A"}, {"2", ""}, {"3", "B"}, {"4", ""}});
    source.Open(definition, 0);
    definition.Column(0).dataType = DataTypeProperties::kNumber;
    definition.Column(1).useLastIfEmpty = true;
    source.Open(definition, 0);
    for (int row = 0; row < 4; ++row) {
        ASSERT_TRUE(source.NextRow());
    }
    EXPECT_EQ(source.DisplayValue(0), "4");
    EXPECT_EQ(source.DisplayValue(1), "B");
}

// Filters: 0 Qty (number) and 1 Kind (text).
Values Filtered(std::vector<std::tuple<bool, int, int32_t, const char*>> conditions) {
    DVFile definition;
    const Rows rows = {{"9", "a"}, {"15", "b"}, {"25", "a"}, {"12", "c"}, {"30", "c"}};
    MemorySource source({"Qty", "Kind"}, rows);
    source.Open(definition, 0);
    definition.Column(0).dataType = DataTypeProperties::kNumber;
    definition.Filters().clear();
    for (const auto& [isAnd, column, op, value] : conditions) {
        DVFilter filter;
        filter.SetJoin(isAnd);
        filter.SetColumnId(definition.Column(column).id);
        filter.SetOperator(op);
        filter.SetValue(value);
        definition.Filters().push_back(filter);
    }
    source.Open(definition, 0);
    return source.Collect(0);
}

TEST(DVDataSourceTest, FiltersCombineWithSqlPrecedence) {
    using D = DVFilter;
    EXPECT_EQ(Filtered({{true, 0, D::kGreater, "10"}, {true, 0, D::kLess, "20"}}),
              (Values{"15", "12"}));
    // A or B accepts rows where either holds.
    EXPECT_EQ(Filtered({{true, 1, D::kEquals, "b"}, {false, 1, D::kEquals, "c"}}),
              (Values{"15", "12", "30"}));
    // A and B or C: (A and B) or C.
    EXPECT_EQ(Filtered({{true, 1, D::kEquals, "a"},
                        {true, 0, D::kGreater, "20"},
                        {false, 1, D::kEquals, "b"}}),
              (Values{"15", "25"}));
    // A or B and C: A or (B and C).
    EXPECT_EQ(Filtered({{true, 1, D::kEquals, "b"},
                        {false, 1, D::kEquals, "c"},
                        {true, 0, D::kGreater, "20"}}),
              (Values{"15", "30"}));
}

TEST(DVDataSourceTest, SqlClausesNameTheColumns) {
    DVFile definition;
    MemorySource source({"Country", "City", "Qty"}, Rows{});
    source.Open(definition, 0);
    definition.Column(2).dataType = DataTypeProperties::kNumber;
    definition.SortOrders()[0] = SortOrder{definition.Column(0).id, false};
    definition.SortOrders()[1] = SortOrder{definition.Column(1).id, true};
    definition.SortOrders()[2] = SortOrder{999999, true};  // a vanished column
    definition.Filters()[0].SetColumnId(definition.Column(2).id);
    definition.Filters()[0].SetOperator(DVFilter::kGreater);
    definition.Filters()[0].SetValue("10");
    definition.Filters()[1].SetJoin(false);
    definition.Filters()[1].SetColumnId(definition.Column(0).id);
    definition.Filters()[1].SetOperator(DVFilter::kEquals);
    definition.Filters()[1].SetValue("NL");
    source.Open(definition, 0);
    EXPECT_EQ(source.BuildOrderByClause(definition), "ORDER BY \"Country\" ASC, \"City\" DESC");
    EXPECT_EQ(source.BuildWhereClause(definition), "WHERE [Qty] > 10 OR [Country] = 'NL'");
}

TEST(DVDataSourceTest, SyncColumnsMovesExistingColumns) {
    DVFile definition;
    definition.SetAutoAddNodes(false);
    MemorySource first({"a", "b", "c", "d"}, Rows{});
    first.Open(definition, 0);
    definition.Column(1).width = 11;  // settings that must travel with "b"
    definition.Column(2).width = 22;
    const int32_t idB = definition.Column(1).id;
    MemorySource swapped({"a", "c", "b", "new"}, Rows{});
    swapped.Open(definition, 0);
    ASSERT_EQ(definition.Columns().size(), 4u);
    EXPECT_EQ(definition.Column(1).name, "c");
    EXPECT_EQ(definition.Column(1).width, 22);
    EXPECT_EQ(definition.Column(2).id, idB);
    EXPECT_EQ(definition.Column(3).name, "new");

    MemorySource none({}, Rows{});
    EXPECT_FALSE(none.SyncColumns(definition));
    EXPECT_TRUE(definition.Columns().empty());
}

TEST(DVDataSourceTest, NewColumnsGetNodesAndLinks) {
    DVFile definition;
    definition.Root().AddChild("row", XMLNode::kElement)->AddChild("b", XMLNode::kElement);
    MemorySource source({"a", "b"}, Rows{});
    source.Open(definition, 0);
    const XMLNode* row = definition.Root().GetChild(0);
    ASSERT_EQ(row->ChildCount(), 2u);
    EXPECT_EQ(row->GetChild(0)->GetSource(), definition.Column(1).id);  // linked by name
    EXPECT_EQ(row->GetChild(1)->GetName(), "a");                        // added
}

}  // namespace
