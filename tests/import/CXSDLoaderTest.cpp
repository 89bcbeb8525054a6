#include "import/CXSDLoader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "LocalHttpServer.h"
#include "ScopedCatalog.h"
#include "TestSupport.h"
#include "TreeDump.h"
#include "import/SchemaImport.h"
#include "io/XmlCatalogs.h"
#include "model/DVFile.h"

using testsupport::DataFile;
using testsupport::Dump;

namespace {

struct SchemaCase {
    const char* file;
    const char* tree;
};

std::string Imported(const std::string& location, bool* ok = nullptr) {
    DVFile definition;
    const bool imported = ImportSchema(definition, location, kImportXsd);
    if (ok) {
        *ok = imported;
    } else {
        EXPECT_TRUE(imported) << definition.GetLastError();
    }
    return imported ? Dump(definition.Root()) : definition.GetLastError();
}

}  // namespace

TEST(CXSDLoaderTest, BuildsTheTreeSchemasDescribe) {
    const SchemaCase cases[] = {
        // One top-level element becomes the document element; two stay
        // below "document".
        {"one-root.xsd", "note[to? body?]"},
        {"two-roots.xsd", "document[invoice? receipt?]"},
        // A referenced top-level element is copied in and not kept as a root.
        {"references.xsd",
         "customer[name? address?[@kind? street? city?] address?[@kind? street? city?]]"},
        // Self-named recursion stops two levels up; a cycle through three
        // named types and one through references both end.
        {"recursion.xsd",
         "root[node?[@label? node?[@label? node?]] a?[b?[c?[a?[b?[c?[a?]]]]]] x?[y?[x?]]]"},
        // Numbers and dates by the base type's name; decimal places from
        // fractionDigits only; a built-in date itself has anySimpleType as
        // its base and stays text. Required attributes are not
        // skip-if-empty, prohibited ones are left out, empty content is
        // EMPTY with its attributes; mixed content keeps its elements and
        // drops wildcards.
        {"types.xsd",
         "values[price?:N2 ratio?:N-1 count?:N-1 big?:N0 day?:DYYYY-MM-DD "
         "stamp?:DYYYY-MM-DDThh:mm:ss year?:DYYYY plainDate? code? sizes? "
         "marker![@optional? @required] mixed?[b? i?]]"},
        // Only the target namespace's elements are roots; an included
        // file's element resolves, an element of an imported namespace is
        // built where it is referenced. The schema binds the target
        // namespace as its default, and every element has one.
        {"orders-ns.xsd",
         "order[@xmlns=urn:example:orders @xmlns:p=urn:example:parties @number "
         "p:party?[p:partyName?] line?[item? quantity?]]"},
    };
    for (const SchemaCase& c : cases) {
        EXPECT_EQ(Imported(DataFile(std::string("schema/") + c.file)), c.tree) << c.file;
    }
}

TEST(CXSDLoaderTest, ImportsAPublishedStyleSchema) {
    const std::string party =
        "PartyID? Name? Address?[Street? City? PostalCode? Country?] ContactName? Phone? Email?";
    const std::string invoiceContent =
        "@schemaVersion @language? InvoiceNumber? IssueDate?:DYYYY-MM-DD "
        "Created?:DYYYY-MM-DDThh:mm:ss Kind? Currency? Seller?[@registered? @role? " +
        party + " TaxNumber?] Buyer?[@role? " + party +
        "] Line?[LineNumber?:N-1 Description? Quantity?[@unit?] UnitPrice?[@currency] "
        "LineTotal?[@currency] Tax?[Category?[@listID? @listAgency?] Rate?:N-1 "
        "Amount?[@currency]] DeliveryDate?:DYYYY-MM-DD] PaymentTerms?[DueDate? "
        "DiscountPercent?:N-1] PrepaidNote? Totals?[NetTotal?[@currency] TaxTotal?[@currency] "
        "GrandTotal?[@currency]] Signature![@method @value?]";
    // Every element name takes the prefix the schema binds to its namespace.
    const auto qualified = [](const std::string& tree) {
        std::string text;
        for (size_t i = 0; i < tree.size(); ++i) {
            const bool nameStarts = (i == 0 || tree[i - 1] == '[' || tree[i - 1] == ' ') &&
                                    tree[i] != '@' && tree[i] != ']';
            text += (nameStarts ? "inv:" : "") + std::string(1, tree[i]);
        }
        return text;
    };
    EXPECT_EQ(
        Imported(DataFile("schema/invoice.xsd")),
        qualified("Exchange[@xmlns:inv=urn:example:invoice:2 @sender @test? "
                  "SentAt?:DYYYY-MM-DDThh:mm:ss Invoice?[" +
                  invoiceContent + "] CreditNote?[" + invoiceContent + " CreditedInvoice?]]"));
}

