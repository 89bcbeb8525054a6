// Namespaced schemas from import to valid output: the tree a schema gives,
// mapped from a CSV file, writes documents its own schema accepts, and
// xmllint agrees.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "base/ResultCode.h"
#include "import/SchemaImport.h"
#include "io/XmlCatalogs.h"
#include "model/DVFile.h"
#include "run/ColumnDiscovery.h"
#include "run/DVRun.h"

namespace {

using namespace testsupport;

struct Mapping {
    const char* path;    // node names below the document element, '/' between
    const char* column;  // CSV column; null for a fixed value
    const char* value = nullptr;
};

XMLNode* NodeAt(XMLNode& root, const std::string& path) {
    XMLNode* node = &root;
    size_t start = 0;
    while (node && start < path.size()) {
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
    // The mappings below say where every column goes.
    definition.SetAutoAddNodes(false);
    definition.SetAutoLinkNodes(false);
    definition.SetSourceFileName(dir.File("in.csv"));
    ColumnDiscovery::ReadColumns(definition, 100);
    for (const Mapping& mapping : mappings) {
        XMLNode* node = NodeAt(definition.Root(), mapping.path);
        if (!node) {
            detail = std::string("no node ") + mapping.path;
            return -1;
        }
        if (mapping.column) {
            node->SetSource(
                definition.Columns().at(definition.ColumnIndexByName(mapping.column)).id);
        } else {
            node->SetValue(mapping.value);
        }
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
    const std::string command =
        "xmllint --nonet --noout --schema '" + schema + "' '" + document + "' 2>/dev/null";
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
        {"schema/ns/pay.xsd",
         "Id,Amount,Currency,Lang,Note\n1,12.50,EUR,en,first\n2,3,USD,de,\n",
         {{"Payment/Id", "Id"},
          {"Payment/c:Amount", "Amount"},
          {"Payment/c:Amount/@c:currency", "Currency"},
          {"Payment/@xml:lang", "Lang"},
          {"Payment/Note", "Note"}},
         "<Document xmlns=\"urn:example:pay\" xmlns:c=\"urn:example:common\">\n"
         "\t<Payment xml:lang=\"en\">\n\t\t<Id>1</Id>\n"
         "\t\t<c:Amount c:currency=\"EUR\">12.50</c:Amount>\n\t\t<Note>first</Note>\n"
         "\t</Payment>"},
        {"schema/ns/remit.xsd",
         "Payer,Due,Status\nAcme,2024-05-01,open\nBeta,2024-06-30,\n",
         {{"Entry/Payer", "Payer"}, {"Entry/Due", "Due"}, {"Entry/@r:status", "Status"}},
         "<r:Remittance xmlns:r=\"urn:example:remit\">\n"
         "\t<Entry r:status=\"open\">\n\t\t<Payer>Acme</Payer>\n\t\t<Due>2024-05-01</Due>\n"
         "\t</Entry>"},
        {"schema/ns/list.xsd",
         "Item\nfirst\nsecond\n",
         {{"Item", "Item"}},
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

// The catalogs these files list, while it lives; the network out of reach
// (a proxy nothing listens on), so that only a catalog can supply what a
// schema imports from its publisher's site.
class OfflineCatalogs {
public:
    explicit OfflineCatalogs(const std::string& files) {
        ::setenv("XML_CATALOG_FILES", files.c_str(), 1);
        ::setenv("http_proxy", "http://127.0.0.1:9", 1);
        Norvik::XmlCatalogs::Reload();
    }
    ~OfflineCatalogs() {
        ::unsetenv("XML_CATALOG_FILES");
        ::unsetenv("http_proxy");
        Norvik::XmlCatalogs::Reload();
    }
};

// Schemas Debian ships with their catalogs: symmetric key containers
// (libpskc0, whose catalog maps the xmldsig and xmlenc schemas it imports
// from w3.org) and SAML 2.0 metadata (opensaml-schemas with
// xmltooling-schemas, whose catalogs name their files by namespace; a small
// catalog of ours maps the w3.org locations the metadata schema imports).
TEST(NamespacedSchemaTest, PublishedSchemasFromDebianPackagesImportAndValidateOffline) {
    TempDir dir;
    const std::string xmltooling = "file:///usr/share/xml/xmltooling/";
    WriteFile(dir.File("w3.xml"),
              "<catalog xmlns=\"urn:oasis:names:tc:entity:xmlns:xml:catalog\">"
              "<system systemId=\"http://www.w3.org/TR/2002/REC-xmldsig-core-20020212/"
              "xmldsig-core-schema.xsd\" uri=\"" +
                  xmltooling +
                  "xmldsig-core-schema.xsd\"/>"
                  "<system systemId=\"http://www.w3.org/TR/2002/REC-xmlenc-core-20021210/"
                  "xenc-schema.xsd\" uri=\"" +
                  xmltooling +
                  "xenc-schema.xsd\"/>"
                  "<system systemId=\"http://www.w3.org/2001/xml.xsd\" uri=\"" +
                  xmltooling + "xml.xsd\"/></catalog>");
    const struct {
        const char* schema;
        std::string catalogs;
        const char* csv;
        std::vector<Mapping> mappings;
        const char* firstRecord;
    } cases[] = {
        {"/usr/share/xml/pskc/pskc-schema.xsd",
         "/usr/share/xml/pskc/catalog-pskc.xml",
         "Maker,Serial,KeyId,Name,Secret,User\n"
         "Acme Tokens,987654321,12345678,Token for alice,MTIzNDU2Nzg5MDEyMzQ1Njc4OTA=,alice\n"
         "Acme Tokens,987654322,12345679,Token for bob,MTIzNDU2Nzg5MDEyMzQ1Njc4OTA=,bob\n",
         {{"@Version", nullptr, "1.0"},
          {"pskc:KeyPackage/pskc:DeviceInfo/pskc:Manufacturer", "Maker"},
          {"pskc:KeyPackage/pskc:DeviceInfo/pskc:SerialNo", "Serial"},
          {"pskc:KeyPackage/pskc:Key/@Id", "KeyId"},
          {"pskc:KeyPackage/pskc:Key/@Algorithm", nullptr,
           "urn:ietf:params:xml:ns:keyprov:pskc:hotp"},
          {"pskc:KeyPackage/pskc:Key/pskc:FriendlyName", "Name"},
          {"pskc:KeyPackage/pskc:Key/pskc:Data/pskc:Secret/pskc:PlainValue", "Secret"},
          {"pskc:KeyPackage/pskc:Key/pskc:UserId", "User"}},
         "<pskc:KeyPackage>\n\t\t<pskc:DeviceInfo>\n\t\t\t<pskc:Manufacturer>Acme Tokens"},
        {"/usr/share/xml/opensaml/saml-schema-metadata-2.0.xsd",
         dir.File("w3.xml") + " /usr/share/xml/xmltooling/catalog.xml",
         "Entity,Location\nhttps://sp.example.org/sp,https://sp.example.org/acs\n"
         "https://sp2.example.org/sp,https://sp2.example.org/acs\n",
         {{"@Name", nullptr, "urn:example:federation"},
          {"md:EntityDescriptor/@entityID", "Entity"},
          {"md:EntityDescriptor/md:SPSSODescriptor/@protocolSupportEnumeration", nullptr,
           "urn:oasis:names:tc:SAML:2.0:protocol"},
          {"md:EntityDescriptor/md:SPSSODescriptor/md:AssertionConsumerService/@Binding", nullptr,
           "urn:oasis:names:tc:SAML:2.0:bindings:HTTP-POST"},
          {"md:EntityDescriptor/md:SPSSODescriptor/md:AssertionConsumerService/@Location",
           "Location"},
          {"md:EntityDescriptor/md:SPSSODescriptor/md:AssertionConsumerService/@index", nullptr,
           "0"}},
         "<md:EntityDescriptor entityID=\"https://sp.example.org/sp\">"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.schema);
        std::ifstream installed(c.schema);
        ASSERT_TRUE(installed) << c.schema << " is missing: tools/install-deps.sh installs it";
        const OfflineCatalogs catalogs(c.catalogs);
        TempDir run;
        std::string detail;
        ASSERT_EQ(ImportMapAndRun(run, c.schema, c.csv, c.mappings, detail), kSuccess) << detail;
        const std::string written = ReadFile(run.File("out.xml"));
        EXPECT_NE(written.find(c.firstRecord), std::string::npos) << written;
        const std::string command = "XML_CATALOG_FILES='" + c.catalogs +
                                    "' xmllint --nonet --noout --schema '" + std::string(c.schema) +
                                    "' '" + run.File("out.xml") + "' 2>/dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0) << written;
    }
}

}  // namespace
