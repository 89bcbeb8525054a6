#include "workbench/SourceSettings.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>

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

// Whether libxml2 reads text without a well-formedness or namespace error;
// fourthEdition reads it by the older name rules.
bool ParsesNamespaceAware(const std::string& text, bool fourthEdition) {
    xmlParserCtxtPtr context = xmlNewParserCtxt();
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING |
                        (fourthEdition ? XML_PARSE_OLD10 : 0);
    xmlDocPtr document = xmlCtxtReadMemory(context, text.data(), static_cast<int>(text.size()),
                                           "names.xml", "UTF-8", options);
    const bool ok = document && context->wellFormed && context->nsWellFormed;
    xmlFreeDoc(document);
    xmlFreeParserCtxt(context);
    return ok;
}

TEST(SourceSettingsTest, HeaderNamesMakeNodeNamesEveryParserAccepts) {
    testsupport::TempDir dir;
    const std::string path = dir.File("in.csv");
    // Control bytes, colons, letters of other scripts, a Greek combining
    // mark that glibc counts as a letter, an extender, Arabic-Indic digits
    // and a character only the fifth edition takes.
    const std::string header =
        "\x01\x02id\x1F;a:b:c;:lead;\xE5\x90\x8D\xE5\x89\x8D;\xD0\x98\xD0\xBC\xD1\x8F;"
        "\xCD\x85x;\xE3\x80\x85y;\xD9\xA1\xD9\xA2;\xE2\xB0\x80z;::";
    testsupport::WriteFile(path, header + "\n1;2;3;4;5;6;7;8;9;10\n");
    DVFile definition;
    ASSERT_TRUE(SourceSettings::SetSourceFileName(definition, path));
    ASSERT_EQ(definition.Columns().size(), 10u);
    EXPECT_EQ(definition.Column(1).name, "a:b:c");  // the column keeps the header
    const XMLNode* row = definition.Root().GetChild(0);
    ASSERT_NE(row, nullptr);
    ASSERT_EQ(row->ChildCount(), 10u);
    const std::vector<std::string> expected = {"id",
                                               "abc",
                                               "lead",
                                               "\xE5\x90\x8D\xE5\x89\x8D",
                                               "\xD0\x98\xD0\xBC\xD1\x8F",
                                               "_\xCD\x85x",
                                               "_\xE3\x80\x85y",
                                               "_\xD9\xA1\xD9\xA2",
                                               "z",
                                               "_"};
    std::string document = "<root";
    for (size_t i = 0; i < row->ChildCount(); ++i) {
        const std::string& name = row->GetChild(i)->GetName();
        EXPECT_EQ(name, expected[i]) << i;
        EXPECT_EQ(row->GetChild(i)->GetSource(), definition.Column(i).id);
        const std::string element = "<" + name + " " + name + "=\"1\"/>";
        EXPECT_TRUE(ParsesNamespaceAware(element, false)) << name;
        EXPECT_TRUE(ParsesNamespaceAware(element, true)) << name;
        document += " " + name + "_" + std::to_string(i) + "=\"\"";
    }
    document += "/>";
    EXPECT_TRUE(ParsesNamespaceAware(document, true));
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