// Names carry the prefixes the output needs, and the document element
// declares them: elements qualified by elementFormDefault or form (global
// ones always), attributes by attributeFormDefault or form (global ones and
// references always); xml:lang needs no declaration.
TEST(CXSDLoaderTest, QualifiesNamesAndDeclaresTheirNamespaces) {
    const SchemaCase cases[] = {
        // The target namespace as the schema's default; a second namespace
        // with a global element and qualified attributes.
        {"ns/pay.xsd",
         "Document[@xmlns=urn:example:pay @xmlns:c=urn:example:common "
         "Payment?[@xml:lang? @c:channel? Id?:N0 c:Amount?[@c:currency] Note?]]"},
        // The target namespace under its prefix; unqualified local elements
        // and a qualified one; a chameleon include takes the namespace.
        {"ns/remit.xsd",
         "r:Remittance[@xmlns:r=urn:example:remit Entry?[@r:status? @xml:lang? Payer? "
         "Due? r:Ref? r:Memo?]]"},
        // A default binding cannot hold the unqualified elements: a prefix
        // of our own instead.
        {"ns/list.xsd", "ns1:List[@xmlns:ns1=urn:example:list Item?]"},
    };
    for (const SchemaCase& c : cases) {
        EXPECT_EQ(Imported(DataFile(std::string("schema/") + c.file)), c.tree) << c.file;
    }
}

TEST(CXSDLoaderTest, FailuresSayWhyAndLeaveTheTreeAlone) {
    struct FailureCase {
        const char* file;
        const char* says;
    };
    const FailureCase cases[] = {
        {"missing.xsd", "XML Parser Error\r\nURL: "},
        {"not-a-schema.xsd", "Line 4, Position"},
        {"no-elements.xsd",
         "Error: Could not load schema document.\r\nNo top level elements found"},
        // Entities are neither fetched nor expanded without bound.
        {"external-entity.xsd", "external entity"},
        {"entity-bomb.xsd", "XML Parser Error"},
    };
    for (const FailureCase& c : cases) {
        DVFile definition;
        definition.Root().SetName("kept");
        definition.Root().AddChild("child", XMLNode::kElement);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_FALSE(
            ImportSchema(definition, DataFile(std::string("schema/") + c.file), kImportXsd))
            << c.file;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10)) << c.file;
        EXPECT_NE(definition.GetLastError().find(c.says), std::string::npos)
            << c.file << ": " << definition.GetLastError();
        EXPECT_EQ(Dump(definition.Root()), "kept[child?]") << c.file;
    }
    DVFile unknownKind;
    EXPECT_FALSE(ImportSchema(unknownKind, "x.xsd", 7));
    EXPECT_EQ(unknownKind.GetLastError(), "Unknown import kind 7");
}

TEST(CXSDLoaderTest, ReadsSchemasAndTheirIncludesOverHttp) {
    testsupport::LocalHttpServer server(DataFile("schema"));
    ASSERT_NE(server.Port(), 0);
    EXPECT_EQ(Imported(server.Url("/orders-ns.xsd")),
              "order[@xmlns=urn:example:orders @xmlns:p=urn:example:parties @number "
              "p:party?[p:partyName?] line?[item? quantity?]]");
    EXPECT_GE(server.Requests(), 3);  // the schema, its include and its import
    bool ok = true;
    const std::string error = Imported(server.Url("/nothing.xsd"), &ok);
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("404"), std::string::npos) << error;
}

// A published schema's import by URL, and the include relative to it, come
// from the local copy the catalogs name.
TEST(CXSDLoaderTest, ImportsResolveThroughTheXmlCatalogs) {
    testsupport::TempDir dir;
    testsupport::LocalHttpServer server(dir.Path().string());
    std::filesystem::create_directory(dir.File("copy"));
    const std::string xs = "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" ";
    testsupport::WriteFile(
        dir.File("main.xsd"),
        xs + "xmlns:s=\"urn:s\"><xs:import namespace=\"urn:s\" schemaLocation=\"" +
            server.Url("/sig.xsd") + "\"/><xs:element name=\"doc\" type=\"s:T\"/></xs:schema>");
    testsupport::WriteFile(dir.File("copy/sig.xsd"),
                           xs + "targetNamespace=\"urn:s\"><xs:include schemaLocation=\"t.xsd\"/>"
                                "</xs:schema>");
    testsupport::WriteFile(dir.File("copy/t.xsd"),
                           xs + "targetNamespace=\"urn:s\"><xs:complexType name=\"T\"><xs:sequence>"
                                "<xs:element name=\"Value\"/></xs:sequence></xs:complexType>"
                                "</xs:schema>");
    // The schema itself named by its URL: its relative include is read
    // beside the local copy.
    testsupport::WriteFile(dir.File("copy/main.xsd"),
                           xs + "targetNamespace=\"urn:s\"><xs:include schemaLocation=\"t.xsd\"/>"
                                "<xs:element name=\"top\" type=\"xs:string\"/></xs:schema>");
    const testsupport::ScopedCatalog catalog(
        dir.File("catalog.xml"),
        testsupport::UriEntry(server.Url("/sig.xsd"), "copy/sig.xsd") +
            testsupport::UriEntry(server.Url("/main.xsd"), "copy/main.xsd"),
        Norvik::XmlCatalogs::Reload);
    EXPECT_EQ(Imported(dir.File("main.xsd")), "doc[Value?]");
    EXPECT_EQ(Imported(server.Url("/main.xsd")), "ns1:top[@xmlns:ns1=urn:s]");
    EXPECT_EQ(server.Requests(), 0) << server.RequestedPaths();
}
