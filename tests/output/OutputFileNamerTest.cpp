#include "output/OutputFileNamer.h"

#include <gtest/gtest.h>

#include "FixedEnvironment.h"
#include "TestSupport.h"
#include "model/DVFile.h"
#include "sources/DVDataSourceRow.h"

namespace {

// One row of values by position.
class Row : public DVDataSourceRow {
public:
    explicit Row(std::vector<std::string> values) : values_(std::move(values)) {}
    std::string GetColumnValue(int32_t index, bool) override {
        return static_cast<size_t>(index) < values_.size() ? values_[index] : "";
    }

private:
    std::vector<std::string> values_;
};

DVFile WithColumns(const std::string& target) {
    DVFile definition;
    definition.AddColumn(CSCol("Region"));
    definition.AddColumn(CSCol("Code"));
    definition.SetTargetFileName(target);
    return definition;
}

TEST(OutputFileNamerTest, OneFilePerRowNumbersBeforeTheExtension) {
    testsupport::TempDir dir;
    DVFile definition = WithColumns(dir.File("data.xml"));
    definition.SetFilePerRow(true);
    testsupport::WriteFile(dir.File("data001.xml"), "<existing/>");
    OutputFileNamer namer;
    Row row({"r", "c"});
    EXPECT_EQ(namer.Next(definition, row), dir.File("data002.xml"));
    EXPECT_EQ(namer.Next(definition, row), dir.File("data003.xml"));
    namer.Restart();
    EXPECT_EQ(namer.Next(definition, row), dir.File("data002.xml"));

    // Without an extension in the file's own name the number goes at the end.
    DVFile plain = WithColumns(dir.File("out.d/data"));
    plain.SetFilePerRow(true);
    OutputFileNamer other;
    EXPECT_EQ(other.Next(plain, row), dir.File("out.d/data001"));
}

TEST(OutputFileNamerTest, PlaceholdersForColumnsTimeAndCounter) {
    testsupport::FixedEnvironment environment;
    DVFile definition = WithColumns("/out/<c=Region>_<NNNN>.xml");
    definition.SetFilePerColValueId(definition.Column(0).id);
    OutputFileNamer namer;
    Row north({"North", "1"});
    Row south({"South", "2"});
    EXPECT_EQ(namer.Next(definition, north), "/out/North_0001.xml");
    EXPECT_EQ(namer.Next(definition, north), "/out/North_0002.xml");
    EXPECT_EQ(namer.Next(definition, south), "/out/South_0001.xml");  // restarts
    EXPECT_EQ(namer.Next(definition, north), "/out/North_0001.xml");

    const std::pair<std::string, std::string> cases[] = {
        {"/out/<C=Region>.xml", "/out/North-East- A.xml"},
        {"/out/<C= Code >.xml", "/out/'x'.xml"},
        {"/out/<C=Missing>x.xml", "/out/x.xml"},
        {"/out/<C=>x.xml", "/out/>x.xml"},
        {"/out/<C=Region.xml", "/out/Region.xml"},
        {"/out/<t>.xml", "/out/20040506T070809.xml"},
        {"/out/<N.xml", "/out/N.xml"},
        {"/out/<N>-<C=Region>.xml", "/out/1-North-East- A.xml"},
    };
    for (const auto& [pattern, expected] : cases) {
        DVFile d = WithColumns(pattern);
        OutputFileNamer fresh;
        Row row({"\"North/East: A*\"", "''x''"});
        EXPECT_EQ(fresh.Next(d, row), expected) << pattern;
    }
}

TEST(OutputFileNamerTest, ValuesNeverLeaveTheFolder) {
    const std::pair<std::string, std::string> cases[] = {
        {"..", "__"},
        {".", "_"},
        {"../../etc/passwd", "..-..-etc-passwd"},
        {"a\\b", "a-b"},
        {"tab\there", "tab_here"},
        {"  spaced  ", "spaced"},
        {"'quoted'", "quoted"},
    };
    for (const auto& [value, expected] : cases) {
        EXPECT_EQ(OutputFileNamer::FileNamePart(value), expected) << value;
    }
}

}  // namespace
