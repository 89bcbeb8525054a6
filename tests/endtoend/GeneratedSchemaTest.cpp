// Generated schemas against real output: every document a definition writes
// is valid against the schema generated from it (the run's own validation
// and xmllint agree), and importing that schema gives back the tree's shape.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "RandomDefinition.h"
#include "TestSupport.h"
#include "base/ResultCode.h"
#include "import/SchemaImport.h"
#include "model/DVFile.h"
#include "schema/SchemaGenerator.h"

namespace {

using namespace testsupport;

int Xmllint(const std::string& schema, const std::string& document) {
    const std::string command =
        "xmllint --nonet --noout --schema '" + schema + "' '" + document + "' >/dev/null 2>&1";
    return std::system(command.c_str());
}

std::string LocalName(const std::string& name) {
    const size_t colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

bool WritesOpenContent(const XMLNode& node) {
    auto raw = [](const XMLNode& n) {
        return n.GetOutputType() == XMLNode::kDisableOutputEscaping || n.insertBrTags ||
               n.insertParagraphTags;
    };
    if (node.GetNodeType() != XMLNode::kDocumentRoot && raw(node)) {
        return true;
    }
    for (const auto& child : node.Children()) {
        if (child->GetNodeType() == XMLNode::kValue && raw(*child)) {
            return true;
        }
    }
    return false;
}

// Names and kinds, nested, in name order: what a schema can give back of
// a tree (namespace declarations and the order of scopes aside).
std::string Shape(const XMLNode& node) {
    std::vector<std::string> parts;
    const bool open = WritesOpenContent(node);
    for (const auto& child : node.Children()) {
        const std::string& name = child->GetName();
        if (child->GetNodeType() == XMLNode::kAttribute) {
            if (name != "xmlns" && !name.starts_with("xmlns:") && !name.starts_with("xml:")) {
                parts.push_back("@" + LocalName(name));
            }
        } else if (child->GetNodeType() == XMLNode::kElement && !open) {
            parts.push_back(Shape(*child));
        }
    }
    std::sort(parts.begin(), parts.end());
    std::string text = LocalName(node.GetName());
    if (!parts.empty()) {
        text += "(";
        for (size_t i = 0; i < parts.size(); ++i) {
            text += (i ? " " : "") + parts[i];
        }
        text += ")";
    }
    return text;
}

struct Checked {
    int32_t code = -1;
    std::string detail;
    std::vector<std::string> files;
};

// Writes the schema beside the definition, runs with it validating every
// document, and has xmllint check the first few documents too.
Checked GenerateAndRun(DVFile definition, const TempDir& dir, std::string& schemaText) {
    Checked checked;
    const std::string schema = dir.File("generated.xsd");
    std::vector<std::string> written;
    const Status status = SchemaGenerator::WriteFiles(definition, schema, &written);
    EXPECT_TRUE(status.IsOk()) << status.Code() << " " << status.Detail();
    for (const std::string& file : written) {
        schemaText += "--- " + file + "\n" + ReadFile(file);
    }
    definition.SetValidateSchema(schema);
    const RunOutcome outcome = RunSaved(definition, dir);
    checked.code = outcome.code;
    checked.detail = outcome.message + " " + outcome.detail;
    checked.files = outcome.files;
    return checked;
}

TEST(GeneratedSchemaTest, TheExampleValidatesAndImportsToItsOwnShape) {
    TempDir dir;
    const std::string examples = std::string(DV_TEST_DATA_DIR) + "/../../examples/";
    DVFile definition;
    ASSERT_TRUE(definition.LoadProjectFile(examples + "orders.dv")) << definition.GetLastError();
    definition.SetSourceFileName(examples + "orders.csv");
    definition.SetTargetFileName(dir.File("orders.xml"));
    std::string schemaText;
    const Checked run = GenerateAndRun(definition, dir, schemaText);
    ASSERT_EQ(run.code, kSuccess) << run.detail << "\n" << schemaText;
    EXPECT_EQ(Xmllint(dir.File("generated.xsd"), dir.File("orders.xml")), 0) << schemaText;
    // Rows repeat inside the group, which repeats itself; the header and the
    // footer come once.
    EXPECT_NE(
        schemaText.find("<xs:element name=\"region\" minOccurs=\"0\" maxOccurs=\"unbounded\">"),
        std::string::npos)
        << schemaText;
    EXPECT_NE(
        schemaText.find("<xs:element name=\"order\" minOccurs=\"0\" maxOccurs=\"unbounded\">"),
        std::string::npos);
    EXPECT_NE(schemaText.find("<xs:element name=\"header\">"), std::string::npos);

    DVFile imported;
    ASSERT_TRUE(ImportSchema(imported, dir.File("generated.xsd"), kImportXsd))
        << imported.GetLastError();
    EXPECT_EQ(Shape(imported.Root()), Shape(definition.Root()));
}

TEST(GeneratedSchemaTest, RandomDefinitionsWriteOnlyWhatTheirSchemaAccepts) {
    // What the schemas used, so that the strict types are known to be met.
    std::vector<std::pair<std::string, int>> seen = {
        {"xs:integer", 0},
        {"xs:decimal", 0},
        {"fractionDigits", 0},
        {"xs:date\"", 0},
        {"xs:time", 0},
        {"xs:dateTime", 0},
        {"xs:pattern", 0},
        {"xs:enumeration", 0},
        {"maxOccurs=\"unbounded\"", 0},
        {"mixed=\"true\"", 0},
        {"xs:choice", 0},
        {"xs:any ", 0},
        {"use=\"required\"", 0},
        {"form=\"unqualified\"", 0},
        {"xs:import", 0},
    };
    for (unsigned seed = 1; seed <= 60; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        TempDir dir;
        DVFile definition = CsvDefinition(dir, RandomCsv(random, 24), false);
        RandomColumns(random, definition);
        RandomTree(random, definition).Build();
        switch (random() % 5) {
            case 0:
                definition.SetFilePerRow(true);
                break;
            case 1:
                definition.SetFilePerColValueId(
                    definition.Columns().at(definition.ColumnIndexByName("Grp")).id);
                break;
            default:
                break;
        }
        std::string schemaText;
        const Checked run = GenerateAndRun(definition, dir, schemaText);
        ASSERT_EQ(run.code, kSuccess) << run.detail << "\n"
                                      << schemaText << "\n"
                                      << (run.files.empty() ? "" : ReadFile(run.files.front()));
        ASSERT_FALSE(run.files.empty());
        for (size_t i = 0; i < run.files.size() && i < 2; ++i) {
            EXPECT_EQ(Xmllint(dir.File("generated.xsd"), run.files[i]), 0)
                << schemaText << "\n"
                << ReadFile(run.files[i]);
        }
        DVFile imported;
        ASSERT_TRUE(ImportSchema(imported, dir.File("generated.xsd"), kImportXsd))
            << imported.GetLastError() << "\n"
            << schemaText;
        EXPECT_EQ(Shape(imported.Root()), Shape(definition.Root())) << schemaText;
        for (auto& [text, count] : seen) {
            count += schemaText.find(text) != std::string::npos;
        }
    }
    for (const auto& [text, count] : seen) {
        EXPECT_GT(count, 0) << text << " never generated";
    }
}

// Repeated names and scopes out of order leave the model open (any order,
// merged declarations): the documents must still be valid.
TEST(GeneratedSchemaTest, RepeatedNamesStillDescribeEveryDocument) {
    int anyOrder = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed * 7919);
        TempDir dir;
        DVFile definition = CsvDefinition(dir, RandomCsv(random, 16), false);
        RandomColumns(random, definition);
        RandomTree(random, definition, true).Build();
        std::string schemaText;
        const Checked run = GenerateAndRun(definition, dir, schemaText);
        ASSERT_EQ(run.code, kSuccess) << run.detail << "\n"
                                      << schemaText << "\n"
                                      << (run.files.empty() ? "" : ReadFile(run.files.front()));
        ASSERT_FALSE(run.files.empty());
        EXPECT_EQ(Xmllint(dir.File("generated.xsd"), run.files.front()), 0)
            << schemaText << "\n"
            << ReadFile(run.files.front());
        anyOrder += schemaText.find("xs:choice") != std::string::npos;
    }
    EXPECT_GT(anyOrder, 0);
}

}  // namespace
