// Output validated against an XML Schema while it is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "RunTestSupport.h"
#include "base/ResultCode.h"

namespace {

using namespace testsupport;
namespace fs = std::filesystem;

// <document><row><Id/><Name/><Note/></row>…</document>, each child typed.
std::string RowsSchema(const std::string& id, const std::string& name,
                       const std::string& extra = "") {
    return "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
           "<xs:element name=\"document\"><xs:complexType><xs:sequence>"
           "<xs:element name=\"row\" maxOccurs=\"unbounded\"><xs:complexType><xs:sequence>" +
           id + name + "<xs:element name=\"Note\" type=\"xs:string\"/>" + extra +
           "</xs:sequence></xs:complexType></xs:element>"
           "</xs:sequence></xs:complexType></xs:element></xs:schema>";
}
const std::string kId = "<xs:element name=\"Id\" type=\"xs:integer\"/>";
const std::string kName = "<xs:element name=\"Name\" type=\"xs:string\"/>";

// Files left in dir beside the definition, the schema and the source.
std::vector<std::string> Leftovers(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path())) {
        const std::string name = entry.path().filename().string();
        if (name != "in.csv" && name != "definition.dv" && name != "rows.xsd") {
            names.push_back(name);
        }
    }
    return names;
}

// Runs rows generated rows against schema, saved as rows.xsd in dir.
RunOutcome RunValidated(const TempDir& dir, size_t rows, const std::string& schema) {
    DVFile definition = CsvDefinition(dir, GeneratedCsv(rows));
    WriteFile(dir.File("rows.xsd"), schema);
    definition.SetValidateSchema(dir.File("rows.xsd"));
    return RunSaved(definition, dir);
}

}  // namespace

TEST(ValidationTest, ValidOutputPasses) {
    TempDir dir;
    const RunOutcome outcome = RunValidated(dir, 50, RowsSchema(kId, kName));
    EXPECT_EQ(outcome.code, kSuccess) << outcome.detail;
    EXPECT_TRUE(fs::exists(dir.File("out.xml")));
}

TEST(ValidationTest, InvalidOutputEndsTheRunWithWhereAndWhichRow) {
    const struct {
        const char* what;
        std::string schema;
        const char* message;  // part of the validator's text
        int line;
    } cases[] = {
        {"a missing required element",
         RowsSchema(kId, kName, "<xs:element name=\"Due\" type=\"xs:string\"/>"), "Due", 7},
        {"a wrong type", RowsSchema(kId, "<xs:element name=\"Name\" type=\"xs:date\"/>"), "xs:date",
         5},
        {"an extra element", RowsSchema(kId, ""), "Element 'Name'", 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const RunOutcome outcome = RunValidated(dir, 10, c.schema);
        EXPECT_EQ(outcome.code, kOutputInvalid);
        EXPECT_EQ(outcome.message, "The output is not valid against the schema");
        EXPECT_NE(outcome.detail.find("line " + std::to_string(c.line) + ", column "),
                  std::string::npos)
            << outcome.detail;
        EXPECT_NE(outcome.detail.find(c.message), std::string::npos) << outcome.detail;
        EXPECT_NE(outcome.detail.find("(source row 1)"), std::string::npos) << outcome.detail;
        EXPECT_TRUE(Leftovers(dir).empty());
    }
}

TEST(ValidationTest, AnErrorDeepInALargeRunNamesItsRow) {
    // A restriction goes to libxml2's validator; a plain built-in type to
    // the quick checker.
    const struct {
        std::string id;
        int firstBad;
    } cases[] = {
        {"<xs:element name=\"Id\"><xs:simpleType><xs:restriction base=\"xs:integer\">"
         "<xs:maxInclusive value=\"31414\"/></xs:restriction></xs:simpleType></xs:element>",
         31415},
        {"<xs:element name=\"Id\" type=\"xs:short\"/>", 32768},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        TempDir dir;
        // Several megabytes of output: the error comes after many flushes.
        const RunOutcome outcome = RunValidated(dir, 40000, RowsSchema(c.id, kName));
        ASSERT_EQ(outcome.code, kOutputInvalid);
        // Ids start at 0: id n is in source row n + 1.
        const std::string bad = std::to_string(c.firstBad);
        EXPECT_NE(outcome.detail.find("'" + bad + "'"), std::string::npos) << outcome.detail;
        EXPECT_NE(outcome.detail.find("(source row " + std::to_string(c.firstBad + 1) + ")"),
                  std::string::npos)
            << outcome.detail;
        EXPECT_NE(outcome.detail.find("line " + std::to_string(2 + c.firstBad * 5 + 2)),
                  std::string::npos)
            << outcome.detail;
        EXPECT_TRUE(Leftovers(dir).empty());
    }
}

TEST(ValidationTest, ASchemaThatCannotBeUsedFailsBeforeAnyOutput) {
    const struct {
        const char* what;
        std::string schema;
        const char* message;
    } cases[] = {
        {"not XML", "<xs:schema", "XML Parser Error"},
        {"not a schema", "<notes/>", "cannot be compiled"},
        {"a broken schema",
         "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\">"
         "<xs:element name=\"a\" type=\"nowhere\"/></xs:schema>",
         "nowhere"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const RunOutcome outcome = RunValidated(dir, 3, c.schema);
        EXPECT_EQ(outcome.code, kSchemaLoad);
        EXPECT_EQ(outcome.message, "Failed to load the XML Schema: " + dir.File("rows.xsd"));
        EXPECT_NE(outcome.detail.find(c.message), std::string::npos) << outcome.detail;
        EXPECT_TRUE(Leftovers(dir).empty());
    }
    TempDir dir;
    DVFile definition = CsvDefinition(dir, GeneratedCsv(3));
    definition.SetValidateSchema(dir.File("missing.xsd"));
    EXPECT_EQ(RunSaved(definition, dir).code, kSchemaLoad);
}

TEST(ValidationTest, TheSchemaIsStoredOnlyWhenSet) {
    TempDir dir;
    DVFile definition = CsvDefinition(dir, GeneratedCsv(1));
    const std::string plain = SaveDefinition(definition, dir);
    EXPECT_EQ(ReadFile(plain).find("validateschema"), std::string::npos);
    definition.SetValidateSchema("https://example.org/orders.xsd");
    const std::string with = SaveDefinition(definition, dir);
    EXPECT_NE(
        ReadFile(with).find("<validateschema>https://example.org/orders.xsd</validateschema>"),
        std::string::npos);
    DVFile loaded;
    ASSERT_TRUE(loaded.LoadProjectFile(with));
    EXPECT_EQ(loaded.Settings().validateschema, "https://example.org/orders.xsd");
}
