// Namespaced schemas from import to valid output: the tree a schema gives,
// mapped from a CSV file, writes documents its own schema accepts, and
// xmllint agrees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "base/ResultCode.h"
#include "import/SchemaImport.h"
#include "model/DVFile.h"
#include "run/ColumnDiscovery.h"
#include "run/DVRun.h"

namespace {

using namespace testsupport;

struct Mapping {
    const char* path;    // node names below the document element, '/' between
    const char* column;  // CSV column
};

XMLNode* NodeAt(XMLNode& root, const std::string& path) {
    XMLNode* node = &root;
    size_t start = 0;
    while (node && start <= path.size()) {
        const size_t slash = path.find('/', start);
        std::string name =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        if (name.starts_with('@')) {
            name.erase(0, 1);
        }
        XMLNode* child = nullptr;
        for (const auto& candidate : node->Children()) {
            if (candidate->GetName() == name) {
                child = candidate.get();
                break;
            }
        }
        node = child;
        if (slash == std::string::npos) {
            break;
        }
        start = slash + 1;
    }
    return node;
}

// Imports schema, maps the CSV's columns onto the tree, runs with the same
// schema validating the output. The outcome's code, with out.xml in dir.
int32_t ImportMapAndRun(const TempDir& dir, const std::string& schema, const std::string& csv,
                        const std::vector<Mapping>& mappings, std::string& detail) {
    DVFile definition;
    if (!ImportSchema(definition, schema, kImportXsd)) {
        detail = definition.GetLastError();
        return -1;
    }
    WriteFile(dir.File("in.csv"), csv);
    definition.SetAutoAddNodes(false);
    definition.SetSourceFileName(dir.File("in.csv"));
    ColumnDiscovery::ReadColumns(definition, 100);
    for (const Mapping& mapping : mappings) {
        XMLNode* node = NodeAt(definition.Root(), mapping.path);
        if (!node) {
            detail = std::string("no node ") + mapping.path;
            return -1;
        }
        node->SetSource(
            definition.Columns().at(definition.ColumnIndexByName(mapping.column)).id);
    }
    definition.SetTargetFileName(dir.File("out.xml"));
    definition.SetEncoding("utf-8");
    definition.SetValidateSchema(schema);
    definition.SetLocale("C");
    const std::string saved = dir.File("definition.dv");
    if (!definition.SaveProjectFile(saved)) {
        detail = definition.GetLastError();
        return -1;
    }
    DVRun run;
    run.SetDefinitionPath(saved);
    if (!run.LoadDefinition()) {
        return kInvalidDVFile;
    }
    const int32_t code = run.Run({});
    detail = run.GetResultMessage(code) + " " + run.GetDetailText();
    return code;
}

// xmllint's verdict on a document, offline.
int Xmllint(const std::string& schema, const std::string& document) {
    const std::string command = "xmllint --nonet --noout --schema '" + schema + "' '" + document +
                                "' 2>/dev/null";
    return std::system(command.c_str());
}

TEST(NamespacedSchemaTest, ImportedTreesWriteDocumentsTheirSchemaAccepts) {
    struct Case {
        const char* schema;
        const char* csv;
        std::vector<Mapping> mappings;
        const char* firstRecord;
    };
    const Case cases[] = {
        {"schema/ns/pay.xsd", "Id,Amount,Currency,Lang,Note\n1,12.50,EUR,en,first\n2,3,USD,de,\n",
         {{"Payment/Id", "Id"},
          {"Payment/c:Amount", "Amount"},
          {"Payment/c:Amount/@c:currency", "Currency"},
          {"Payment/@xml:lang", "Lang"},
          {"Payment/Note", "Note"}},
         "<Document xmlns=\"urn:example:pay\" xmlns:c=\"urn:example:common\">\n"
         "\t<Payment xml:lang=\"en\">\n\t\t<Id>1</Id>\n"
         "\t\t<c:Amount c:currency=\"EUR\">12.50</c:Amount>\n\t\t<Note>first</Note>\n"
         "\t</Payment>"},
        {"schema/ns/remit.xsd", "Payer,Due,Status\nAcme,2024-05-01,open\nBeta,2024-06-30,\n",
         {{"Entry/Payer", "Payer"}, {"Entry/Due", "Due"}, {"Entry/@r:status", "Status"}},
         "<r:Remittance xmlns:r=\"urn:example:remit\">\n"
         "\t<Entry r:status=\"open\">\n\t\t<Payer>Acme</Payer>\n\t\t<Due>2024-05-01</Due>\n"
         "\t</Entry>"},
        {"schema/ns/list.xsd", "Item\nfirst\nsecond\n", {{"Item", "Item"}},
         "<ns1:List xmlns:ns1=\"urn:example:list\">\n\t<Item>first</Item>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.schema);
        TempDir dir;
        std::string detail;
        const std::string schema = DataFile(c.schema);
        ASSERT_EQ(ImportMapAndRun(dir, schema, c.csv, c.mappings, detail), kSuccess) << detail;
        const std::string written = ReadFile(dir.File("out.xml"));
        EXPECT_NE(written.find(c.firstRecord), std::string::npos) << written;
        EXPECT_EQ(Xmllint(schema, dir.File("out.xml")), 0) << written;
    }
}

}  // namespace
