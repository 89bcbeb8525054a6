#include "workbench/SourceSettings.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/ResultCode.h"
#include "model/DVFile.h"
#include "workbench/DatabaseCatalog.h"

namespace {

TEST(SourceSettingsTest, TextSettingsRereadTheColumns) {
    testsupport::TempDir dir;
    const std::string path = dir.File("in.csv");
    testsupport::WriteFile(path, "Id;Name\n1;Ann\n2;Bob\n");
    DVFile definition;
    EXPECT_TRUE(SourceSettings::SetSourceFileName(definition, "\"" + path + "\""));
    EXPECT_EQ(definition.Settings().sourcefilename, path);
    EXPECT_EQ(definition.Settings().delimiter, ";");  // chosen from the file
    ASSERT_EQ(definition.Columns().size(), 2u);
    EXPECT_EQ(definition.Column(1).name, "Name");
    // New columns got their nodes under a row element.
    const XMLNode* row = definition.Root().GetChild(0);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->GetChild(1)->GetSource(), definition.Column(1).id);

    // Without a header row the columns keep the names they have.
    EXPECT_TRUE(SourceSettings::SetFirstRowHasColNames(definition, false));
    EXPECT_EQ(definition.Column(0).name, "Id");
    EXPECT_EQ(definition.Columns().size(), 2u);
    EXPECT_TRUE(SourceSettings::SetFirstRowHasColNames(definition, true));
    // A delimiter that splits nothing leaves one column.
    EXPECT_TRUE(SourceSettings::SetDelimiter(definition, "|"));
    EXPECT_EQ(definition.Columns().size(), 1u);
    EXPECT_EQ(definition.Column(0).name, "Id;Name");
    EXPECT_FALSE(SourceSettings::SetDelimiter(definition, "|"));

    // Another file of a definition with columns keeps them as they are.
    const std::string other = dir.File("other.csv");
    testsupport::WriteFile(other, "A,B,C\n1,2,3\n");
    EXPECT_TRUE(SourceSettings::SetSourceFileName(definition, other));
    EXPECT_EQ(definition.Columns().size(), 1u);
    EXPECT_TRUE(SourceSettings::ReadColumns(definition).IsOk());
    EXPECT_EQ(definition.Columns().size(), 1u);  // "|" still splits nothing
}

TEST(SourceSettingsTest, ADatabaseFileThatCannotBeReadClearsTheSelection) {
    DVFile definition;
    EXPECT_TRUE(SourceSettings::SetSourceType(definition, DVFileSettings::kExcel));
    EXPECT_EQ(definition.Settings().odbcdriver,
              DatabaseCatalog::InstalledDriverFor(DVFileSettings::kExcel));
    definition.SetSqlTableName("Sheet1");
    definition.SetSqlQuery("SELECT 1");
    EXPECT_TRUE(SourceSettings::SetSourceFileName(definition, "/nonexistent/book.xlsx"));
    EXPECT_EQ(definition.Settings().sqltablename, "");
    EXPECT_EQ(definition.Settings().sqlquery, "");

    EXPECT_EQ(SourceSettings::TestSelection(definition).Code(), kSourceFileOpen);
    EXPECT_EQ(SourceSettings::CheckSource(definition).Code(), kSourceFileOpen);
}

}  // namespace
